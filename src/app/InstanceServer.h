#pragma once

#include "InstanceCommand.h"

#include <QObject>
#include <QStringList>

#include <chrono>
#include <functional>

class QLocalServer;
class QLocalSocket;

// Where the running Brimvale hears later starts: the D-Bus name
// io.github.brimvale.Brimvale (org.freedesktop.Application: Activate, Open, and
// ActivateAction "show", "toggle", "quit", and "copy" and "delete" with an item's
// store id) when the session has a bus, and a local socket (one line in, "ok"
// back, or "no-item" for an id it does not hold) always, for starts that see no
// bus.
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
    // Carries out a request that names an item, whose answer the requester waits
    // for: false when no item has its id. Without one, no item is ever found.
    using ItemHandler = std::function<bool(const InstanceRequest &request)>;
    void setItemHandler(ItemHandler handler) { m_itemHandler = std::move(handler); }
    // What the request's answer says: carried out, or not for want of its item.
    bool handleRequest(const InstanceRequest &request);

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
    ItemHandler m_itemHandler;
};
