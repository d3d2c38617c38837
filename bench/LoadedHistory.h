#pragma once

#include "ClipboardManager.h"

#include <QCoreApplication>

// A large history is read beside the GUI thread: runs the event loop until the
// manager holds it.
inline void waitUntilLoaded(const ClipboardManager &manager)
{
    while (manager.hasBackgroundWork())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
