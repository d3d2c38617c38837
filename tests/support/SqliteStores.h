#pragma once

#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStoreFile.h"

#include <QCoreApplication>
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

// Returns once every change handed to the file's thread so far was tried and its
// outcome taken in on this thread.
inline void settle(SqliteStoreFile &file)
{
    // An outcome may hand over a change of its own (a merge writes the lists).
    for (int round = 0; round < 5; ++round) {
        file.writer().flush();
        QCoreApplication::sendPostedEvents();
        if (file.writer().waitingCount() == 0)
            break;
    }
}
