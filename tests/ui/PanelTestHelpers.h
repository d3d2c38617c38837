#pragma once

#include "Larkspan.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "MemoryPreferencesStore.h"
#include "Services.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

// Looks of the panel window that the shell tests check, and what the program runs
// on in them.
namespace PanelTest {

template <typename T> T *child(const QWidget &parent, const char *name)
{
    auto *found = parent.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child named %s", name);
    return found;
}

// An ordinary window gets a task-bar entry; a frameless tool window does not.
inline bool hasTaskbarEntry(const QWidget &window)
{
    return window.windowType() == Qt::Window;
}

inline bool isPopupWithoutTaskbarEntry(const QWidget &window)
{
    return window.windowType() == Qt::Tool &&
           window.windowFlags().testFlag(Qt::FramelessWindowHint);
}

// The clipboard and store in memory; the poll timers tick when the test says.
struct FakeServices
{
    MemoryClipboard clipboard;
    MemoryPreferencesStore store;
    ManualPollTimers timers;

    Services services() { return {clipboard, store, timers}; }
};

// Launches as main() does and returns once launching has finished.
inline void launchAndWait(Larkspan &app)
{
    QSignalSpy launched(&app, &Larkspan::launched);
    app.launch();
    QVERIFY(launched.isEmpty()); // only once the event loop runs
    QVERIFY(launched.wait(2000));
}

} // namespace PanelTest
