#pragma once

#include "InstanceCommand.h"

#include <QString>
#include <QStringList>

#include <chrono>

enum class InstanceDelivery {
    Delivered,
    // Nothing answered in time.
    NoAnswer,
    // A socket was there, but another user listens on it: nothing was sent to it,
    // and waiting will not change that.
    ForeignListener,
    // It answered that it holds no item under the request's id.
    NoSuchItem,
};

// Hands `request` to the running Brimvale, on the session bus when there is one
// and on its local socket otherwise (or when the bus does not know the name): the
// first of `socketPaths` that a process of this user listens on. One attempt
// each, every wait bounded by `timeout`. Unless delivered, `error` says why none
// answered.
InstanceDelivery sendToRunningInstance(const InstanceRequest &request,
                                       const QStringList &socketPaths,
                                       std::chrono::milliseconds timeout, QString *error);
