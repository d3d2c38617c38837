#include "SqliteDatabase.h"

#include "InterruptibleVfs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QByteArrayView sqliteHeader("SQLite format 3\0", 16);

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

bool startsWithSqliteHeader(int fd)
{
    char header[16] = {};
    return ::pread(fd, header, sizeof header, 0) == ssize_t(sizeof header) &&
           QByteArrayView(header, sizeof header) == sqliteHeader;
}

bool isSqliteFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool isDatabase = startsWithSqliteHeader(fd);
    ::close(fd);
    return isDatabase;
}

// A store written before files were made private may still be open to others.
// Only this user's own SQLite file, reached without a link, is narrowed: the mode
// of anything else at the path (a user's file, a link's target) is not ours.
void narrowOwnStore(const QString &path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat status = {};
    // An empty file is one a start before made and left before SQLite wrote to it.
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
        (status.st_mode & 077) != 0 && (status.st_size == 0 || startsWithSqliteHeader(fd)))
        ::fchmod(fd, status.st_mode & 0700);
    ::close(fd);
}

// The journal and its index sit beside the file a link leads to.
QStringList sideFilesOf(const QString &path)
{
    const QString reached = QFileInfo(path).canonicalFilePath();
    const QString base = reached.isEmpty() ? path : reached;
    return {base + QStringLiteral("-wal"), base + QStringLiteral("-shm")};
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
    narrowOwnStore(path);
    // Without SQLITE_OPEN_CREATE: the file exists now, and SQLite must not make a
    // new one with wider permissions if it vanished in between.
    return openConnection(QFile::encodeName(path), SQLITE_OPEN_READWRITE);
}

int SqliteDatabase::openReadOnly(const QString &path, bool immutable)
{
    close();
    m_openError.clear();
    if (!immutable)
        return openConnection(QFile::encodeName(path), SQLITE_OPEN_READONLY);
    return openConnection(QUrl::fromLocalFile(path).toEncoded() + "?immutable=1",
                          SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
}

int SqliteDatabase::openConnection(const QByteArray &name, int flags)
{
    // No mutex: a connection is only ever used from the thread that opened it.
    const int rc = sqlite3_open_v2(name.constData(), &m_db, flags | SQLITE_OPEN_NOMUTEX,
                                   interruptibleVfsName());
    if (rc != SQLITE_OK) {
        m_openError = QString::fromUtf8(sqlite3_errmsg(m_db));
        close();
        return rc;
    }
    sqlite3_extended_result_codes(m_db, 1);
    return SQLITE_OK;
}

bool SqliteDatabase::isReadOnly() const
{
    return m_db && sqlite3_db_readonly(m_db, "main") == 1;
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

bool SqliteDatabase::isReadOnlyError(int rc)
{
    return (rc & 0xff) == SQLITE_READONLY;
}

std::optional<QString> SqliteDatabase::linkProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return std::nullopt;
    const QString target = info.symLinkTarget();
    const QString reached = info.canonicalFilePath();
    if (reached.isEmpty())
        return tr("it is a symbolic link to %1, which does not exist; the link is left as it is")
            .arg(target);
    if (!QFileInfo(reached).isFile())
        return tr("it is a symbolic link to %1, which is not a file; the link is left as it is")
            .arg(target);
    if (!isSqliteFile(reached))
        return tr("it is a symbolic link to %1, which is not an SQLite database; the link and "
                  "its target are left as they are")
            .arg(target);
    return std::nullopt;
}

QStringList SqliteDatabase::repairOwnSideFiles(const QString &path)
{
    QStringList repaired;
    for (const QString &side : sideFilesOf(path)) {
        const int fd = ::open(QFile::encodeName(side).constData(),
                              O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat status = {};
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
            (status.st_mode & (S_IRUSR | S_IWUSR)) != (S_IRUSR | S_IWUSR) &&
            ::fchmod(fd, S_IRUSR | S_IWUSR) == 0)
            repaired.append(side);
        ::close(fd);
    }
    return repaired;
}

std::optional<QString> SqliteDatabase::unwritableSideFile(const QString &path)
{
    for (const QString &side : sideFilesOf(path)) {
        const QByteArray native = QFile::encodeName(side);
        if (::access(native.constData(), F_OK) == 0 && ::access(native.constData(), W_OK) != 0)
            return side;
    }
    return std::nullopt;
}

std::optional<QString> SqliteDatabase::moveAside(const QString &path, QString *error)
{
    // Renaming a link would only hide it; what it leads to is the user's.
    if (const QFileInfo link(path); link.isSymLink()) {
        if (error)
            *error = tr("%1 is a symbolic link to %2, which cannot be read; the link and its "
                        "target are left as they are")
                         .arg(path, link.symLinkTarget());
        return std::nullopt;
    }
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
