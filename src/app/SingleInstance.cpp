#include "SingleInstance.h"

#include "AppLogging.h"
#include "InstanceClient.h"
#include "InstanceLock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>
#include <QThread>

namespace {

// How often a later start looks again while the winner of a race sets up.
constexpr std::chrono::milliseconds retryInterval(50);
constexpr std::chrono::milliseconds answerTimeout(2000);

} // namespace

SingleInstance::SingleInstance(QString lockPath, QString fallbackLockPath, QString socketPath)
    : m_lockPath(std::move(lockPath)), m_fallbackLockPath(std::move(fallbackLockPath)),
      m_socketPath(std::move(socketPath))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::holdsLock() const
{
    return m_lock && m_lock->isLocked();
}

SingleInstance::Outcome SingleInstance::claim(std::optional<InstanceCommand> command,
                                              std::chrono::milliseconds patience)
{
    const QDeadlineTimer deadline(patience);
    QString lastError;
    for (;;) {
        const bool free = takeLock();
        if (free && m_lock->isLocked() && command == InstanceCommand::Quit) {
            m_lock.reset();
            m_message = QCoreApplication::translate("SingleInstance", "Brimvale is not running");
            return Outcome::NothingRunning;
        }
        if (free && m_lock->isLocked())
            return Outcome::Run;
        if (!command)
            return free ? Outcome::Run : Outcome::Delivered;
        // Held, or no lock to be had: a running one may still be there to answer.
        if (sendToRunningInstance(*command, m_socketPath, answerTimeout, &lastError))
            return Outcome::Delivered;
        if (free)
            return command == InstanceCommand::Quit ? Outcome::NothingRunning : Outcome::Run;
        if (deadline.hasExpired())
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
