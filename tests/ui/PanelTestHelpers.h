#pragma once

#include "AppShell.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "MemoryPreferences.h"
#include "Services.h"
#include "SqliteHistoryStore.h"
#include "TemporaryStore.h"

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

// The clipboard in memory; the preferences in memory too, so that a test sees
// what was written and how often; the history in a real store file in a
// temporary directory; poll timers that tick when the test says.
struct FakeServices
{
    MemoryClipboard clipboard;
    MemoryPreferences preferences;
    TemporaryStore store;
    ManualPollTimers timers;

    Services services() { return {clipboard, preferences, store.history(), timers}; }
};

// Launches as main() does and returns once launching has finished.
inline void launchAndWait(AppShell &app)
{
    QSignalSpy launched(&app, &AppShell::launched);
    app.launch();
    QVERIFY(launched.isEmpty()); // only once the event loop runs
    QVERIFY(launched.wait(2000));
}

} // namespace PanelTest
