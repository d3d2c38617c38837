#pragma once

#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStoreFile.h"

#include <QString>

// The store file at a path the test chose, with the stores the program builds on
// it. Building one opens the file, as the program's start does.
struct SqliteStores final
{
    explicit SqliteStores(const QString &path) : file(path) {}
    SqliteStores(const SqliteStores &) = delete;
    SqliteStores &operator=(const SqliteStores &) = delete;

    // In the order they depend on each other, so destroyed in reverse.
    SqliteStoreFile file;
    SqlitePreferences preferences{file};
    SqliteHistoryStore history{file};
};
