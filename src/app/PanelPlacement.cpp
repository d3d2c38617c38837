#include "PanelPlacement.h"

#include <algorithm>

namespace {
constexpr int gap = 4;

int clampInto(int start, int length, int areaStart, int areaLength)
{
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}
} // namespace

QPoint panelPosition(const QRect &trayIconGeometry, const QPoint &pointer, const QSize &panelSize,
                     const QRect &available)
{
    const bool knowsIcon = trayIconGeometry.isValid() && !trayIconGeometry.isEmpty();
    const QPoint anchor = knowsIcon ? trayIconGeometry.center() : pointer;

    int x = anchor.x() - panelSize.width() / 2;
    int y = 0;
    if (knowsIcon) {
        // A panel on the left or right screen edge lies outside the available
        // area: open beside it.
        if (trayIconGeometry.right() < available.left()) {
            x = trayIconGeometry.right() + 1 + gap;
            y = anchor.y() - panelSize.height() / 2;
        } else if (trayIconGeometry.left() > available.right()) {
            x = trayIconGeometry.left() - gap - panelSize.width();
            y = anchor.y() - panelSize.height() / 2;
        } else if (anchor.y() < available.center().y()) {
            y = trayIconGeometry.bottom() + 1 + gap;
        } else {
            y = trayIconGeometry.top() - gap - panelSize.height();
        }
    } else {
        y = anchor.y() + gap;
        if (y + panelSize.height() > available.bottom() + 1)
            y = anchor.y() - gap - panelSize.height();
    }

    return {clampInto(x, panelSize.width(), available.left(), available.width()),
            clampInto(y, panelSize.height(), available.top(), available.height())};
}

int listHeightToFit(int panelHeight, int listHeight, int minimumListHeight, int availableHeight)
{
    const int tooTall = std::max(0, panelHeight - availableHeight);
    return std::max(minimumListHeight, listHeight - tooTall);
}

QSize windowSizeWithin(const QSize &wanted, const QSize &fallback, const QSize &minimum,
                       const QSize &available)
{
    const QSize size = wanted.isValid() && !wanted.isEmpty() ? wanted : fallback;
    return size.boundedTo(available).expandedTo(minimum);
}

QRect windowWithin(const QRect &window, const QMargins &frame, const QSize &minimum,
                   const QRect &available)
{
    const QSize size =
        window.size().boundedTo(available.size().shrunkBy(frame)).expandedTo(minimum);
    const QSize outer = size.grownBy(frame);
    const int left =
        clampInto(window.left() - frame.left(), outer.width(), available.left(), available.width());
    const int top =
        clampInto(window.top() - frame.top(), outer.height(), available.top(), available.height());
    return {QPoint(left + frame.left(), top + frame.top()), size};
}
