#pragma once

#include "Category.h"
#include "ClipboardManager.h"
#include "UnicodeText.h"

#include <QString>

// What tests ask of the history, read from its lists as a view reads them, and
// what a row's delete button does.
namespace HistoryLookup {

// The first row of `list` whose text is canonically equal to `text`, or -1.
inline int rowOf(const HistoryList &list, const QString &text)
{
    for (int row = 0; row < list.size(); ++row) {
        if (canonicallyEqual(list.textAt(row), text))
            return row;
    }
    return -1;
}

inline bool isRecorded(const ClipboardManager &manager, const QString &text)
{
    for (Category category : allCategories) {
        if (rowOf(manager.list(category), text) >= 0)
            return true;
    }
    return false;
}

// As the delete button of a row does it: by the row's text.
inline void deleteRow(ClipboardManager &manager, Category category, int row)
{
    manager.deleteItem(category, manager.list(category).textAt(row));
}

} // namespace HistoryLookup
