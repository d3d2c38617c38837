#pragma once

#include "Category.h"

#include <QString>

class Clipboard;
class ClipboardManager;

// What the buttons of a clip row do to the clipboard and the history.
namespace ClipRowActions {

// Puts exactly `item` on the clipboard as plain text. The history is not touched.
void copyItem(Clipboard &clipboard, const QString &item);

// Removes the first item of the category's list equal to `item` (`hint`: where it
// probably is), clears the clipboard if it holds that text, and writes the list
// back, which saves the history, also when no item was removed.
void deleteItem(ClipboardManager &manager, Category category, const QString &item,
                qsizetype hint = -1);

} // namespace ClipRowActions
