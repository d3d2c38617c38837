#pragma once

#include "Category.h"
#include "SqlitePreferencesStore.h"

#include <QStringList>

namespace HistoryFile {

// Writes `items` to the store at `path`, a third in each list, as capture would
// spread them.
inline void write(const QString &path, const QStringList &items)
{
    SqlitePreferencesStore store(path);
    for (Category category : allCategories) {
        QStringList list;
        for (qsizetype i = qsizetype(category); i < items.size(); i += 3)
            list << items.at(i);
        store.replaceList(listKey(category), list);
    }
}

} // namespace HistoryFile
