#include "InstanceLock.h"

#include "DataLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

InstanceLock::InstanceLock(const QString &lockFilePath)
    : m_lockFile(std::make_unique<QLockFile>(lockFilePath))
{
    // The lock is held for the life of the process: only a dead owner makes it
    // stale, never its age.
    m_lockFile->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

QString InstanceLock::defaultPath()
{
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty() && QDir::isAbsolutePath(runtimeDir) && QFileInfo(runtimeDir).isDir())
        return QDir(runtimeDir).filePath(QStringLiteral("brimvale.lock"));
    return QDir(brimvaleDataDir()).filePath(QStringLiteral("brimvale.lock"));
}

bool InstanceLock::tryLock()
{
    if (m_lockFile->isLocked())
        return true;
    const QString dir = QFileInfo(m_lockFile->fileName()).absolutePath();
    if (!QFileInfo(dir).isDir() && !ensurePrivateDir(dir, &m_error))
        return false;
    if (m_lockFile->tryLock(0)) {
        m_error.clear();
        return true;
    }
    switch (m_lockFile->error()) {
    case QLockFile::LockFailedError:
        m_error =
            QCoreApplication::translate("InstanceLock", "Brimvale is already running (process %1)")
                .arg(ownerPid());
        break;
    case QLockFile::PermissionError:
        m_error = QCoreApplication::translate("InstanceLock", "cannot create the lock file %1")
                      .arg(m_lockFile->fileName());
        break;
    case QLockFile::NoError:
    case QLockFile::UnknownError:
        m_error = QCoreApplication::translate("InstanceLock", "cannot lock %1")
                      .arg(m_lockFile->fileName());
        break;
    }
    return false;
}

bool InstanceLock::isLocked() const
{
    return m_lockFile->isLocked();
}

QString InstanceLock::errorString() const
{
    return m_error;
}

qint64 InstanceLock::ownerPid() const
{
    qint64 pid = 0;
    QString hostname;
    QString appname;
    if (!m_lockFile->getLockInfo(&pid, &hostname, &appname))
        return 0;
    return pid;
}

QString InstanceLock::path() const
{
    return m_lockFile->fileName();
}
