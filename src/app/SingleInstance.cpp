#include "SingleInstance.h"

#include "AppLogging.h"
#include "InstanceClient.h"
#include "InstanceLock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStringList>
#include <QThread>

namespace {

// How often a later start looks again while the winner of a race sets up.
constexpr std::chrono::milliseconds retryInterval(50);
constexpr std::chrono::milliseconds answerTimeout(2000);

} // namespace

SingleInstance::SingleInstance(QString lockPath, QString fallbackLockPath, QString storeLockPath,
                               QStringList socketPaths)
    : m_lockPath(std::move(lockPath)), m_fallbackLockPath(std::move(fallbackLockPath)),
      m_storeLockPath(std::move(storeLockPath)), m_socketPaths(std::move(socketPaths))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::holdsLock() const
{
    return m_lock && m_lock->isLocked();
}

SingleInstance::Outcome SingleInstance::claim(std::optional<InstanceRequest> request,
                                              std::chrono::milliseconds patience)
{
    const bool command = request.has_value();
    const QDeadlineTimer deadline(patience);
    QString lastError;
    for (;;) {
        const bool free = takeLock();
        if (free && (m_lock->isLocked() || !command))
            return claimStore(request);
        if (!command)
            return Outcome::Delivered;
        // Held, or no lock to be had: a running one may still be there to answer.
        const InstanceDelivery delivery =
            sendToRunningInstance(*request, m_socketPaths, answerTimeout, &lastError);
        if (delivery == InstanceDelivery::Delivered)
            return Outcome::Delivered;
        if (delivery == InstanceDelivery::NoSuchItem) {
            m_message = QCoreApplication::translate("SingleInstance", "No item has the id %1")
                            .arg(request->storeId);
            return Outcome::NoSuchItem;
        }
        if (free)
            return claimStore(request);
        // Another user's socket stays where it is however long we wait.
        if (delivery == InstanceDelivery::ForeignListener || deadline.hasExpired())
            break;
        QThread::msleep(static_cast<unsigned long>(retryInterval.count()));
    }
    const qint64 pid = m_lock ? m_lock->ownerPid() : 0;
    m_message =
        (pid > 0
             ? QCoreApplication::translate(
                   "SingleInstance", "Brimvale is already running (process %1), but it does not "
                                     "answer: %2")
                   .arg(pid)
             : QCoreApplication::translate(
                   "SingleInstance", "Brimvale is already running, but it does not answer: %1"))
            .arg(lastError);
    return Outcome::NoAnswer;
}

SingleInstance::Outcome SingleInstance::claimStore(std::optional<InstanceRequest> request)
{
    m_storeLock = std::make_unique<InstanceLock>(m_storeLockPath);
    if (!m_storeLock->tryLock() && m_storeLock->state() == InstanceLock::State::HeldByAnother) {
        const qint64 pid = m_storeLock->ownerPid();
        m_storeLock.reset();
        m_lock.reset();
        const QString folder = QFileInfo(m_storeLockPath).absolutePath();
        m_message =
            (pid > 0 ? QCoreApplication::translate(
                           "SingleInstance",
                           "Brimvale is already running (process %1) with the history in %2, "
                           "but this start cannot reach it: it was started with another "
                           "XDG_RUNTIME_DIR")
                           .arg(pid)
                     : QCoreApplication::translate(
                           "SingleInstance",
                           "Brimvale is already running with the history in %1, but this start "
                           "cannot reach it: it was started with another XDG_RUNTIME_DIR"))
                .arg(folder);
        return Outcome::StoreInUse;
    }
    // A store lock that cannot be made stops nothing the runtime lock allowed: the
    // store then says for itself what it cannot do.
    if (!m_storeLock->isLocked())
        qCWarning(lcApp, "%s", qPrintable(m_storeLock->errorString()));
    // Only a running Brimvale can carry these out; none is started for them.
    if (request && (request->command == InstanceCommand::Quit || takesItem(request->command))) {
        m_storeLock.reset();
        m_lock.reset();
        m_message = QCoreApplication::translate("SingleInstance", "Brimvale is not running");
        return Outcome::NothingRunning;
    }
    return Outcome::Run;
}

bool SingleInstance::takeLock()
{
    QStringList paths{m_lockPath};
    if (!m_fallbackLockPath.isEmpty() && m_fallbackLockPath != m_lockPath)
        paths.append(m_fallbackLockPath);
    for (const QString &path : std::as_const(paths)) {
        m_lock = std::make_unique<InstanceLock>(path);
        if (m_lock->tryLock())
            return true;
        if (m_lock->state() == InstanceLock::State::HeldByAnother)
            return false;
        if (!m_reportedLockTrouble)
            qCWarning(lcApp, "%s", qPrintable(m_lock->errorString()));
    }
    if (!m_reportedLockTrouble)
        qCWarning(lcApp, "%s",
                  qPrintable(QCoreApplication::translate(
                      "SingleInstance", "no lock file can be used; Brimvale runs without one")));
    m_reportedLockTrouble = true;
    return true;
}
