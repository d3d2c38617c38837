#include "PanelStyle.h"

#include <QFrame>
#include <QPainter>
#include <QPalette>
#include <QPushButton>

namespace PanelStyle {

namespace {
constexpr int focusRingGap = 3;

bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}
} // namespace

QColor destructiveRed(const QPalette &palette)
{
    return isDark(palette) ? QColor(255, 105, 97) : QColor(215, 40, 33);
}

QColor positiveGreen(const QPalette &palette)
{
    return isDark(palette) ? QColor(80, 205, 105) : QColor(30, 150, 60);
}

QFrame *makeDivider(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

void makeProminentDestructive(QPushButton *button)
{
    // The button keeps its red in both palettes: red is the warning, not a theme.
    const QColor fill(215, 40, 33);
    button->setStyleSheet(
        QStringLiteral(
            "QPushButton { background-color: %1; color: white; border: 1px solid %2;"
            " border-radius: 5px; padding: 4px 12px; }"
            "QPushButton:hover { background-color: %3; }"
            "QPushButton:pressed { background-color: %2; }"
            "QPushButton:focus { border: 2px solid palette(highlight); padding: 3px 11px; }"
            "QPushButton:disabled { background-color: %4; }")
            .arg(fill.name(), fill.darker(130).name(), fill.lighter(112).name(),
                 fill.lighter(150).name()));
}

void drawFocusRing(QPainter &painter, const QWidget *host, const QWidget *target)
{
    const QRect around = QRect(target->mapTo(host, QPoint(0, 0)), target->size())
                             .adjusted(-focusRingGap, -focusRingGap, focusRingGap, focusRingGap);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(host->palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(around).adjusted(1, 1, -1, -1), 6, 6);
    painter.restore();
}

} // namespace PanelStyle
