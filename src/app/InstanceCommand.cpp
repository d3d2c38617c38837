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
    }
    return {};
}

std::optional<InstanceCommand> instanceCommandFromName(QStringView name)
{
    for (const InstanceCommand command :
         {InstanceCommand::Show, InstanceCommand::Toggle, InstanceCommand::Quit}) {
        if (name == instanceCommandName(command))
            return command;
    }
    return std::nullopt;
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
