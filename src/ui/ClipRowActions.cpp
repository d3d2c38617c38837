#include "ClipRowActions.h"

#include "ClipboardManager.h"
#include "ListChange.h"
#include "TextEquality.h"

#include "Clipboard.h"

namespace ClipRowActions {

void copyItem(Clipboard &clipboard, const QString &item)
{
    clipboard.writeText(item);
}

void deleteItem(ClipboardManager &manager, Category category, const QString &item, qsizetype hint)
{
    const qsizetype index = manager.indexOf(category, item, hint);
    if (index < 0) {
        manager.setItemsUnchanged(category);
        return;
    }
    Clipboard &clipboard = manager.clipboard();
    if (const auto onClipboard = clipboard.readText();
        onClipboard && canonicallyEqual(*onClipboard, item))
        clipboard.clear();
    manager.setItemsWithout(category, index, ListAnimation::easeOut(200));
}

} // namespace ClipRowActions
