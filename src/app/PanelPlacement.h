#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the panel goes: next to the tray icon when the tray tells where that is
// (below it for a tray at the top of the screen, above it otherwise), else at the
// pointer; always wholly inside `available` when it fits there.
QPoint panelPosition(const QRect &trayIconGeometry, const QPoint &pointer, const QSize &panelSize,
                     const QRect &available);
