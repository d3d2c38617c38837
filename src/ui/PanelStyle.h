#pragma once

#include <QColor>

class QFrame;
class QPainter;
class QPalette;
class QPushButton;
class QWidget;

// Colours and control looks shared by the panel's views.
namespace PanelStyle {

// A red and a green that stay readable on the palette's window colour.
QColor destructiveRed(const QPalette &palette);
QColor positiveGreen(const QPalette &palette);

// A thin horizontal rule across its parent.
QFrame *makeDivider(QWidget *parent);

// A filled red button with white text, for actions that destroy data.
void makeProminentDestructive(QPushButton *button);

// A ring in the highlight colour a few pixels around `target`, painted on
// `host`, an ancestor of it: the style's own focus frame shows only after a Tab,
// and is too faint to find at a glance.
void drawFocusRing(QPainter &painter, const QWidget *host, const QWidget *target);

} // namespace PanelStyle
