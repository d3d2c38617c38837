#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where the panel goes: next to the tray icon when the tray tells where that is
// (below it for a tray at the top of the screen, above it otherwise), else at the
// pointer; always wholly inside `available` when it fits there.
QPoint panelPosition(const QRect &trayIconGeometry, const QPoint &pointer, const QSize &panelSize,
                     const QRect &available);

// The list height that lets a panel `panelHeight` high with a list `listHeight`
// high fit `availableHeight`: the list gives up what the panel is too tall, but
// keeps `minimumListHeight`.
int listHeightToFit(int panelHeight, int listHeight, int minimumListHeight, int availableHeight);

// A window's size: `wanted`, or `fallback` when `wanted` is not a size, made no
// larger than `available` and no smaller than `minimum`.
QSize windowSizeWithin(const QSize &wanted, const QSize &fallback, const QSize &minimum,
                       const QSize &available);

// A window's geometry (without its frame) such that the frame the window manager
// put around it, `frame`, lies wholly inside `available` too: `window` made no
// larger than that allows (nor smaller than `minimum`) and moved in as far as
// needed.
QRect windowWithin(const QRect &window, const QMargins &frame, const QSize &minimum,
                   const QRect &available);
