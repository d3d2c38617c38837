#pragma once

#include "InstanceCommand.h"

#include <QString>

#include <chrono>

// Hands `command` to the running Brimvale, on the session bus when there is one
// and on its local socket otherwise (or when the bus does not know the name).
// One attempt each, every wait bounded by `timeout`. True once one of them
// answered; `error` then says why neither did.
bool sendToRunningInstance(InstanceCommand command, const QString &socketPath,
                           std::chrono::milliseconds timeout, QString *error);
