#include "InstanceClient.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QLocalSocket>
#include <QVariantMap>

namespace {

bool sendOnBus(InstanceCommand command, std::chrono::milliseconds timeout, QString *error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = bus.lastError().message();
        return false;
    }
    const QString service = QLatin1StringView(instanceBusName);
    const QString path = QLatin1StringView(instanceObjectPath);
    const QString interface = QLatin1StringView(applicationInterface);
    QDBusMessage message =
        command == InstanceCommand::Show
            ? QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Activate"))
            : QDBusMessage::createMethodCall(service, path, interface,
                                             QStringLiteral("ActivateAction"));
    if (command != InstanceCommand::Show)
        message << instanceCommandName(command) << QVariantList();
    message << QVariantMap();
    // The lock says one runs; bus activation would start another.
    message.setAutoStartService(false);
    const QDBusMessage reply = bus.call(message, QDBus::Block, static_cast<int>(timeout.count()));
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    *error = reply.errorMessage();
    return false;
}

bool sendOnSocket(InstanceCommand command, const QString &socketPath,
                  std::chrono::milliseconds timeout, QString *error)
{
    QLocalSocket socket;
    const int waitMs = static_cast<int>(timeout.count());
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(waitMs)) {
        *error = QCoreApplication::translate("InstanceClient", "%1: %2")
                     .arg(socketPath, socket.errorString());
        return false;
    }
    socket.write(instanceCommandName(command).toUtf8() + '\n');
    if (!socket.waitForBytesWritten(waitMs)) {
        *error = socket.errorString();
        return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(waitMs)) {
            *error =
                QCoreApplication::translate("InstanceClient", "%1 gave no answer").arg(socketPath);
            return false;
        }
    }
    return socket.readLine().trimmed() == "ok";
}

} // namespace

bool sendToRunningInstance(InstanceCommand command, const QString &socketPath,
                           std::chrono::milliseconds timeout, QString *error)
{
    QString busError;
    if (sessionBusExpected() && sendOnBus(command, timeout, &busError))
        return true;
    QString socketError;
    if (sendOnSocket(command, socketPath, timeout, &socketError))
        return true;
    *error = busError.isEmpty() ? socketError : busError + QLatin1StringView("; ") + socketError;
    return false;
}
