#pragma once

#include <QString>

// Keeps a second Brimvale of the same user from running: two monitors would
// record every copy twice into one history. The lock is an flock() on a file of
// this user's: the kernel lets it go with the process that held it, so a file
// left behind by a crash, a power cut or a full disk, whatever it holds, never
// stops a later start. The lock is held from a successful tryLock() until
// unlock() or destruction, which also removes the file.
class InstanceLock final
{
public:
    enum class State {
        Unlocked,
        Locked,
        // Another live process holds the lock: a running Brimvale.
        HeldByAnother,
        // The file could not be made or locked; errorString() says which and why.
        Failed,
    };

    explicit InstanceLock(const QString &lockFilePath = defaultPath());
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // $XDG_RUNTIME_DIR/brimvale.lock when that directory exists (it is private and
    // emptied at logout), else fallbackPath().
    static QString defaultPath();
    // brimvale.lock in brimvaleDataDir().
    static QString fallbackPath();
    // The lock that keeps one Brimvale per history, whatever each start's
    // environment: beside the store file, which every start of the same store
    // finds, unlike the runtime folder.
    static QString storeLockPath(const QString &storeFile);

    // Takes the lock without waiting. False when another live process holds it or
    // the file cannot be made; state() and errorString() then say which.
    bool tryLock();
    void unlock();
    bool isLocked() const { return m_state == State::Locked; }
    State state() const { return m_state; }
    QString errorString() const;
    // The process that holds the lock, as its lock file names it; 0 when unknown.
    qint64 ownerPid() const;

    QString path() const;

private:
    bool fail(const QString &reason);

    QString m_path;
    int m_fd = -1;
    State m_state = State::Unlocked;
    QString m_error;
};
