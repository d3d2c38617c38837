#pragma once

#include <QWidget>

class IconLabel;
class Preferences;
class QLabel;
class ToggleSwitch;

// The panel's "Record Selected Text" row: a label and a switch over the
// preference. Where this session's selection cannot be read, the switch is off
// and disabled and a quiet line below says so, rather than a switch that does
// nothing.
class RecordSelectionRow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordSelectionRow)

public:
    // `available` says whether the session's selection can be read at all.
    RecordSelectionRow(Preferences &preferences, bool available, QWidget *parent = nullptr);

    ToggleSwitch *toggleSwitch() const { return m_switch; }

private:
    void showState(bool on);

    Preferences &m_preferences;
    IconLabel *m_label;
    ToggleSwitch *m_switch;
};
