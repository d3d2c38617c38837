#include "SqliteStoreFile.h"

#include "Logging.h"

#include "DataLocation.h"

#include <QFileInfo>
#include <QLoggingCategory>

#include <sqlite3.h>

#include <algorithm>

namespace {

// Schema
//
//   preferences(key TEXT PRIMARY KEY, value)
//     One boolean per key, stored as 0 or 1. An absent key, or a value that is not
//     an integer, reads as the preference's default.
//
//   clipboard_data(id INTEGER PRIMARY KEY, list TEXT NOT NULL, item)
//     The history record: each row is one item of the list named `list` ("urls",
//     "codes", "texts", or any other key). Within a list the newest item has the
//     highest id. `item` is UTF-8 TEXT; a row holding anything else makes the
//     whole record unreadable. An unreadable record is renamed to
//     clipboard_data_unreadable_<yyyyMMddHHmmss> and a new empty table started.
//
// Durability: WAL with synchronous=NORMAL. A commit has been handed to the kernel
// before it returns, so it survives the process being killed; a power cut may
// lose the latest commits but never leaves the file inconsistent. Syncing every
// commit (synchronous=FULL) would cost an fsync per copied text for a guarantee
// a clipboard history does not need.
constexpr const char *configureSql = "PRAGMA journal_mode = WAL;"
                                     "PRAGMA synchronous = NORMAL;"
                                     "PRAGMA journal_size_limit = 4194304;";

constexpr const char *schemaSql =
    "CREATE TABLE IF NOT EXISTS preferences(key TEXT PRIMARY KEY, value);"
    "CREATE TABLE IF NOT EXISTS clipboard_data(id INTEGER PRIMARY KEY, list TEXT NOT NULL, item);"
    "CREATE INDEX IF NOT EXISTS clipboard_data_by_list ON clipboard_data(list, id);";

constexpr int busyTimeoutMs = 2000;

bool isOk(int rc)
{
    return SqliteDatabase::isOk(rc);
}

} // namespace

SqliteStatement &SqliteStoreFile::Connection::statement(std::string_view sql)
{
    auto it = m_statements.find(sql);
    if (it == m_statements.end())
        it = m_statements.emplace(std::string(sql), SqliteStatement()).first;
    if (!it->second.isValid())
        it->second.prepare(m_db.handle(), QByteArrayView(sql.data(), qsizetype(sql.size())));
    return it->second;
}

SqliteStoreFile::SqliteStoreFile(QString path) : m_path(std::move(path)) {}

SqliteStoreFile::~SqliteStoreFile() = default;

const char *SqliteStoreFile::createSchemaSql()
{
    return schemaSql;
}

void SqliteStoreFile::addObserver(Observer *observer)
{
    m_observers.push_back(observer);
    m_connection.reset();
}

void SqliteStoreFile::removeObserver(Observer *observer)
{
    std::erase(m_observers, observer);
}

StoreStatus SqliteStoreFile::open()
{
    if (m_connection)
        return {};
    Attempt attempt = openConnection();
    if (SqliteDatabase::isDamaged(attempt.rc)) {
        const StoreResult<QString> keptAs = moveDamagedFileAside();
        if (!keptAs.ok())
            return StoreError{keptAs.error()};
        attempt = openConnection();
    }
    if (!isOk(attempt.rc))
        return StoreError{attempt.message};
    // An observer whose writes fail closes the file again; the others catch up on
    // the next opening, which reads the file for them anew.
    const std::vector<Observer *> observers = m_observers;
    for (Observer *observer : observers) {
        if (StoreStatus caughtUp = observer->fileOpened(); !caughtUp.ok())
            return caughtUp;
        if (!isOpen())
            return StoreError{tr("Cannot open %1: it was closed while opening").arg(m_path)};
    }
    return {};
}

SqliteStoreFile::Attempt SqliteStoreFile::openConnection()
{
    const QString dir = QFileInfo(m_path).absolutePath();
    if (QString error; !QFileInfo(dir).isDir() && !ensurePrivateDir(dir, &error))
        return {SQLITE_CANTOPEN, tr("Cannot open %1: %2").arg(m_path, error)};
    auto connection = std::make_unique<Connection>();
    int rc = connection->m_db.open(m_path);
    if (isOk(rc)) {
        sqlite3_busy_timeout(connection->handle(), busyTimeoutMs);
        rc = connection->exec(configureSql);
    }
    if (isOk(rc))
        rc = connection->exec(schemaSql);
    for (auto it = m_observers.begin(); it != m_observers.end() && isOk(rc); ++it)
        rc = (*it)->readOnOpening(*connection);
    if (!isOk(rc))
        return {rc, tr("Cannot open %1: %2").arg(m_path, connection->m_db.errorMessage(rc))};
    m_connection = std::move(connection);
    return {SQLITE_OK, {}};
}

StoreStatus SqliteStoreFile::transaction(const QString &action, const Body &body)
{
    if (StoreStatus opened = open(); !opened.ok())
        return opened;
    Connection &c = *m_connection;
    int rc = c.statement("BEGIN IMMEDIATE").run();
    if (isOk(rc))
        rc = body(c);
    if (isOk(rc))
        rc = c.statement("COMMIT").run();
    if (isOk(rc))
        return {};
    return StoreError{recordFailure(action, rc).message};
}

std::optional<SqliteStoreFile::ReadFailure> SqliteStoreFile::read(const QString &action,
                                                                  const Body &body)
{
    if (StoreStatus opened = open(); !opened.ok())
        return ReadFailure{opened.error(), std::nullopt};
    if (const int rc = body(*m_connection); !isOk(rc))
        return recordFailure(action, rc);
    return std::nullopt;
}

SqliteStoreFile::ReadFailure SqliteStoreFile::recordFailure(const QString &action, int rc)
{
    Connection &c = *m_connection;
    ReadFailure failure{tr("%1 failed: %2").arg(action, c.m_db.errorMessage(rc)), std::nullopt};
    if (!sqlite3_get_autocommit(c.handle()))
        c.statement("ROLLBACK").run();
    if (SqliteDatabase::isDamaged(rc)) {
        StoreResult<QString> keptAs = moveDamagedFileAside();
        if (keptAs.ok())
            failure.damagedFileKeptAs = std::move(keptAs).value();
        else
            failure.message = keptAs.error();
        return failure;
    }
    // Reopening on the next operation recovers from a directory or disk that
    // comes back, without knowing which of the two it was.
    if ((rc & 0xff) != SQLITE_BUSY)
        m_connection.reset();
    return failure;
}

StoreResult<QString> SqliteStoreFile::moveDamagedFileAside()
{
    m_connection.reset();
    QString error;
    const std::optional<QString> keptAs = SqliteDatabase::moveAside(m_path, &error);
    if (!keptAs)
        return StoreError{error};
    qCWarning(lcPlatform).noquote()
        << tr("%1 could not be read; it was kept as %2 and a new file started")
               .arg(m_path, *keptAs);
    const std::vector<Observer *> observers = m_observers;
    for (Observer *observer : observers)
        observer->fileMovedAside();
    return *keptAs;
}
