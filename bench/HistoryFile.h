#pragma once

#include "Category.h"
#include "SqliteHistoryStore.h"
#include "SqliteStoreFile.h"
#include "StoreResult.h"

#include <QStringList>

namespace HistoryFile {

// Writes `items` to the store file at `path`, a third in each list, as capture
// would spread them.
inline StoreStatus write(const QString &path, const QStringList &items)
{
    SqliteStoreFile file(path);
    SqliteHistoryStore history(file);
    for (Category category : allCategories) {
        QStringList list;
        for (qsizetype i = qsizetype(category); i < items.size(); i += 3)
            list << items.at(i);
        if (const StoreStatus written = history.replaceList(listKey(category), list).status();
            !written.ok())
            return written;
    }
    return {};
}

} // namespace HistoryFile
