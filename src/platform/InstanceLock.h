#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Keeps a second Brimvale of the same user from running: two monitors would
// record every copy twice into one history. The lock is held from a successful
// tryLock() until the object is destroyed; a lock left by a process that died is
// taken over.
class InstanceLock final
{
public:
    explicit InstanceLock(const QString &lockFilePath = defaultPath());
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // $XDG_RUNTIME_DIR/brimvale.lock when that directory exists (it is private and
    // emptied at logout), else brimvale.lock in brimvaleDataDir().
    static QString defaultPath();

    // Takes the lock without waiting. False when another live process holds it or
    // the file cannot be made; errorString() then says which.
    bool tryLock();
    bool isLocked() const;
    QString errorString() const;
    // The process that holds the lock, when it can be read from the lock file.
    qint64 ownerPid() const;

    QString path() const;

private:
    std::unique_ptr<QLockFile> m_lockFile;
    QString m_error;
};
