#pragma once

#include <QAbstractButton>

// An on/off switch: a checkable button drawn as a sliding knob on a track. It has
// no text of its own; give it an accessible name.
class ToggleSwitch final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToggleSwitch)

public:
    explicit ToggleSwitch(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
