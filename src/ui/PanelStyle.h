#pragma once

#include <QColor>

class QFrame;
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

} // namespace PanelStyle
