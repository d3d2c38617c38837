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
//     The history reads only its own lists; rows of others stay as they are.
//
//   pinned_items(item_id INTEGER PRIMARY KEY, position INTEGER NOT NULL)
//     The items of clipboard_data that are pinned, in the order of `position`. A
//     version that knows no pins ignores the table; a pin whose item it deleted is
//     dropped when read, and taken away when an item of that id is stored anew.
//
//   Each table is judged apart: one of another shape (a view, missing columns) is
//   renamed <name>_unreadable_<yyyyMMddHHmmss> by its reader, the other still used.
//
// Durability: WAL with synchronous=NORMAL. A commit has been handed to the kernel
// before it returns, so it survives the process being killed; a power cut may
// lose the latest commits but never leaves the file inconsistent. Syncing every
// commit (synchronous=FULL) would cost an fsync per copied text for a guarantee
// a clipboard history does not need.
constexpr const char *configureSql = "PRAGMA journal_mode = WAL;"
                                     "PRAGMA synchronous = NORMAL;"
                                     "PRAGMA journal_size_limit = 4194304;";

constexpr const char *preferencesSchemaSql =
    "CREATE TABLE IF NOT EXISTS preferences(key TEXT PRIMARY KEY, value);";
constexpr const char *historySchemaSql =
    "CREATE TABLE IF NOT EXISTS clipboard_data(id INTEGER PRIMARY KEY, list TEXT NOT NULL, item);"
    "CREATE INDEX IF NOT EXISTS clipboard_data_by_list ON clipboard_data(list, id);";
constexpr const char *pinsSchemaSql =
    "CREATE TABLE IF NOT EXISTS pinned_items(item_id INTEGER PRIMARY KEY, position INTEGER NOT "
    "NULL);";

constexpr int busyTimeoutMs = 2000;

bool isOk(int rc)
{
    return SqliteDatabase::isOk(rc);
}

// Each table is created apart: a table of another shape under one name (a view,
// other columns) is judged by its reader, and must not keep the other from use.
int createSchema(SqliteStoreFile::Connection &connection)
{
    for (const char *sql : {preferencesSchemaSql, historySchemaSql, pinsSchemaSql}) {
        if (const int rc = connection.exec(sql); !isOk(rc) && (rc & 0xff) != SQLITE_ERROR)
            return rc;
    }
    return SQLITE_OK;
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

SqliteStoreFile::~SqliteStoreFile()
{
    m_writer.call([this] { m_connection.reset(); });
}

const char *SqliteStoreFile::createSchemaSql()
{
    static const std::string sql =
        std::string(preferencesSchemaSql) + historySchemaSql + pinsSchemaSql;
    return sql.c_str();
}

bool SqliteStoreFile::isOpen() const
{
    return m_writer.call([this] { return m_connection != nullptr; });
}

bool SqliteStoreFile::isReadOnly() const
{
    return m_writer.call([this] { return m_connection && m_connection->isReadOnly(); });
}

QString SqliteStoreFile::readOnlyReason() const
{
    return m_writer.call(
        [this] { return m_connection ? m_connection->m_readOnlyReason : QString(); });
}

void SqliteStoreFile::addObserver(Observer *observer)
{
    m_writer.call([&] {
        m_observers.push_back(observer);
        m_connection.reset();
    });
}

void SqliteStoreFile::removeObserver(Observer *observer)
{
    m_writer.call([&] { std::erase(m_observers, observer); });
}

StoreStatus SqliteStoreFile::open()
{
    return m_writer.call([this] { return openHere(); });
}

StoreStatus SqliteStoreFile::openHere()
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
        if (!m_connection)
            return StoreError{tr("Cannot open %1: it was closed while opening").arg(m_path)};
    }
    return {};
}

SqliteStoreFile::Attempt SqliteStoreFile::openConnection()
{
    const QString dir = QFileInfo(m_path).absolutePath();
    if (QString error; !QFileInfo(dir).isDir() && !ensurePrivateDir(dir, &error))
        return {SQLITE_CANTOPEN, tr("Cannot open %1: %2").arg(m_path, error)};
    if (const std::optional<QString> problem = SqliteDatabase::linkProblem(m_path))
        return {SQLITE_CANTOPEN, tr("Cannot open %1: %2").arg(m_path, *problem)};
    for (const QString &repaired : SqliteDatabase::repairOwnSideFiles(m_path)) {
        qCWarning(lcPlatform).noquote()
            << tr("%1 could not be written, which stops all saving; it is yours, so it was made "
                  "writable again")
                   .arg(repaired);
    }
    auto connection = std::make_unique<Connection>();
    int rc = connection->m_db.open(m_path);
    // SQLite would open the file for writing and then refuse every write.
    const bool sideFileBlocks = SqliteDatabase::unwritableSideFile(m_path).has_value();
    if (isOk(rc) && !connection->m_db.isReadOnly() && !sideFileBlocks) {
        sqlite3_busy_timeout(connection->handle(), busyTimeoutMs);
        rc = connection->exec(configureSql);
        if (isOk(rc))
            rc = createSchema(*connection);
    }
    // What may be read is shown even where nothing may be written.
    if (SqliteDatabase::isReadOnlyError(rc) ||
        (isOk(rc) && (connection->m_db.isReadOnly() || sideFileBlocks)))
        rc = openReadOnly(*connection);
    for (auto it = m_observers.begin(); it != m_observers.end() && isOk(rc); ++it)
        rc = (*it)->readOnOpening(*connection);
    if (!isOk(rc))
        return {rc, tr("Cannot open %1: %2").arg(m_path, connection->m_db.errorMessage(rc))};
    m_connection = std::move(connection);
    return {SQLITE_OK, {}};
}

int SqliteStoreFile::openReadOnly(Connection &connection)
{
    const QFileInfo file(m_path);
    const std::optional<QString> side = SqliteDatabase::unwritableSideFile(m_path);
    connection.m_readOnlyReason =
        side ? tr("%1 belongs to another user and cannot be written; remove it, or make it yours, "
                  "and Brimvale saves again")
                   .arg(*side)
        : !file.isWritable() ? tr("%1 is read-only").arg(m_path)
        : !QFileInfo(file.absolutePath()).isWritable()
            ? tr("the folder of %1 is read-only").arg(m_path)
            : tr("%1 refuses writing").arg(m_path);
    // With no journal left behind there is nothing but the file to read, and only
    // this process could write it: opened as immutable, SQLite makes no -shm file,
    // which would take the read-only mode and refuse writing once the file takes it.
    // A journal left behind must be read through, and brings its -shm file along.
    const QString reached = file.canonicalFilePath();
    const bool immutable =
        !QFileInfo::exists((reached.isEmpty() ? m_path : reached) + QStringLiteral("-wal"));
    int rc = connection.m_db.openReadOnly(m_path, immutable);
    if (isOk(rc))
        rc = connection.exec("SELECT count(*) FROM sqlite_schema");
    if (isOk(rc))
        sqlite3_busy_timeout(connection.handle(), busyTimeoutMs);
    return rc;
}

StoreStatus SqliteStoreFile::transaction(const QString &action, const Body &body)
{
    return m_writer.call([&] { return transactionHere(action, body); });
}

StoreStatus SqliteStoreFile::transactionHere(const QString &action, const Body &body)
{
    // A file opened for reading only may have become writable.
    if (m_connection && m_connection->isReadOnly())
        m_connection.reset();
    if (StoreStatus opened = openHere(); !opened.ok())
        return opened;
    if (m_connection->isReadOnly())
        return StoreError{tr("%1 failed: %2").arg(action, m_connection->m_readOnlyReason)};
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
    return m_writer.call([&]() -> std::optional<ReadFailure> {
        if (StoreStatus opened = openHere(); !opened.ok())
            return ReadFailure{opened.error(), std::nullopt};
        if (const int rc = body(*m_connection); !isOk(rc))
            return recordFailure(action, rc);
        return std::nullopt;
    });
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
