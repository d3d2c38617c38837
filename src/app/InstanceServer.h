#pragma once

#include "InstanceCommand.h"

#include <QObject>
#include <QStringList>

#include <chrono>

class QLocalServer;
class QLocalSocket;

// Where the running Brimvale hears later starts: the D-Bus name
// io.github.brimvale.Brimvale (org.freedesktop.Application: Activate, Open, and
// ActivateAction "show", "toggle", "quit") when the session has a bus, and a
// local socket (one line in, "ok" back) always, for starts that see no bus.
// Both wait in the event loop without a timer, so they cost no wakeups; a
// connection has one only while it is open, since a client that never finishes
// its line would hold a file open for good.
// Only the holder of the instance lock listens: it may remove a stale socket. It
// answers only processes of its own user, whatever the socket's mode says.
class InstanceServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceServer)

public:
    explicit InstanceServer(QString socketPath = instanceSocketPath(),
                            QString fallbackSocketPath = instanceFallbackSocketPath(),
                            std::chrono::milliseconds idleTimeout = std::chrono::seconds(5),
                            QObject *parent = nullptr);
    ~InstanceServer() override;

    // Starts listening; returns what could not be set up, or where it listens
    // instead, one line each.
    QStringList listen();
    bool isOnBus() const { return m_onBus; }
    // Where it listens: the usual path, or the fallback when that was taken.
    QString socketPath() const { return m_socketPath; }

signals:
    void commandReceived(InstanceCommand command);

private:
    bool listenOnBus(QString *error);
    bool listenAt(const QString &path, QString *error);
    void acceptConnections();
    void serve(QLocalSocket *client);

    QString m_socketPath;
    QString m_fallbackSocketPath;
    std::chrono::milliseconds m_idleTimeout;
    QLocalServer *m_socket;
    QObject *m_busObject = nullptr;
    bool m_onBus = false;
};
