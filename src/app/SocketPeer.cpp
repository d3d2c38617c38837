#include "SocketPeer.h"

#include <sys/socket.h>
#include <unistd.h>

std::optional<uid_t> socketPeerUid(qintptr descriptor)
{
    if (descriptor < 0)
        return std::nullopt;
    struct ucred credentials = {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &length) != 0 ||
        length != sizeof credentials)
        return std::nullopt;
    return credentials.uid;
}

bool socketPeerIsSelf(qintptr descriptor)
{
    return socketPeerUid(descriptor) == ::geteuid();
}
