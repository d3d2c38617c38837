#pragma once

#include "SqliteDatabase.h"
#include "SqliteStatement.h"
#include "StoreResult.h"
#include "StoreTroubles.h"
#include "StoreWriter.h"

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The one SQLite file that holds the preferences and the history (see the schema
// in the .cpp), with the one connection the stores built on it share.
//
// It keeps working when its file does not: an operation that fails returns why
// and closes the connection, and the next operation opens the file again. A file
// that turns out not to be a database, or to be damaged, is renamed to
// `<name>.unreadable-<time>` (never deleted) and a new file is started. A file
// it may read but not write is opened read-only, and tried for writing again at
// every transaction. A symbolic link is followed only to an SQLite file.
//
// Opening is lazy: the first operation, or open(), opens the file. Whoever keeps
// state drawn from the file registers an Observer to hear of every (re)opening.
//
// The file is used on one thread of its own, its writer(): every operation runs
// there, in the order asked, and an operation asked from another thread waits
// for it. The program's GUI thread hands its changes to the writer instead.
class SqliteStoreFile final
{
    Q_DECLARE_TR_FUNCTIONS(SqliteStoreFile)
    Q_DISABLE_COPY_MOVE(SqliteStoreFile)

public:
    class Connection;
    class Observer;

    // A failed read: why, and where the file was kept when the failure showed it
    // damaged (it was then moved aside and the next operation starts a new one).
    struct ReadFailure
    {
        QString message;
        std::optional<QString> damagedFileKeptAs;
    };

    // Runs SQL on the open connection; returns an SQLite result code.
    using Body = std::function<int(Connection &)>;

    // The folder of `path` is created private to the user when missing.
    explicit SqliteStoreFile(QString path);
    ~SqliteStoreFile();

    QString path() const { return m_path; }
    // The thread the file is used on, and the queue of changes to it.
    StoreWriter &writer() { return m_writer; }
    // What its users have told of their troubles with it; on the GUI thread.
    StoreTroubles &troubles() { return m_troubles; }
    bool isOpen() const;
    // Open, but only for reading: the file or its folder refuses writing. Every
    // transaction tries the file anew and fails while this holds.
    bool isReadOnly() const;
    // Why the open file cannot be written, naming it; empty unless isReadOnly().
    QString readOnlyReason() const;

    // Opens the file unless it is open, and lets the observers catch up with it.
    StoreStatus open();
    // Runs `body` in one transaction, committed before this returns; on failure
    // nothing of it is kept. `action` names it in the message ("Saving ...").
    StoreStatus transaction(const QString &action, const Body &body);
    // Runs `body`, which only reads, on the open file.
    std::optional<ReadFailure> read(const QString &action, const Body &body);

    // `observer` must stay until removed. Adding one closes the connection, so the
    // next operation reopens the file and the new observer reads it too.
    void addObserver(Observer *observer);
    void removeObserver(Observer *observer);

    // Creates whichever of the tables and index are missing.
    static const char *createSchemaSql();

private:
    struct Attempt
    {
        int rc = 0;
        QString message;
    };

    StoreStatus openHere();
    StoreStatus transactionHere(const QString &action, const Body &body);
    Attempt openConnection();
    int openReadOnly(Connection &connection);
    StoreResult<QString> moveDamagedFileAside();
    ReadFailure recordFailure(const QString &action, int rc);

    // Declared first, so that it stops last: everything below is used on it.
    mutable StoreWriter m_writer;
    StoreTroubles m_troubles;
    QString m_path;
    std::unique_ptr<Connection> m_connection;
    std::vector<Observer *> m_observers;
};

// The open connection, as the bodies of reads and transactions see it.
class SqliteStoreFile::Connection final
{
public:
    Connection() = default;
    Q_DISABLE_COPY_MOVE(Connection)

    sqlite3 *handle() const { return m_db.handle(); }
    // Opened only for reading: every write fails.
    bool isReadOnly() const { return !m_readOnlyReason.isEmpty(); }
    int exec(const char *sql) { return m_db.exec(sql); }
    // The statement for `sql`, prepared on its first use on this connection and
    // kept for the next. If it could not be prepared, its step() says why.
    SqliteStatement &statement(std::string_view sql);

private:
    friend class SqliteStoreFile;

    // Declared first, destroyed last: the statements are finalized before it closes.
    SqliteDatabase m_db;
    std::map<std::string, SqliteStatement, std::less<>> m_statements;
    QString m_readOnlyReason;
};

// State drawn from the file, kept in step with it.
class SqliteStoreFile::Observer
{
public:
    virtual ~Observer() = default;

    // Reads what this observer keeps, on every opening, before the file counts as
    // open. Returns an SQLite result code; a failure fails the opening.
    virtual int readOnOpening(Connection &connection) = 0;
    // The file is open and usable again: write what could not be written, and
    // announce what was found changed. A failure here closes the file again.
    virtual StoreStatus fileOpened() = 0;
    // The file was found damaged and moved aside; the next opening starts a new
    // one, which has none of what was written before.
    virtual void fileMovedAside() = 0;

protected:
    Observer() = default;
    Q_DISABLE_COPY_MOVE(Observer)
};
