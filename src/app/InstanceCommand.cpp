#include "InstanceCommand.h"

#include "DataLocation.h"
#include "InstanceLock.h"

#include <QDir>
#include <QFileInfo>

QString instanceCommandName(InstanceCommand command)
{
    switch (command) {
    case InstanceCommand::Show:
        return QStringLiteral("show");
    case InstanceCommand::Toggle:
        return QStringLiteral("toggle");
    case InstanceCommand::Quit:
        return QStringLiteral("quit");
    case InstanceCommand::Copy:
        return QStringLiteral("copy");
    case InstanceCommand::Delete:
        return QStringLiteral("delete");
    }
    return {};
}

bool takesItem(InstanceCommand command)
{
    return command == InstanceCommand::Copy || command == InstanceCommand::Delete;
}

std::optional<InstanceCommand> instanceCommandFromName(QStringView name)
{
    for (const InstanceCommand command :
         {InstanceCommand::Show, InstanceCommand::Toggle, InstanceCommand::Quit,
          InstanceCommand::Copy, InstanceCommand::Delete}) {
        if (name == instanceCommandName(command))
            return command;
    }
    return std::nullopt;
}

QByteArray instanceRequestLine(const InstanceRequest &request)
{
    QByteArray line = instanceCommandName(request.command).toUtf8();
    if (takesItem(request.command))
        line += ' ' + QByteArray::number(request.storeId);
    return line;
}

std::optional<InstanceRequest> instanceRequestFromLine(QStringView line)
{
    const qsizetype space = line.indexOf(u' ');
    const std::optional<InstanceCommand> command =
        instanceCommandFromName(space < 0 ? line : line.first(space));
    if (!command || takesItem(*command) != (space >= 0))
        return std::nullopt;
    if (!takesItem(*command))
        return InstanceRequest(*command);
    bool isNumber = false;
    const qint64 id = line.sliced(space + 1).toLongLong(&isNumber);
    if (!isNumber || id <= 0)
        return std::nullopt;
    return InstanceRequest(*command, id);
}

bool sessionBusExpected()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtimeDir.isEmpty() &&
           QFileInfo::exists(QDir(runtimeDir).filePath(QStringLiteral("bus")));
}

QString instanceSocketPath()
{
    return QFileInfo(InstanceLock::defaultPath())
        .absoluteDir()
        .filePath(QStringLiteral("brimvale.socket"));
}

QString instanceFallbackSocketPath()
{
    return QFileInfo(InstanceLock::storeLockPath(brimvaleStoreFile()))
        .absoluteDir()
        .filePath(QStringLiteral("brimvale.socket"));
}
