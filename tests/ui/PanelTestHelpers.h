#pragma once

#include <QWidget>

// Looks of the panel window that the shell tests check.
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

} // namespace PanelTest
