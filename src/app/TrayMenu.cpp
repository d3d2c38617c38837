#include "TrayMenu.h"

#include "Preferences.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QWidget>

TrayMenu::TrayMenu(QWidget &panel, Preferences &preferences, QObject *parent)
    : QObject(parent), m_panel(panel), m_preferences(preferences),
      m_menu(std::make_unique<QMenu>()), m_showHide(m_menu->addAction(QString())),
      m_privacy(m_menu->addAction(tr("Privacy Mode")))
{
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    m_showHide->setObjectName(QStringLiteral("trayShowHide"));
    m_privacy->setObjectName(QStringLiteral("trayPrivacyMode"));
    m_privacy->setCheckable(true);
    m_menu->addSeparator();
    m_quit = m_menu->addAction(tr("Quit"));
    m_quit->setObjectName(QStringLiteral("trayQuit"));

    showPanelState();
    showPrivacyState();
    connect(m_menu.get(), &QMenu::aboutToShow, this, &TrayMenu::showPanelState);
    m_panel.installEventFilter(this);

    connect(m_showHide, &QAction::triggered, this, [this] {
        if (m_panel.isVisible())
            emit hidePanelRequested();
        else
            emit showPanelRequested();
    });
    connect(m_privacy, &QAction::triggered, this, [this](bool on) {
        // Kept for the session even when it cannot be written, as the switch does.
        m_preferences.setPrivacyMode(on);
        showPrivacyState();
    });
    connect(&m_preferences, &Preferences::changed, this, [this](Preference preference) {
        if (preference == Preference::PrivacyMode)
            showPrivacyState();
    });
    connect(m_quit, &QAction::triggered, this, &TrayMenu::quitRequested);
}

// The panel may be gone already; Qt drops a destroyed filter by itself.
TrayMenu::~TrayMenu() = default;

bool TrayMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_panel && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        showPanelState();
    return QObject::eventFilter(watched, event);
}

void TrayMenu::showPanelState()
{
    m_showHide->setText(m_panel.isVisible() ? tr("Hide Brimvale") : tr("Show Brimvale"));
}

void TrayMenu::showPrivacyState()
{
    m_privacy->setChecked(m_preferences.privacyMode());
}
