#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

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
    // SQLite adds take the same mode). An SQLite file of this user found readable
    // by others is narrowed to the owner; no other file's mode is ever changed.
    // SQLite opens a file it may not write read-only. Returns an SQLite result code.
    int open(const QString &path);
    // Opens `path` only to read it. `immutable` promises SQLite that nobody writes
    // it meanwhile, which lets it read a file whose folder refuses the journal.
    int openReadOnly(const QString &path, bool immutable);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3 *handle() const { return m_db; }
    // Open, and refusing every write.
    bool isReadOnly() const;

    // Runs one or more statements that return no rows needed by the caller.
    int exec(const char *sql);
    // The latest error of this connection, or `fallback`'s description.
    QString errorMessage(int fallback) const;

    static bool isOk(int rc);
    // The file is not a database or its content is damaged.
    static bool isDamaged(int rc);
    // A write was refused: the file, its folder or the connection is read-only.
    static bool isReadOnlyError(int rc);

    // Why `path` must not be opened, when it is a symbolic link: it is followed
    // only to an existing SQLite file, never to one it would create or replace.
    static std::optional<QString> linkProblem(const QString &path);

    // The journal and its index beside the database at `path` (-wal, -shm) that
    // are this user's own but that the user may not write, as a tool run on a
    // read-only store leaves them, are made writable by the user again: SQLite
    // would otherwise refuse every write. Returns the files so repaired.
    static QStringList repairOwnSideFiles(const QString &path);
    // A journal or index beside `path` that this process cannot write, or nothing.
    static std::optional<QString> unwritableSideFile(const QString &path);

    // Renames `path` (with its -wal file) to `<path>.unreadable-<yyyyMMddHHmmss>`,
    // never replacing an existing file; returns the new name.
    static std::optional<QString> moveAside(const QString &path, QString *error);

private:
    // sqlite3_open_v2 with `flags`, keeping the error when it fails.
    int openConnection(const QByteArray &name, int flags);

    sqlite3 *m_db = nullptr;
    QString m_openError;
};
