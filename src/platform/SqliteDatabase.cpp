#include "SqliteDatabase.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr QFile::Permissions othersPermissions = QFile::ReadGroup | QFile::WriteGroup |
                                                 QFile::ExeGroup | QFile::ReadOther |
                                                 QFile::WriteOther | QFile::ExeOther;

QString tr(const char *text)
{
    return QCoreApplication::translate("SqliteDatabase", text);
}

// SQLite would create the file with 0644 less the umask; making it ourselves first
// keeps the history unreadable to others from the first byte.
bool createPrivateFile(const QString &path)
{
    const QByteArray nativePath = QFile::encodeName(path);
    const int fd = ::open(nativePath.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST;
    ::close(fd);
    return true;
}

} // namespace

SqliteDatabase::~SqliteDatabase()
{
    close();
}

int SqliteDatabase::open(const QString &path)
{
    close();
    m_openError.clear();
    if (!createPrivateFile(path)) {
        m_openError = QString::fromLocal8Bit(std::strerror(errno));
        return SQLITE_CANTOPEN;
    }
    const QFileInfo info(path);
    if ((info.permissions() & othersPermissions) && info.isFile())
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    // Without SQLITE_OPEN_CREATE: the file exists now, and SQLite must not make a
    // new one with wider permissions if it vanished in between. No mutex: a
    // connection is only ever used from the thread that opened it.
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        m_openError = QString::fromUtf8(sqlite3_errmsg(m_db));
        close();
        return rc;
    }
    sqlite3_extended_result_codes(m_db, 1);
    return SQLITE_OK;
}

void SqliteDatabase::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

int SqliteDatabase::exec(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
}

QString SqliteDatabase::errorMessage(int fallback) const
{
    if (m_db && sqlite3_errcode(m_db) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(m_db));
    if (!m_db && !m_openError.isEmpty())
        return m_openError;
    return QString::fromUtf8(sqlite3_errstr(fallback));
}

bool SqliteDatabase::isOk(int rc)
{
    return rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW;
}

bool SqliteDatabase::isDamaged(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

std::optional<QString> SqliteDatabase::moveAside(const QString &path, QString *error)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    QString target = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(target) || QFileInfo::exists(target + QStringLiteral("-wal"));
         ++n)
        target = path + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
    // QFile::rename() never replaces an existing file.
    QFile file(path);
    if (!file.rename(target)) {
        if (error)
            *error = tr("cannot move %1 aside: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    // The -wal file may hold committed changes of the damaged file; it belongs
    // with it. The -shm file is only an index of the -wal file.
    const QString wal = path + QStringLiteral("-wal");
    if (QFileInfo::exists(wal))
        QFile::rename(wal, target + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    return target;
}
