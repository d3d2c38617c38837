#include "TrayShell.h"

#include "Icons.h"
#include "PanelPlacement.h"
#include "PanelWindow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QSystemTrayIcon>

namespace {
// A click on the tray icon first takes the focus from the popup, which closes it;
// the click itself must then not open it again.
constexpr qint64 reopenGuardMs = 300;
} // namespace

TrayShell::TrayShell(Clipboard &clipboard, PreferencesStore &store, bool trayAvailable,
                     QObject *parent)
    : QObject(parent), m_panel(std::make_unique<PanelWindow>(clipboard, store))
{
    if (trayAvailable) {
        createTrayIcon();
        m_panel->setPopup(true);
    }
    connect(m_panel.get(), &PanelWindow::showInDockChanged, this, &TrayShell::applyDockIconPolicy);
    connect(m_panel.get(), &PanelWindow::dismissedByFocusLoss, this,
            [this] { m_sinceFocusLossClose.start(); });
    connect(m_panel.get(), &PanelWindow::quitRequested, this, &TrayShell::quitRequested);
}

TrayShell::~TrayShell() = default;

void TrayShell::createTrayIcon()
{
    m_tray = new QSystemTrayIcon(this);
    m_tray->setIcon(themedIcon(IconName::DocumentFilled,
                               QGuiApplication::palette().color(QPalette::WindowText)));
    m_tray->setToolTip(tr("Brimvale"));
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    togglePanel();
            });
    m_tray->show();
}

void TrayShell::installTray(bool showInDock)
{
    if (m_tray)
        return;
    createTrayIcon();
    m_panel->setPopup(!showInDock);
}

void TrayShell::applyDockIconPolicy(bool showInDock)
{
    if (m_tray)
        m_panel->setPopup(!showInDock);
    if (showInDock)
        openPanel();
}

void TrayShell::togglePanel()
{
    if (m_panel->isVisible()) {
        m_panel->hide();
        return;
    }
    if (m_sinceFocusLossClose.isValid() && m_sinceFocusLossClose.elapsed() < reopenGuardMs)
        return;
    openPanel();
}

void TrayShell::openPanel()
{
    if (!m_panel->isVisible())
        placePanel();
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
}

void TrayShell::placePanel()
{
    const QRect icon = m_tray ? m_tray->geometry() : QRect();
    const QPoint pointer = QCursor::pos();
    const QPoint anchor = icon.isValid() && !icon.isEmpty() ? icon.center() : pointer;
    QScreen *screen = QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    m_panel->ensurePolished();
    m_panel->adjustSize();
    m_panel->move(
        panelPosition(icon, pointer, m_panel->frameGeometry().size(), screen->availableGeometry()));
}
