#pragma once

#include <QWidget>

class AutostartEntry;
class IconLabel;
class ToggleSwitch;

// The panel's "Start at Login" row: a label and a switch over the session's
// autostart entry. The entry is the truth; the switch reads it again each time
// the row is shown, since the desktop's own settings may have changed it.
class StartAtLoginRow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartAtLoginRow)

public:
    explicit StartAtLoginRow(AutostartEntry &entry, QWidget *parent = nullptr);

    ToggleSwitch *toggleSwitch() const { return m_switch; }
    // Reads the entry into the switch and the label.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showState(bool on);

    AutostartEntry &m_entry;
    IconLabel *m_label;
    ToggleSwitch *m_switch;
};
