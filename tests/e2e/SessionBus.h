#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

// A private session bus, as a desktop session has one.
class SessionBus final
{
public:
    SessionBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        if (m_daemon.waitForReadyRead(10000))
            m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }
    ~SessionBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    SessionBus(const SessionBus &) = delete;
    SessionBus &operator=(const SessionBus &) = delete;

    QString address() const { return m_address; }

    // The unique name that owns `name` on this bus, empty when none does.
    QString owner(const QString &name) const
    {
        QProcess gdbus;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        gdbus.setProcessEnvironment(env);
        gdbus.start(QStringLiteral("gdbus"),
                    {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                     QStringLiteral("org.freedesktop.DBus"), QStringLiteral("--object-path"),
                     QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("--method"),
                     QStringLiteral("org.freedesktop.DBus.GetNameOwner"), name});
        if (!gdbus.waitForFinished(10000) || gdbus.exitCode() != 0)
            return {};
        return QString::fromUtf8(gdbus.readAllStandardOutput().trimmed());
    }

private:
    QProcess m_daemon;
    QString m_address;
};
