#pragma once

#include <QtGlobal>

#include <optional>
#include <sys/types.h>

// The user on the other end of a connected local socket, as the kernel recorded
// it when the connection was made; nullopt when it does not say. A socket's path
// says nothing about who listens or connects there: in a folder others can write,
// anyone may have made it.
std::optional<uid_t> socketPeerUid(qintptr descriptor);

// Whether the other end is a process of the user this one runs as.
bool socketPeerIsSelf(qintptr descriptor);
