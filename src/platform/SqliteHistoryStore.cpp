#include "SqliteHistoryStore.h"

#include "SqliteStoreFile.h"
#include "SqliteTables.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <utility>

namespace {

constexpr const char *insertItemSql =
    "INSERT INTO clipboard_data(id, list, item) VALUES(?1, ?2, ?3)";

constexpr const char *forgetPinSql = "DELETE FROM pinned_items WHERE item_id = ?1";

bool isOk(int rc)
{
    return SqliteDatabase::isOk(rc);
}

// Without a usable pin table (another program's table under its name) nothing is
// pinned, and a statement about pins must not stop the history's own writes.
int runAboutPins(SqliteStoreFile::Connection &c, const char *sql, qint64 id = 0)
{
    SqliteStatement &statement = c.statement(sql);
    if (!statement.isValid())
        return SQLITE_OK;
    if (id != 0)
        statement.bind(1, id);
    return statement.run();
}

bool pinTableUsable(sqlite3 *db)
{
    return SqliteTables::judge(db, "pinned_items", {{"item_id", true, true}, {"position"}}).shape ==
           SqliteTables::Judgement::Shape::Expected;
}

// The ids pinned, in pin order, of items the store still holds.
int readPins(SqliteStoreFile::Connection &c, std::vector<qint64> &pins)
{
    if (!pinTableUsable(c.handle()))
        return SQLITE_OK;
    SqliteStatement &select =
        c.statement("SELECT p.item_id FROM pinned_items AS p JOIN clipboard_data AS c ON c.id = "
                    "p.item_id ORDER BY p.position, p.item_id");
    int rc = SQLITE_OK;
    while ((rc = select.step()) == SQLITE_ROW)
        pins.push_back(select.columnInt64(0));
    select.reset();
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

QString describeType(int type)
{
    switch (type) {
    case SQLITE_INTEGER:
        return SqliteHistoryStore::tr("an integer");
    case SQLITE_FLOAT:
        return SqliteHistoryStore::tr("a real number");
    case SQLITE_BLOB:
        return SqliteHistoryStore::tr("a blob");
    default:
        return SqliteHistoryStore::tr("NULL");
    }
}

} // namespace

SqliteHistoryStore::SqliteHistoryStore(SqliteStoreFile &file) : m_file(file)
{
    m_file.addObserver(this);
    // Adding an observer closes the file; it was open for those before.
    static_cast<void>(m_file.open());
}

SqliteHistoryStore::~SqliteHistoryStore()
{
    m_file.removeObserver(this);
}

void SqliteHistoryStore::setRecordLostHandler(RecordLost handler)
{
    m_file.writer().call([&] { m_recordLost = std::move(handler); });
}

void SqliteHistoryStore::fileMovedAside()
{
    if (m_recordLost)
        m_recordLost(0);
}

qint64 SqliteHistoryStore::sizeHint() const
{
    const QString path = m_file.path();
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

HistoryRecord SqliteHistoryStore::loadLists(const QStringList &keys)
{
    if (StoreWriter &writer = m_file.writer(); !writer.isWriterThread())
        return writer.call([&] { return loadLists(keys); });
    HistoryRecord history;
    // Few lists, many rows: a linear search over raw key bytes beats hashing a
    // QString per row.
    std::vector<std::pair<QByteArray, StoredList>> lists;
    for (const QString &key : keys)
        lists.emplace_back(key.toUtf8(), StoredList{});
    const auto failure =
        m_file.read(tr("Reading the history"), [&](SqliteStoreFile::Connection &c) {
            const SqliteTables::Judgement table = SqliteTables::judge(
                c.handle(), "clipboard_data", {{"id", true, true}, {"list"}, {"item"}});
            if (table.shape != SqliteTables::Judgement::Shape::Expected) {
                if (table.shape == SqliteTables::Judgement::Shape::Other) {
                    history.state = HistoryRecord::State::Unreadable;
                    history.problem = table.problem;
                }
                return table.rc;
            }
            SqliteStatement &select =
                c.statement("SELECT id, list, item FROM clipboard_data ORDER BY id DESC");
            int rc = SQLITE_OK;
            while ((rc = select.step()) == SQLITE_ROW) {
                const qint64 id = select.columnInt64(0);
                // Rows come highest id first, whatever their list.
                if (history.maxId == 0)
                    history.maxId = id;
                const QByteArrayView key = select.columnUtf8(1);
                auto list = std::find_if(lists.begin(), lists.end(),
                                         [&](const auto &entry) { return entry.first == key; });
                if (list == lists.end() && !keys.isEmpty())
                    continue;
                if (list == lists.end())
                    list = lists.emplace(lists.end(), key.toByteArray(), StoredList{});
                if (const int type = select.columnType(2); type != SQLITE_TEXT) {
                    history.state = HistoryRecord::State::Unreadable;
                    history.problem = tr("item %1 of \"%2\" is %3")
                                          .arg(id)
                                          .arg(QString::fromUtf8(list->first), describeType(type));
                    select.reset();
                    return SQLITE_OK;
                }
                list->second.append(select.columnUtf8(2), id);
            }
            select.reset();
            if (rc == SQLITE_DONE)
                rc = readPins(c, history.pins);
            // The pages just read are not read again: let the cache go (2 MB of a
            // 100,000-item history).
            sqlite3_db_release_memory(c.handle());
            return rc;
        });
    if (failure) {
        if (failure->damagedFileKeptAs) {
            m_damagedFileKeptAs = *failure->damagedFileKeptAs;
            history.state = HistoryRecord::State::Unreadable;
            history.problem = tr("the file is damaged; it was kept as %1").arg(m_damagedFileKeptAs);
        } else {
            history.state = HistoryRecord::State::Failed;
            history.error = failure->message;
        }
        return history;
    }
    if (history.state == HistoryRecord::State::Unreadable)
        return history;
    if (m_file.isReadOnly())
        history.notWritable = m_file.readOnlyReason();
    std::erase_if(lists, [](const auto &entry) { return entry.second.ids.empty(); });
    if (lists.empty())
        return history;
    history.state = HistoryRecord::State::Loaded;
    for (auto &[key, list] : lists)
        history.lists.insert(QString::fromUtf8(key), std::move(list));
    return history;
}

StoreResult<qint64> SqliteHistoryStore::insertItem(const QString &listKey, qint64 id,
                                                   const QByteArray &utf8)
{
    qint64 stored = 0;
    const StoreStatus status =
        m_file.transaction(tr("Saving a clipboard item"), [&](SqliteStoreFile::Connection &c) {
            SqliteStatement &insert = c.statement(insertItemSql);
            if (id > 0)
                insert.bind(1, id);
            insert.bind(2, listKey);
            insert.bindUtf8(3, utf8);
            int rc = insert.run();
            stored = sqlite3_last_insert_rowid(c.handle());
            // A pin left by an older version under this id is not the new item's.
            if (isOk(rc))
                rc = runAboutPins(c, forgetPinSql, stored);
            if ((rc & 0xff) == SQLITE_CONSTRAINT && id > 0 && m_recordLost) {
                // Another program stored a row meanwhile, under the id given here.
                SqliteStatement &maxId = c.statement("SELECT max(id) FROM clipboard_data");
                if (maxId.step() == SQLITE_ROW)
                    m_recordLost(maxId.columnInt64(0));
                maxId.reset();
            }
            return rc;
        });
    if (!status.ok())
        return StoreError{status.error()};
    return stored;
}

StoreStatus SqliteHistoryStore::removeItem(qint64 id)
{
    return m_file.transaction(tr("Removing a clipboard item"), [&](SqliteStoreFile::Connection &c) {
        SqliteStatement &remove = c.statement("DELETE FROM clipboard_data WHERE id = ?1");
        remove.bind(1, id);
        const int rc = remove.run();
        return isOk(rc) ? runAboutPins(c, forgetPinSql, id) : rc;
    });
}

StoreStatus SqliteHistoryStore::pinItem(qint64 id)
{
    return m_file.transaction(tr("Pinning a clipboard item"), [&](SqliteStoreFile::Connection &c) {
        int rc = SQLITE_OK;
        if (!pinTableUsable(c.handle())) {
            // Made anew: a table of another shape under its name is kept aside, a
            // view (which holds nothing) goes.
            using Shape = SqliteTables::Judgement::Shape;
            const Shape found = SqliteTables::judge(c.handle(), "pinned_items", {}).shape;
            if (found == Shape::Expected)
                rc = SqliteTables::renameAside(c.handle(), QStringLiteral("pinned_items"), nullptr);
            else if (found == Shape::Other)
                rc = c.exec("DROP VIEW IF EXISTS pinned_items");
            if (isOk(rc))
                rc = c.exec(SqliteStoreFile::createSchemaSql());
        }
        SqliteStatement &pin =
            c.statement("INSERT OR IGNORE INTO pinned_items(item_id, position) "
                        "SELECT ?1, coalesce(max(position), 0) + 1 FROM pinned_items");
        if (isOk(rc)) {
            pin.bind(1, id);
            rc = pin.run();
        }
        return rc;
    });
}

StoreStatus SqliteHistoryStore::unpinItem(qint64 id)
{
    return m_file.transaction(
        tr("Unpinning a clipboard item"),
        [&](SqliteStoreFile::Connection &c) { return runAboutPins(c, forgetPinSql, id); });
}

StoreStatus SqliteHistoryStore::removeUnpinned(const QString &listKey)
{
    return m_file.transaction(
        tr("Clearing the list \"%1\"").arg(listKey), [&](SqliteStoreFile::Connection &c) {
            const char *sql = pinTableUsable(c.handle())
                                  ? "DELETE FROM clipboard_data WHERE list = ?1 AND id NOT IN "
                                    "(SELECT item_id FROM pinned_items)"
                                  : "DELETE FROM clipboard_data WHERE list = ?1";
            SqliteStatement &remove = c.statement(sql);
            remove.bind(1, listKey);
            return remove.run();
        });
}

StoreResult<std::vector<qint64>> SqliteHistoryStore::replaceList(const QString &listKey,
                                                                 const QStringList &texts,
                                                                 const std::vector<qint64> &ids)
{
    Q_ASSERT(ids.empty() || std::size_t(texts.size()) == ids.size());
    std::vector<qint64> stored(static_cast<std::size_t>(texts.size()));
    const StoreStatus status = m_file.transaction(
        tr("Saving the list \"%1\"").arg(listKey), [&](SqliteStoreFile::Connection &c) {
            SqliteStatement &removeList = c.statement("DELETE FROM clipboard_data WHERE list = ?1");
            removeList.bind(1, listKey);
            int rc = removeList.run();
            // The list's pins named its old ids; whoever rewrites it pins anew.
            if (isOk(rc))
                rc = runAboutPins(c, "DELETE FROM pinned_items WHERE item_id NOT IN "
                                     "(SELECT id FROM clipboard_data)");
            SqliteStatement &insert = c.statement(insertItemSql);
            // Oldest first: ids the store chooses grow towards the newest.
            for (qsizetype i = texts.size() - 1; i >= 0 && isOk(rc); --i) {
                if (!ids.empty())
                    insert.bind(1, ids[std::size_t(i)]);
                insert.bind(2, listKey);
                insert.bind(3, texts.at(i));
                rc = insert.run();
                stored[std::size_t(i)] = sqlite3_last_insert_rowid(c.handle());
            }
            return rc;
        });
    if (!status.ok())
        return StoreError{status.error()};
    return stored;
}

StoreStatus SqliteHistoryStore::retainOnlyLists(const QStringList &keys)
{
    return m_file.transaction(tr("Removing other lists"), [&](SqliteStoreFile::Connection &c) {
        QByteArray sql = "DELETE FROM clipboard_data";
        if (!keys.isEmpty()) {
            sql += " WHERE list NOT IN (?";
            sql += QByteArray(",?").repeated(keys.size() - 1);
            sql += ')';
        }
        SqliteStatement statement;
        if (const int rc = statement.prepare(c.handle(), sql); rc != SQLITE_OK)
            return rc;
        for (qsizetype i = 0; i < keys.size(); ++i)
            statement.bind(static_cast<int>(i + 1), keys.at(i));
        return statement.run();
    });
}

StoreResult<QString> SqliteHistoryStore::setAsideHistory()
{
    if (StoreWriter &writer = m_file.writer(); !writer.isWriterThread())
        return writer.call([&] { return setAsideHistory(); });
    if (!m_damagedFileKeptAs.isEmpty())
        return std::exchange(m_damagedFileKeptAs, QString());
    QString table;
    const StoreStatus status =
        m_file.transaction(tr("Setting the history aside"), [&](SqliteStoreFile::Connection &c) {
            // The index name must be free for the new table; the kept rows need none.
            int rc = c.exec("DROP INDEX IF EXISTS clipboard_data_by_list");
            if (isOk(rc))
                rc =
                    SqliteTables::renameAside(c.handle(), QStringLiteral("clipboard_data"), &table);
            if (isOk(rc))
                rc = c.exec(SqliteStoreFile::createSchemaSql());
            // The kept rows' pins would name the new table's items.
            if (isOk(rc))
                rc = runAboutPins(c, "DELETE FROM pinned_items");
            return rc;
        });
    if (!status.ok())
        return StoreError{status.error()};
    return tr("table %1 in %2").arg(table, m_file.path());
}
