#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class FailingHistoryStore;
class SqliteHistoryStore;
class SqlitePreferences;
class SqliteStoreFile;
struct SqliteStores;

// A real store file in a temporary directory, with the stores the program builds
// on it and a fault injector over the history; all removed with this object.
class TemporaryStore final
{
public:
    TemporaryStore();
    ~TemporaryStore();
    TemporaryStore(const TemporaryStore &) = delete;
    TemporaryStore &operator=(const TemporaryStore &) = delete;

    // False when the temporary directory could not be made.
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_path; }

    SqliteStoreFile &file();
    SqlitePreferences &preferences();
    SqliteHistoryStore &history();
    // Over history(): faults injected here never reach the file.
    FailingHistoryStore &failingHistory() { return *m_failingHistory; }

    // Returns once every change handed to the store's thread so far was tried and
    // its outcome taken in on this thread.
    void settle();

    // Closes the file and builds everything anew on it, as the program's next start
    // would. References taken before are no longer valid.
    void restart();

private:
    void build();

    QTemporaryDir m_dir;
    QString m_path;
    // Declared before what uses it, so destroyed after.
    std::unique_ptr<SqliteStores> m_stores;
    std::unique_ptr<FailingHistoryStore> m_failingHistory;
};
