#pragma once

#include <QString>

#include <optional>

struct sqlite3;

// One connection to an SQLite file, closed on destruction, plus the file-level
// steps around it: creating the file privately and moving a damaged one aside.
class SqliteDatabase final
{
public:
    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    // Opens `path`, creating it first with mode 0600 (the -wal and -shm files
    // SQLite adds take the same mode). Returns an SQLite result code.
    int open(const QString &path);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3 *handle() const { return m_db; }

    // Runs one or more statements that return no rows needed by the caller.
    int exec(const char *sql);
    // The latest error of this connection, or `fallback`'s description.
    QString errorMessage(int fallback) const;

    static bool isOk(int rc);
    // The file is not a database or its content is damaged.
    static bool isDamaged(int rc);

    // Renames `path` (with its -wal file) to `<path>.unreadable-<yyyyMMddHHmmss>`,
    // never replacing an existing file; returns the new name.
    static std::optional<QString> moveAside(const QString &path, QString *error);

private:
    sqlite3 *m_db = nullptr;
    QString m_openError;
};
