#include "RecordSelectionRow.h"

#include "IconLabel.h"
#include "PanelStyle.h"
#include "Preferences.h"
#include "ToggleSwitch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

RecordSelectionRow::RecordSelectionRow(Preferences &preferences, bool available, QWidget *parent)
    : QWidget(parent), m_preferences(preferences),
      m_label(new IconLabel(tr("Record Selected Text"), this)), m_switch(new ToggleSwitch(this))
{
    setObjectName(QStringLiteral("recordSelectionRow"));
    m_label->setObjectName(QStringLiteral("recordSelectionLabel"));
    m_switch->setObjectName(QStringLiteral("recordSelectionSwitch"));
    m_switch->setAccessibleName(tr("Record Selected Text"));
    // As the Privacy Mode row above it.
    const int padding = style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(2 * padding, 0, 2 * padding, 0);
    row->addStretch();
    row->addWidget(m_label);
    row->addWidget(m_switch);
    row->addStretch();
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(row);

    if (!available) {
        const QString why = tr("Selected text cannot be read on this desktop.");
        auto *note = new QLabel(why, this);
        note->setObjectName(QStringLiteral("recordSelectionUnavailable"));
        note->setWordWrap(true);
        note->setAlignment(Qt::AlignCenter);
        note->setForegroundRole(QPalette::PlaceholderText);
        column->addWidget(note);
        m_switch->setEnabled(false);
        m_switch->setAccessibleDescription(why);
        showState(false);
        return;
    }

    m_switch->setChecked(m_preferences.recordSelection());
    showState(m_switch->isChecked());
    connect(m_switch, &ToggleSwitch::toggled, this, [this](bool on) {
        // Kept for the session even when it cannot be written.
        m_preferences.setRecordSelection(on);
    });
    connect(&m_preferences, &Preferences::changed, this, [this](Preference preference) {
        if (preference != Preference::RecordSelection)
            return;
        const bool on = m_preferences.recordSelection();
        {
            const QSignalBlocker blocker(m_switch);
            m_switch->setChecked(on);
        }
        showState(on);
    });
}

void RecordSelectionRow::showState(bool on)
{
    if (on)
        m_label->setIcon(IconName::Document, PanelStyle::positiveGreen(palette()));
    else
        m_label->setIcon(IconName::Document);
}
