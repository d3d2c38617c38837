#include "InstanceServer.h"

#include "SocketPeer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusVariant>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>

#include <sys/stat.h>

namespace {

// A line longer than any command is no command.
constexpr qint64 maxLineLength = 64;

// An action's parameter as `gapplication action` and our own client send it: one
// integer, or a string of digits.
qint64 storeIdParameter(const QVariantList &parameter)
{
    if (parameter.size() != 1)
        return 0;
    QVariant value = parameter.first();
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    bool isNumber = false;
    const qint64 id = value.toLongLong(&isNumber);
    return isNumber ? id : 0;
}

// org.freedesktop.Application, as desktops and `gapplication action` call it.
class ApplicationObject final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
    Q_DISABLE_COPY_MOVE(ApplicationObject)

public:
    explicit ApplicationObject(InstanceServer *server) : QObject(server), m_server(server) {}

public slots:
    void Activate(const QVariantMap &platformData)
    {
        Q_UNUSED(platformData);
        emit m_server->commandReceived(InstanceCommand::Show);
    }

    void Open(const QStringList &uris, const QVariantMap &platformData)
    {
        Q_UNUSED(uris);
        Q_UNUSED(platformData);
        emit m_server->commandReceived(InstanceCommand::Show);
    }

    void ActivateAction(const QString &name, const QVariantList &parameter,
                        const QVariantMap &platformData)
    {
        Q_UNUSED(platformData);
        const std::optional<InstanceCommand> command = instanceCommandFromName(name);
        if (!command)
            return;
        const InstanceRequest request(*command,
                                      takesItem(*command) ? storeIdParameter(parameter) : 0);
        if (!m_server->handleRequest(request))
            sendErrorReply(QLatin1StringView(noSuchItemError),
                           InstanceServer::tr("No item has the id %1").arg(request.storeId));
    }

private:
    InstanceServer *m_server;
};

} // namespace

InstanceServer::InstanceServer(QString socketPath, QString fallbackSocketPath,
                               std::chrono::milliseconds idleTimeout, QObject *parent)
    : QObject(parent), m_socketPath(std::move(socketPath)),
      m_fallbackSocketPath(std::move(fallbackSocketPath)), m_idleTimeout(idleTimeout),
      m_socket(new QLocalServer(this))
{
    m_socket->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_socket, &QLocalServer::newConnection, this, &InstanceServer::acceptConnections);
}

InstanceServer::~InstanceServer()
{
    if (m_onBus) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QLatin1StringView(instanceObjectPath));
        bus.unregisterService(QLatin1StringView(instanceBusName));
    }
}

QStringList InstanceServer::listen()
{
    QStringList problems;
    QString busError;
    if (sessionBusExpected() && !listenOnBus(&busError))
        problems.append(busError);
    QString trouble;
    if (listenAt(m_socketPath, &trouble))
        return problems;
    QString fallbackTrouble;
    if (m_fallbackSocketPath.isEmpty() || m_fallbackSocketPath == m_socketPath ||
        !listenAt(m_fallbackSocketPath, &fallbackTrouble)) {
        problems.append(trouble);
        if (!fallbackTrouble.isEmpty())
            problems.append(fallbackTrouble);
        return problems;
    }
    problems.append(
        tr("%1; later starts reach Brimvale at %2 instead").arg(trouble, m_fallbackSocketPath));
    m_socketPath = m_fallbackSocketPath;
    return problems;
}

bool InstanceServer::listenAt(const QString &path, QString *error)
{
    struct stat found = {};
    if (::lstat(QFile::encodeName(path).constData(), &found) == 0) {
        // Something the user keeps there, or put there by mistake: not ours to remove.
        if (!S_ISSOCK(found.st_mode)) {
            *error = tr("%1 is not a socket and is left as it is").arg(path);
            return false;
        }
        // We hold the lock: a socket at the path is a crashed run's, or another
        // user's, which a folder closed to others lets us remove.
        QLocalServer::removeServer(path);
    }
    if (m_socket->listen(path))
        return true;
    *error = tr("cannot listen on %1 for later starts: %2").arg(path, m_socket->errorString());
    return false;
}

bool InstanceServer::listenOnBus(QString *error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = tr("cannot connect to the session bus: %1").arg(bus.lastError().message());
        return false;
    }
    if (!m_busObject)
        m_busObject = new ApplicationObject(this);
    if (!bus.registerObject(QLatin1StringView(instanceObjectPath), m_busObject,
                            QDBusConnection::ExportAllSlots)) {
        *error =
            tr("cannot register %1 on the session bus").arg(QLatin1StringView(instanceObjectPath));
        return false;
    }
    if (!bus.registerService(QLatin1StringView(instanceBusName))) {
        bus.unregisterObject(QLatin1StringView(instanceObjectPath));
        *error = tr("cannot own the name %1 on the session bus: %2")
                     .arg(QLatin1StringView(instanceBusName), bus.lastError().message());
        return false;
    }
    m_onBus = true;
    return true;
}

bool InstanceServer::handleRequest(const InstanceRequest &request)
{
    if (!takesItem(request.command)) {
        emit commandReceived(request.command);
        return true;
    }
    return request.storeId > 0 && m_itemHandler && m_itemHandler(request);
}

void InstanceServer::acceptConnections()
{
    while (QLocalSocket *client = m_socket->nextPendingConnection()) {
        // Its descriptor is closed when the object goes.
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        if (!socketPeerIsSelf(client->socketDescriptor())) {
            client->abort();
            client->deleteLater();
            continue;
        }
        serve(client);
    }
}

void InstanceServer::serve(QLocalSocket *client)
{
    auto *idle = new QTimer(client);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, client, [client] {
        client->abort();
        client->deleteLater();
    });
    idle->start(m_idleTimeout);
    connect(client, &QLocalSocket::readyRead, this, [this, client, idle] {
        if (!client->canReadLine()) {
            if (client->bytesAvailable() > maxLineLength)
                client->disconnectFromServer();
            return;
        }
        idle->stop();
        const QString line = QString::fromUtf8(client->readLine(maxLineLength)).trimmed();
        const std::optional<InstanceRequest> request = instanceRequestFromLine(line);
        if (!request) {
            client->write("unknown\n");
        } else if (takesItem(request->command)) {
            // Its requester waits to hear whether the item was there.
            client->write(handleRequest(*request) ? "ok\n" : "no-item\n");
        } else {
            client->write("ok\n");
        }
        client->flush();
        client->disconnectFromServer();
        // After the answer: a quit ends the program.
        if (request && !takesItem(request->command))
            emit commandReceived(request->command);
    });
}

#include "InstanceServer.moc"
