#pragma once

#include "InstanceCommand.h"

#include <QObject>
#include <QStringList>

class QLocalServer;

// Where the running Brimvale hears later starts: the D-Bus name
// io.github.brimvale.Brimvale (org.freedesktop.Application: Activate, Open, and
// ActivateAction "show", "toggle", "quit") when the session has a bus, and a
// local socket (one line in, "ok" back) always, for starts that see no bus.
// Both wait in the event loop without a timer, so they cost no wakeups.
// Only the holder of the instance lock listens: it may remove a stale socket.
class InstanceServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceServer)

public:
    explicit InstanceServer(QString socketPath = instanceSocketPath(), QObject *parent = nullptr);
    ~InstanceServer() override;

    // Starts listening; returns what could not be set up, one line each.
    QStringList listen();
    bool isOnBus() const { return m_onBus; }
    QString socketPath() const { return m_socketPath; }

signals:
    void commandReceived(InstanceCommand command);

private:
    bool listenOnBus(QString *error);
    void acceptConnections();

    QString m_socketPath;
    QLocalServer *m_socket;
    QObject *m_busObject = nullptr;
    bool m_onBus = false;
};
