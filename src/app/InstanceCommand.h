#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

// What a later start asks of the running Brimvale.
enum class InstanceCommand {
    // A plain second start: bring the panel up.
    Show,
    Toggle,
    Quit,
    // Put an item on the clipboard, or delete it, as the panel's buttons do: the
    // item stored under the request's id (`brimvale --copy ID`, `--delete ID`).
    Copy,
    Delete,
};

// A command with the item it acts on, for those that take one.
struct InstanceRequest
{
    InstanceRequest(InstanceCommand requested, qint64 itemId = 0)
        : command(requested), storeId(itemId)
    {
    }

    InstanceCommand command;
    qint64 storeId;
};

bool takesItem(InstanceCommand command);

// The command's name on the wire: the D-Bus action and the socket's line.
QString instanceCommandName(InstanceCommand command);
std::optional<InstanceCommand> instanceCommandFromName(QStringView name);
// The socket's line without its line feed: the name, then the id where it takes
// one ("copy 42"); nothing when the line is no request.
QByteArray instanceRequestLine(const InstanceRequest &request);
std::optional<InstanceRequest> instanceRequestFromLine(QStringView line);
// The D-Bus error a running Brimvale answers a request for an item it does not hold.
inline constexpr char noSuchItemError[] = "io.github.brimvale.Brimvale.Error.NoSuchItem";

// The D-Bus name, object path and interface the running Brimvale answers on
// when the session has a bus.
inline constexpr char instanceBusName[] = "io.github.brimvale.Brimvale";
inline constexpr char instanceObjectPath[] = "/io/github/brimvale/Brimvale";
inline constexpr char applicationInterface[] = "org.freedesktop.Application";

// Whether this session has a bus to use: its address is set, or the user bus
// sits where libdbus looks for it. Without either, QtDBus is not touched at all
// (it would try to autolaunch one).
bool sessionBusExpected();

// The local socket the running Brimvale answers on, in the instance lock's
// directory.
QString instanceSocketPath();
// Where it answers instead when something else is at instanceSocketPath(): beside
// the store's lock, in the user's private data folder.
QString instanceFallbackSocketPath();
