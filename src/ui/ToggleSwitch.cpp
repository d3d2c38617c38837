#include "ToggleSwitch.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int trackWidth = 34;
constexpr int trackHeight = 20;
// Room around the track for the focus ring.
constexpr int ringMargin = 2;
} // namespace

ToggleSwitch::ToggleSwitch(QWidget *parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    return {trackWidth + 2 * ringMargin, trackHeight + 2 * ringMargin};
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.5);

    const QRectF track(ringMargin, (height() - trackHeight) / 2.0, trackWidth, trackHeight);
    const qreal radius = trackHeight / 2.0;

    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    }

    const QColor trackColor =
        isChecked() ? palette().color(QPalette::Highlight) : palette().color(QPalette::Mid);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isDown() ? trackColor.darker(115) : trackColor);
    painter.drawRoundedRect(track, radius, radius);

    const qreal knobDiameter = trackHeight - 4;
    const qreal knobX = isChecked() ? track.right() - 2 - knobDiameter : track.left() + 2;
    const QRectF knob(knobX, track.top() + 2, knobDiameter, knobDiameter);
    painter.setBrush(QColor(255, 255, 255));
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(knob);
}
