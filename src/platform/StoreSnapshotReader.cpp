#include "StoreSnapshotReader.h"

#include "SqliteStatement.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

bool isOk(int rc)
{
    return SqliteDatabase::isOk(rc);
}

// `?1, ?2, ...` for `count` keys.
QByteArray placeholders(qsizetype count)
{
    QByteArray list;
    for (qsizetype i = 1; i <= count; ++i)
        list += (i > 1 ? ", ?" : "?") + QByteArray::number(i);
    return list;
}

} // namespace

StoreSnapshotReader::StoreSnapshotReader(QString path) : m_path(std::move(path)) {}

StoreSnapshotReader::~StoreSnapshotReader()
{
    // Before the private copy goes.
    m_db.close();
}

bool StoreSnapshotReader::exists() const
{
    return QFileInfo::exists(m_path);
}

StoreStatus StoreSnapshotReader::open()
{
    const QFileInfo file(m_path);
    if (!file.isFile() || !file.isReadable())
        return StoreError{tr("Cannot read %1: %2")
                              .arg(m_path, file.exists() ? tr("it is not a readable file")
                                                         : tr("it does not exist"))};
    const QString reached = file.canonicalFilePath();
    const QString wal = reached + QStringLiteral("-wal");
    const QString shm = reached + QStringLiteral("-shm");
    int rc = SQLITE_OK;
    if (!QFileInfo::exists(wal)) {
        // Only a writer that opens the store meanwhile could change it, and it
        // writes to a new -wal first: the file itself holds still while it is read.
        rc = m_db.openReadOnly(reached, true);
    } else if (QFileInfo::exists(shm)) {
        rc = m_db.openReadOnly(reached, false);
    } else {
        // SQLite would create the -shm and leave it behind; SQLite's readonly_shm
        // wants it there. The -wal is no one's now: the last to close would have
        // removed it with the -shm.
        m_copy = std::make_unique<QTemporaryDir>();
        const QString copy = m_copy->filePath(QStringLiteral("store.sqlite3"));
        if (!m_copy->isValid() || !QFile::copy(reached, copy) ||
            !QFile::copy(wal, copy + QStringLiteral("-wal")))
            return StoreError{
                tr("Cannot read %1: its write-ahead log could not be copied to read it")
                    .arg(m_path)};
        rc = m_db.openReadOnly(copy, false);
    }
    if (isOk(rc))
        rc = m_db.exec("SELECT count(*) FROM sqlite_schema");
    if (isOk(rc))
        sqlite3_busy_timeout(m_db.handle(), 2000);
    if (!isOk(rc))
        return failure(rc);
    return {};
}

StoreError StoreSnapshotReader::failure(int rc) const
{
    return StoreError{tr("Cannot read %1: %2").arg(m_path, m_db.errorMessage(rc))};
}

StoreStatus StoreSnapshotReader::forEachItem(const QStringList &keys, const Visitor &visit)
{
    // One list walks its index backwards; several walk the table backwards, with
    // the unary plus keeping SQLite off the index, which would make it sort every
    // row before handing out the first.
    const QByteArray sql = keys.size() == 1
                               ? "SELECT id, item FROM clipboard_data WHERE list = ?1 "
                                 "ORDER BY id DESC"
                               : "SELECT id, item FROM clipboard_data WHERE +list IN (" +
                                     placeholders(keys.size()) + ") ORDER BY id DESC";
    SqliteStatement statement;
    statement.prepare(m_db.handle(), sql);
    for (qsizetype i = 0; i < keys.size(); ++i)
        statement.bind(int(i) + 1, keys.at(i));
    int rc = SQLITE_ROW;
    while ((rc = statement.step()) == SQLITE_ROW) {
        // What is not text is no item of the history.
        if (statement.columnType(1) != SQLITE_TEXT)
            continue;
        if (!visit(statement.columnInt64(0), statement.columnUtf8(1)))
            return {};
    }
    if (!isOk(rc))
        return failure(rc);
    return {};
}

StoreResult<std::optional<QByteArray>> StoreSnapshotReader::item(qint64 id, const QStringList &keys)
{
    SqliteStatement statement;
    statement.prepare(m_db.handle(), "SELECT list, item FROM clipboard_data WHERE id = ?1");
    statement.bind(1, id);
    const int rc = statement.step();
    if (rc == SQLITE_DONE)
        return std::optional<QByteArray>();
    if (rc != SQLITE_ROW)
        return failure(rc);
    if (statement.columnType(1) != SQLITE_TEXT || !keys.contains(statement.columnText(0)))
        return std::optional<QByteArray>();
    return std::optional<QByteArray>(statement.columnUtf8(1).toByteArray());
}
