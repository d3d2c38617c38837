#include "SqlitePreferencesStore.h"

#include "DataLocation.h"
#include "Logging.h"
#include "SqliteDatabase.h"
#include "SqliteStatement.h"

#include <QDateTime>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>

namespace {

// Schema
//
//   preferences(key TEXT PRIMARY KEY, value)
//     One boolean per key, stored as 0 or 1. An absent key, or a value that is not
//     an integer, reads as false.
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

constexpr const char *createSchemaSql =
    "CREATE TABLE IF NOT EXISTS preferences(key TEXT PRIMARY KEY, value);"
    "CREATE TABLE IF NOT EXISTS clipboard_data(id INTEGER PRIMARY KEY, list TEXT NOT NULL, item);"
    "CREATE INDEX IF NOT EXISTS clipboard_data_by_list ON clipboard_data(list, id);";

constexpr int busyTimeoutMs = 2000;

bool isOk(int rc)
{
    return SqliteDatabase::isOk(rc);
}

QString describeType(int type)
{
    switch (type) {
    case SQLITE_INTEGER:
        return SqlitePreferencesStore::tr("an integer");
    case SQLITE_FLOAT:
        return SqlitePreferencesStore::tr("a real number");
    case SQLITE_BLOB:
        return SqlitePreferencesStore::tr("a blob");
    default:
        return SqlitePreferencesStore::tr("NULL");
    }
}

QString timeStamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
}

} // namespace

struct SqlitePreferencesStore::Connection
{
    // Statements first in, last out: they are finalized before the database closes.
    SqliteDatabase db;
    SqliteStatement begin;
    SqliteStatement commit;
    SqliteStatement rollback;
    SqliteStatement setBool;
    SqliteStatement insertItem;
    SqliteStatement deleteItem;
    SqliteStatement deleteList;
    SqliteStatement selectItems;

    int prepare()
    {
        const std::pair<SqliteStatement *, const char *> statements[] = {
            {&begin, "BEGIN IMMEDIATE"},
            {&commit, "COMMIT"},
            {&rollback, "ROLLBACK"},
            {&setBool, "INSERT INTO preferences(key, value) VALUES(?1, ?2) "
                       "ON CONFLICT(key) DO UPDATE SET value = excluded.value"},
            {&insertItem, "INSERT INTO clipboard_data(list, item) VALUES(?1, ?2)"},
            {&deleteItem, "DELETE FROM clipboard_data WHERE id = ?1"},
            {&deleteList, "DELETE FROM clipboard_data WHERE list = ?1"},
            {&selectItems, "SELECT id, list, item FROM clipboard_data ORDER BY id DESC"},
        };
        for (const auto &[statement, sql] : statements) {
            if (const int rc = statement->prepare(db.handle(), sql); rc != SQLITE_OK)
                return rc;
        }
        return SQLITE_OK;
    }
};

SqlitePreferencesStore::SqlitePreferencesStore(const QString &databasePath, QObject *parent)
    : PreferencesStore(parent), m_path(databasePath)
{
    ensureOpen();
}

SqlitePreferencesStore::~SqlitePreferencesStore() = default;

bool SqlitePreferencesStore::boolValue(const QString &key) const
{
    return m_bools.value(key, false);
}

bool SqlitePreferencesStore::setBoolValue(const QString &key, bool value)
{
    const bool changed = boolValue(key) != value;
    m_bools.insert(key, value);
    m_unsavedBools.insert(key);
    const bool written = write(tr("Saving \"%1\"").arg(key), [&](Connection &c) {
        c.setBool.bind(1, key);
        c.setBool.bind(2, qint64{value});
        return c.setBool.run();
    });
    if (written)
        m_unsavedBools.remove(key);
    if (changed)
        emit boolValueChanged(key, value);
    return written;
}

StoredHistory SqlitePreferencesStore::loadHistory()
{
    StoredHistory history;
    if (!ensureOpen()) {
        history.state = StoredHistory::State::Failed;
        return history;
    }
    SqliteStatement &select = m_connection->selectItems;
    // Few lists, many rows: a linear search over raw key bytes beats hashing a
    // QString per row.
    std::vector<std::pair<QByteArray, StoredList>> lists;
    int rc = SQLITE_OK;
    while ((rc = select.step()) == SQLITE_ROW) {
        const qint64 id = select.columnInt64(0);
        const QByteArrayView key = select.columnUtf8(1);
        auto list = std::find_if(lists.begin(), lists.end(),
                                 [&](const auto &entry) { return entry.first == key; });
        if (list == lists.end())
            list = lists.emplace(lists.end(), key.toByteArray(), StoredList{});
        if (const int type = select.columnType(2); type != SQLITE_TEXT) {
            history.state = StoredHistory::State::Unreadable;
            history.problem = tr("item %1 of \"%2\" is %3")
                                  .arg(id)
                                  .arg(QString::fromUtf8(list->first), describeType(type));
            select.reset();
            m_lastError.clear();
            return history;
        }
        list->second.texts.append(select.columnText(2));
        list->second.ids.push_back(id);
    }
    select.reset();
    if (!isOk(rc)) {
        if (const std::optional<QString> keptAs = recordFailure(tr("Reading the history"), rc)) {
            m_damagedFileKeptAs = *keptAs;
            history.state = StoredHistory::State::Unreadable;
            history.problem = tr("the file is damaged; it was kept as %1").arg(*keptAs);
        } else {
            history.state = StoredHistory::State::Failed;
        }
        return history;
    }
    m_lastError.clear();
    if (lists.empty())
        return history;
    history.state = StoredHistory::State::Loaded;
    for (auto &[key, list] : lists)
        history.lists.insert(QString::fromUtf8(key), std::move(list));
    return history;
}

std::optional<qint64> SqlitePreferencesStore::insertNewest(const QString &listKey,
                                                           const QString &text)
{
    qint64 id = 0;
    const bool written = write(tr("Saving a clipboard item"), [&](Connection &c) {
        c.insertItem.bind(1, listKey);
        c.insertItem.bind(2, text);
        const int rc = c.insertItem.run();
        id = sqlite3_last_insert_rowid(c.db.handle());
        return rc;
    });
    return written ? std::optional<qint64>(id) : std::nullopt;
}

bool SqlitePreferencesStore::removeItem(qint64 id)
{
    return write(tr("Removing a clipboard item"), [&](Connection &c) {
        c.deleteItem.bind(1, id);
        return c.deleteItem.run();
    });
}

std::optional<std::vector<qint64>> SqlitePreferencesStore::replaceList(const QString &listKey,
                                                                       const QStringList &texts)
{
    std::vector<qint64> ids(static_cast<size_t>(texts.size()));
    const bool written = write(tr("Saving the list \"%1\"").arg(listKey), [&](Connection &c) {
        c.deleteList.bind(1, listKey);
        int rc = c.deleteList.run();
        // Oldest first, so that ids grow towards the newest.
        for (qsizetype i = texts.size() - 1; i >= 0 && isOk(rc); --i) {
            c.insertItem.bind(1, listKey);
            c.insertItem.bind(2, texts.at(i));
            rc = c.insertItem.run();
            ids[static_cast<size_t>(i)] = sqlite3_last_insert_rowid(c.db.handle());
        }
        return rc;
    });
    return written ? std::optional(std::move(ids)) : std::nullopt;
}

bool SqlitePreferencesStore::retainOnlyLists(const QStringList &keys)
{
    return write(tr("Removing other lists"), [&](Connection &c) {
        QByteArray sql = "DELETE FROM clipboard_data";
        if (!keys.isEmpty()) {
            sql += " WHERE list NOT IN (?";
            sql += QByteArray(",?").repeated(keys.size() - 1);
            sql += ')';
        }
        SqliteStatement statement;
        if (const int rc = statement.prepare(c.db.handle(), sql); rc != SQLITE_OK)
            return rc;
        for (qsizetype i = 0; i < keys.size(); ++i)
            statement.bind(static_cast<int>(i + 1), keys.at(i));
        return statement.run();
    });
}

std::optional<QString> SqlitePreferencesStore::setAsideHistory()
{
    if (!m_damagedFileKeptAs.isEmpty())
        return std::exchange(m_damagedFileKeptAs, QString());
    QString table;
    const bool written = write(tr("Setting the history aside"), [&](Connection &c) {
        SqliteStatement exists;
        int rc = exists.prepare(c.db.handle(), "SELECT 1 FROM sqlite_schema WHERE name = ?1");
        const QString base = QStringLiteral("clipboard_data_unreadable_") + timeStamp();
        table = base;
        for (int n = 2; isOk(rc); ++n) {
            exists.bind(1, table);
            rc = exists.step();
            exists.reset();
            if (rc != SQLITE_ROW)
                break;
            table = base + u'_' + QString::number(n);
        }
        if (!isOk(rc))
            return rc;
        // The index name must be free for the new table; the kept rows need none.
        const QByteArray sql = "DROP INDEX IF EXISTS clipboard_data_by_list;"
                               "ALTER TABLE clipboard_data RENAME TO " +
                               table.toUtf8() + ';' + createSchemaSql;
        return c.db.exec(sql.constData());
    });
    if (!written)
        return std::nullopt;
    return tr("table %1 in %2").arg(table, m_path);
}

bool SqlitePreferencesStore::ensureOpen()
{
    if (m_connection)
        return true;
    int rc = openConnection();
    if (SqliteDatabase::isDamaged(rc) && moveDamagedFileAside())
        rc = openConnection();
    if (!isOk(rc))
        return false;
    saveUnsavedBools();
    // Values read as false while the file was out of reach may be true after all.
    for (const QString &key : std::exchange(m_reloadedBools, {}))
        emit boolValueChanged(key, boolValue(key));
    // A failure in saveUnsavedBools() closes the connection again.
    return isOpen();
}

int SqlitePreferencesStore::openConnection()
{
    const QString dir = QFileInfo(m_path).absolutePath();
    if (QString error; !QFileInfo(dir).isDir() && !ensurePrivateDir(dir, &error)) {
        m_lastError = tr("Cannot open %1: %2").arg(m_path, error);
        return SQLITE_CANTOPEN;
    }
    auto connection = std::make_unique<Connection>();
    int rc = connection->db.open(m_path);
    if (isOk(rc)) {
        sqlite3_busy_timeout(connection->db.handle(), busyTimeoutMs);
        rc = connection->db.exec(configureSql);
    }
    if (isOk(rc))
        rc = connection->db.exec(createSchemaSql);
    if (isOk(rc))
        rc = connection->prepare();
    if (isOk(rc))
        rc = loadBools(*connection);
    if (!isOk(rc)) {
        m_lastError = tr("Cannot open %1: %2").arg(m_path, connection->db.errorMessage(rc));
        return rc;
    }
    m_connection = std::move(connection);
    return SQLITE_OK;
}

int SqlitePreferencesStore::loadBools(Connection &connection)
{
    SqliteStatement select;
    int rc =
        select.prepare(connection.db.handle(),
                       "SELECT key, typeof(value) = 'integer' AND value <> 0 FROM preferences");
    if (!isOk(rc))
        return rc;
    while ((rc = select.step()) == SQLITE_ROW) {
        // A choice made while the file was out of reach wins over the file.
        const QString key = select.columnText(0);
        const bool value = select.columnInt64(1) != 0;
        if (m_unsavedBools.contains(key) || boolValue(key) == value)
            continue;
        m_bools.insert(key, value);
        // Told once the store is usable again, not from the middle of opening it.
        m_reloadedBools.append(key);
    }
    return rc;
}

void SqlitePreferencesStore::saveUnsavedBools()
{
    const QSet<QString> unsaved = m_unsavedBools;
    for (const QString &key : unsaved) {
        const bool written = write(tr("Saving \"%1\"").arg(key), [&](Connection &c) {
            c.setBool.bind(1, key);
            c.setBool.bind(2, qint64{m_bools.value(key)});
            return c.setBool.run();
        });
        if (!written)
            return;
        m_unsavedBools.remove(key);
    }
}

std::optional<QString> SqlitePreferencesStore::moveDamagedFileAside()
{
    m_connection.reset();
    QString error;
    const std::optional<QString> keptAs = SqliteDatabase::moveAside(m_path, &error);
    if (!keptAs) {
        m_lastError = error;
        return std::nullopt;
    }
    qCWarning(lcPlatform).noquote()
        << tr("%1 could not be read; it was kept as %2 and a new file started")
               .arg(m_path, *keptAs);
    // The new file must get the choices the session still knows.
    for (auto it = m_bools.cbegin(); it != m_bools.cend(); ++it)
        m_unsavedBools.insert(it.key());
    return keptAs;
}

bool SqlitePreferencesStore::write(const QString &action,
                                   const std::function<int(Connection &)> &body)
{
    if (!ensureOpen())
        return false;
    Connection &c = *m_connection;
    int rc = c.begin.run();
    if (isOk(rc))
        rc = body(c);
    if (isOk(rc))
        rc = c.commit.run();
    if (isOk(rc)) {
        m_lastError.clear();
        return true;
    }
    recordFailure(action, rc);
    return false;
}

std::optional<QString> SqlitePreferencesStore::recordFailure(const QString &action, int rc)
{
    Connection &c = *m_connection;
    m_lastError = tr("%1 failed: %2").arg(action, c.db.errorMessage(rc));
    if (!sqlite3_get_autocommit(c.db.handle()))
        c.rollback.run();
    if (SqliteDatabase::isDamaged(rc))
        return moveDamagedFileAside();
    // Reopening on the next operation recovers from a directory or disk that
    // comes back, without knowing which of the two it was.
    if ((rc & 0xff) != SQLITE_BUSY)
        m_connection.reset();
    return std::nullopt;
}
