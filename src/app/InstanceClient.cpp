#include "InstanceClient.h"

#include "SocketPeer.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QLocalSocket>
#include <QVariantMap>

namespace {

InstanceDelivery sendOnBus(const InstanceRequest &request, std::chrono::milliseconds timeout,
                           QString *error)
{
    const InstanceCommand command = request.command;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = bus.lastError().message();
        return InstanceDelivery::NoAnswer;
    }
    const QString service = QLatin1StringView(instanceBusName);
    const QString path = QLatin1StringView(instanceObjectPath);
    const QString interface = QLatin1StringView(applicationInterface);
    QDBusMessage message =
        command == InstanceCommand::Show
            ? QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Activate"))
            : QDBusMessage::createMethodCall(service, path, interface,
                                             QStringLiteral("ActivateAction"));
    if (command != InstanceCommand::Show) {
        message << instanceCommandName(command)
                << (takesItem(command) ? QVariantList{QVariant::fromValue(request.storeId)}
                                       : QVariantList());
    }
    message << QVariantMap();
    // The lock says one runs; bus activation would start another.
    message.setAutoStartService(false);
    const QDBusMessage reply = bus.call(message, QDBus::Block, static_cast<int>(timeout.count()));
    if (reply.type() == QDBusMessage::ReplyMessage)
        return InstanceDelivery::Delivered;
    *error = reply.errorMessage();
    return reply.errorName() == QLatin1StringView(noSuchItemError) ? InstanceDelivery::NoSuchItem
                                                                   : InstanceDelivery::NoAnswer;
}

InstanceDelivery sendOnSocket(const InstanceRequest &request, const QString &socketPath,
                              std::chrono::milliseconds timeout, QString *error)
{
    QLocalSocket socket;
    const int waitMs = static_cast<int>(timeout.count());
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(waitMs)) {
        *error = QCoreApplication::translate("InstanceClient", "%1: %2")
                     .arg(socketPath, socket.errorString());
        return InstanceDelivery::NoAnswer;
    }
    // Checked before a word is sent: in a folder others can write, the socket may
    // be anyone's, and --quit must not report a Brimvale ended that still runs.
    if (!socketPeerIsSelf(socket.socketDescriptor())) {
        const std::optional<uid_t> peer = socketPeerUid(socket.socketDescriptor());
        *error = QCoreApplication::translate("InstanceClient",
                                             "%1 is held by another user (uid %2); nothing was "
                                             "sent to it")
                     .arg(socketPath, peer ? QString::number(*peer) : QStringLiteral("?"));
        socket.abort();
        return InstanceDelivery::ForeignListener;
    }
    socket.write(instanceRequestLine(request) + '\n');
    if (!socket.waitForBytesWritten(waitMs)) {
        *error = socket.errorString();
        return InstanceDelivery::NoAnswer;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(waitMs)) {
            *error =
                QCoreApplication::translate("InstanceClient", "%1 gave no answer").arg(socketPath);
            return InstanceDelivery::NoAnswer;
        }
    }
    const QByteArray answer = socket.readLine().trimmed();
    if (answer == "ok")
        return InstanceDelivery::Delivered;
    *error = QString::fromUtf8(answer);
    return answer == "no-item" ? InstanceDelivery::NoSuchItem : InstanceDelivery::NoAnswer;
}

} // namespace

InstanceDelivery sendToRunningInstance(const InstanceRequest &request,
                                       const QStringList &socketPaths,
                                       std::chrono::milliseconds timeout, QString *error)
{
    QStringList errors;
    QString busError;
    if (sessionBusExpected()) {
        const InstanceDelivery delivery = sendOnBus(request, timeout, &busError);
        if (delivery != InstanceDelivery::NoAnswer)
            return delivery;
        errors.append(busError);
    }
    InstanceDelivery result = InstanceDelivery::NoAnswer;
    for (const QString &path : socketPaths) {
        QString socketError;
        const InstanceDelivery delivery = sendOnSocket(request, path, timeout, &socketError);
        if (delivery == InstanceDelivery::Delivered || delivery == InstanceDelivery::NoSuchItem)
            return delivery;
        if (delivery == InstanceDelivery::ForeignListener)
            result = delivery;
        errors.append(socketError);
    }
    *error = errors.join(QLatin1StringView("; "));
    return result;
}
