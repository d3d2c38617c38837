#include "StartAtLoginRow.h"

#include "AutostartEntry.h"
#include "IconLabel.h"
#include "PanelStyle.h"
#include "ToggleSwitch.h"
#include "UiLogging.h"

#include <QHBoxLayout>
#include <QStyle>

StartAtLoginRow::StartAtLoginRow(AutostartEntry &entry, QWidget *parent)
    : QWidget(parent), m_entry(entry), m_label(new IconLabel(tr("Start at Login"), this)),
      m_switch(new ToggleSwitch(this))
{
    setObjectName(QStringLiteral("startAtLoginRow"));
    m_label->setObjectName(QStringLiteral("startAtLoginLabel"));
    m_switch->setObjectName(QStringLiteral("startAtLoginSwitch"));
    m_switch->setAccessibleName(tr("Start at Login"));
    // As the "Show in Dock" row above it.
    const int padding = style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(padding, 0, padding, 0);
    row->addStretch();
    row->addWidget(m_label);
    row->addWidget(m_switch);
    row->addStretch();

    refresh();
    connect(m_switch, &ToggleSwitch::toggled, this, [this](bool on) {
        const StoreStatus written = m_entry.setEnabled(on);
        if (!written.ok())
            qCWarning(lcUi, "%s", qPrintable(written.error()));
        // What the entry says now, written or not.
        refresh();
    });
}

void StartAtLoginRow::refresh()
{
    const bool on = m_entry.isEnabled();
    {
        const QSignalBlocker blocker(m_switch);
        m_switch->setChecked(on);
    }
    showState(on);
}

void StartAtLoginRow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void StartAtLoginRow::showState(bool on)
{
    if (on)
        m_label->setIcon(IconName::Power, PanelStyle::positiveGreen(palette()));
    else
        m_label->setIcon(IconName::Power);
}
