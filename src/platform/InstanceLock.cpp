#include "InstanceLock.h"

#include "DataLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Another start may remove or replace the file between our open() and flock();
// each such turn is one more try.
constexpr int maxAttempts = 20;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

qint64 pidInFile(int fd)
{
    char buffer[32] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0)
        return 0;
    bool ok = false;
    const qint64 pid = QByteArray(buffer, static_cast<qsizetype>(n))
                           .split('\n')
                           .constFirst()
                           .trimmed()
                           .toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

} // namespace

InstanceLock::InstanceLock(const QString &lockFilePath) : m_path(lockFilePath) {}

InstanceLock::~InstanceLock()
{
    unlock();
}

QString InstanceLock::defaultPath()
{
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty() && QDir::isAbsolutePath(runtimeDir) && QFileInfo(runtimeDir).isDir())
        return QDir(runtimeDir).filePath(QStringLiteral("brimvale.lock"));
    return fallbackPath();
}

QString InstanceLock::fallbackPath()
{
    return QDir(brimvaleDataDir()).filePath(QStringLiteral("brimvale.lock"));
}

QString InstanceLock::storeLockPath(const QString &storeFile)
{
    return storeFile + QLatin1StringView(".lock");
}

bool InstanceLock::tryLock()
{
    if (m_fd >= 0)
        return true;
    m_error.clear();
    const QString dir = QFileInfo(m_path).absolutePath();
    QString dirError;
    if (!QFileInfo(dir).isDir() && !ensurePrivateDir(dir, &dirError))
        return fail(dirError);
    const QByteArray path = QFile::encodeName(m_path);
    const uid_t me = ::geteuid();
    for (int attempt = 0; attempt < maxAttempts; ++attempt) {
        // Never through a link: it could make us create or truncate a file elsewhere.
        const int fd =
            ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                   S_IRUSR | S_IWUSR);
        if (fd < 0) {
            const int error = errno;
            struct stat found = {};
            if (error == ELOOP)
                return fail(QCoreApplication::translate(
                    "InstanceLock", "it is a symbolic link, which Brimvale does not follow"));
            // Left by another user (a start under sudo): it names no Brimvale of
            // ours, and the folder is ours to clear.
            if ((error == EACCES || error == EPERM) && ::lstat(path.constData(), &found) == 0 &&
                found.st_uid != me && ::unlink(path.constData()) == 0)
                continue;
            return fail(systemReason(error));
        }
        struct stat opened = {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            return fail(QCoreApplication::translate("InstanceLock", "it is not a regular file"));
        }
        if (opened.st_uid != me) {
            ::close(fd);
            if (::unlink(path.constData()) == 0)
                continue;
            return fail(QCoreApplication::translate("InstanceLock",
                                                    "it belongs to another user and cannot be "
                                                    "removed: %1")
                            .arg(systemReason(errno)));
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EWOULDBLOCK) {
                const qint64 pid = pidInFile(fd);
                ::close(fd);
                m_state = State::HeldByAnother;
                m_error = pid > 0 ? QCoreApplication::translate(
                                        "InstanceLock", "Brimvale is already running (process %1)")
                                        .arg(pid)
                                  : QCoreApplication::translate("InstanceLock",
                                                                "Brimvale is already running");
                return false;
            }
            ::close(fd);
            return fail(systemReason(error));
        }
        // The last holder removes the file as it lets go: a lock on a file that is
        // no longer at the path excludes nobody.
        struct stat atPath = {};
        if (::lstat(path.constData(), &atPath) != 0 || !sameFile(atPath, opened)) {
            ::close(fd);
            continue;
        }
        // Whatever the umask made of it, or an earlier run left.
        ::fchmod(fd, S_IRUSR | S_IWUSR);
        const QByteArray content = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
        if (::ftruncate(fd, 0) != 0 ||
            ::pwrite(fd, content.constData(), static_cast<size_t>(content.size()), 0) !=
                content.size()) {
            // The lock holds without its note; only ownerPid() of a later start misses it.
            m_error = QCoreApplication::translate("InstanceLock", "cannot write %1: %2")
                          .arg(m_path, systemReason(errno));
        }
        m_fd = fd;
        m_state = State::Locked;
        return true;
    }
    return fail(QCoreApplication::translate("InstanceLock", "it keeps being replaced"));
}

void InstanceLock::unlock()
{
    if (m_fd < 0)
        return;
    // Removed while still held, and only if it is still ours, so that no later
    // start can lock a file that is about to disappear unnoticed.
    const QByteArray path = QFile::encodeName(m_path);
    struct stat held = {};
    struct stat atPath = {};
    if (::fstat(m_fd, &held) == 0 && ::lstat(path.constData(), &atPath) == 0 &&
        sameFile(held, atPath))
        ::unlink(path.constData());
    ::close(m_fd);
    m_fd = -1;
    m_state = State::Unlocked;
}

bool InstanceLock::fail(const QString &reason)
{
    m_state = State::Failed;
    m_error = QCoreApplication::translate("InstanceLock", "cannot use the lock file %1: %2")
                  .arg(m_path, reason);
    return false;
}

QString InstanceLock::errorString() const
{
    return m_error;
}

qint64 InstanceLock::ownerPid() const
{
    const int fd =
        ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return 0;
    const qint64 pid = pidInFile(fd);
    ::close(fd);
    return pid;
}

QString InstanceLock::path() const
{
    return m_path;
}
