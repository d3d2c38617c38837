#pragma once

#include "InstanceCommand.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

class InstanceLock;

// Decides, at start, whether this process is the Brimvale of this user or a
// messenger to the one that runs. The instance lock decides who runs, so that
// of any number of simultaneous starts exactly one does; the others hand their
// command over, waiting for the winner to listen if they must. The winner also
// takes the store's lock: a Brimvale started with another runtime folder holds
// the same history but cannot be reached, and two on one store would record
// every copy twice and bring back what the other deleted.
class SingleInstance final
{
public:
    enum class Outcome {
        // This process holds the lock (or none can be had): run.
        Run,
        // The running Brimvale took the command, or there was none to give.
        Delivered,
        // --quit, --copy or --delete with no Brimvale running; message() says so.
        NothingRunning,
        // The running Brimvale holds no item under the request's id.
        NoSuchItem,
        // One runs but did not answer in time; message() says so.
        NoAnswer,
        // Another Brimvale holds the store and is out of reach; message() says so.
        StoreInUse,
    };

    // `socketPaths`: where a running Brimvale may listen, in the order it tries them.
    SingleInstance(QString lockPath, QString fallbackLockPath, QString storeLockPath,
                   QStringList socketPaths);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // `request` is what to ask of a running Brimvale; nullopt asks nothing (a
    // start from the session's autostart). Lock trouble is reported as it is met.
    Outcome claim(std::optional<InstanceRequest> request,
                  std::chrono::milliseconds patience = std::chrono::seconds(10));
    QString message() const { return m_message; }
    bool holdsLock() const;

private:
    // Takes the lock at the usual path, or at the fallback when that cannot be
    // used; false when a running Brimvale holds it.
    bool takeLock();
    // Once no Brimvale is found to answer: the store's lock decides whether this
    // one may run (or, for --quit, whether none runs).
    Outcome claimStore(std::optional<InstanceRequest> request);

    QString m_lockPath;
    QString m_fallbackLockPath;
    QString m_storeLockPath;
    QStringList m_socketPaths;
    std::unique_ptr<InstanceLock> m_lock;
    // Declared after m_lock so that it is let go first: a start that wins the
    // runtime lock next must find the store free.
    std::unique_ptr<InstanceLock> m_storeLock;
    bool m_reportedLockTrouble = false;
    QString m_message;
};
