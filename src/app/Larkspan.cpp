#include "Larkspan.h"

#include "AppLogging.h"
#include "AutostartEntry.h"
#include "CategoryView.h"
#include "ClipboardManager.h"
#include "ContentView.h"
#include "PanelPlacement.h"
#include "PanelWindow.h"
#include "Preferences.h"
#include "StatusIcon.h"
#include "SystemServices.h"
#include "TrayMenu.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

// A click on the tray icon first takes the focus from the popup, which closes it;
// the click itself must then not open it again.
constexpr qint64 reopenGuardMs = 300;

} // namespace

Larkspan::Larkspan(const QString &storeFile, const LaunchOptions &options, QObject *parent)
    : Larkspan(std::make_unique<SystemServices>(storeFile), nullptr, options, parent)
{
}

Larkspan::Larkspan(const Services &services, const LaunchOptions &options, QObject *parent)
    : Larkspan(nullptr, &services, options, parent)
{
}

Larkspan::Larkspan(std::unique_ptr<SystemServices> system, const Services *services,
                   const LaunchOptions &options, QObject *parent)
    : QObject(parent), m_system(std::move(system)),
      m_services(services ? *services : m_system->services()), m_options(options),
      m_manager(std::make_unique<ClipboardManager>(m_services.clipboard, m_services.preferences,
                                                   m_services.history, m_services.timers)),
      m_panel(std::make_unique<PanelWindow>(*m_manager, m_services.preferences)),
      m_statusIcon(new StatusIcon(m_services.preferences, this))
{
    m_statusIcon->showOn(m_panel.get());
    if (m_services.autostart) {
        const StoreStatus offered =
            offerAutostartOnFirstStart(*m_services.autostart, m_services.preferences);
        if (!offered.ok())
            qCWarning(lcApp, "%s", qPrintable(offered.error()));
        m_panel->addStartAtLogin(*m_services.autostart);
    }
    if (options.trayAvailable) {
        createTrayIcon();
        m_panel->setPopup(true);
    }
    // With a tray the program lives on when the panel closes; without one the
    // panel is all there is, and closing it ends the program.
    QApplication::setQuitOnLastWindowClosed(!options.trayAvailable);
    connect(m_panel.get(), &PanelWindow::showInDockChanged, this, &Larkspan::applyDockIconPolicy);
    connect(m_panel.get(), &PanelWindow::dismissedByFocusLoss, this,
            [this] { m_sinceFocusLossClose.start(); });
    connect(m_panel.get(), &PanelWindow::quitRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
}

// The panel goes first: its views show the history.
Larkspan::~Larkspan() = default;

void Larkspan::launch()
{
    QTimer::singleShot(0, this, &Larkspan::finishLaunching);
}

void Larkspan::finishLaunching()
{
    // Read from the store itself: the panel's switch may not have been drawn yet.
    applyDockIconPolicy(m_services.preferences.showInDock());
    if (!m_options.trayAvailable) {
        // Started by the session, it waits for the tray without a window.
        if (!m_options.background) {
            qCWarning(lcApp, "no system tray is available, so the panel opens as a window.");
            openPanel();
        }
        watchForLateTray();
    } else if (m_options.showPanel) {
        openPanel();
    }
    emit launched();
}

void Larkspan::applyDockIconPolicy(bool showInDock)
{
    if (m_tray)
        m_panel->setPopup(!showInDock);
    if (showInDock)
        openPanel();
}

// Started from a session's autostart, we can come up before the panel that hosts
// the tray; the window opened meanwhile would end the program when closed.
void Larkspan::watchForLateTray()
{
    if (!m_lateTrayProbe.isAvailable)
        return;
    auto *probeTimer = new QTimer(this);
    probeTimer->setInterval(m_lateTrayProbe.interval);
    const QDeadlineTimer deadline(m_lateTrayProbe.waitTime);
    connect(probeTimer, &QTimer::timeout, this, [this, probeTimer, deadline] {
        if (m_lateTrayProbe.isAvailable()) {
            probeTimer->deleteLater();
            installTray();
            QApplication::setQuitOnLastWindowClosed(false);
            qCWarning(lcApp, "the system tray is available now; the panel lives in it.");
        } else if (deadline.hasExpired()) {
            probeTimer->deleteLater();
        }
    });
    probeTimer->start();
}

void Larkspan::installTray()
{
    if (m_tray)
        return;
    createTrayIcon();
    m_panel->setPopup(!m_services.preferences.showInDock());
}

void Larkspan::createTrayIcon()
{
    m_tray = new QSystemTrayIcon(this);
    m_statusIcon->showOn(m_tray);
    m_tray->setToolTip(tr("Brimvale"));
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    togglePanel();
            });
    m_trayMenu = new TrayMenu(*m_panel, m_services.preferences, this);
    connect(m_trayMenu, &TrayMenu::showPanelRequested, this, &Larkspan::openPanel,
            Qt::QueuedConnection);
    connect(m_trayMenu, &TrayMenu::hidePanelRequested, m_panel.get(), &QWidget::hide,
            Qt::QueuedConnection);
    connect(m_trayMenu, &TrayMenu::quitRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
    m_tray->setContextMenu(m_trayMenu->menu());
    m_tray->show();
}

void Larkspan::togglePanel()
{
    if (m_panel->isVisible()) {
        m_panel->hide();
        return;
    }
    if (m_sinceFocusLossClose.isValid() && m_sinceFocusLossClose.elapsed() < reopenGuardMs)
        return;
    openPanel();
}

void Larkspan::openPanel()
{
    if (!m_panel->isVisible()) {
        // The popup is opened for a new look-up; a window keeps where the user
        // left it, as windows do.
        if (m_panel->isPopup())
            m_panel->contentView().categoryView()->startFresh();
        placePanel();
    }
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
}

void Larkspan::obey(InstanceCommand command)
{
    switch (command) {
    case InstanceCommand::Show:
        openPanel();
        break;
    case InstanceCommand::Toggle:
        togglePanel();
        break;
    case InstanceCommand::Quit:
        // After the request's answer has gone out.
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        break;
    }
}

void Larkspan::placePanel()
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
    m_panel->fitInto(screen->availableGeometry());
    m_panel->move(
        panelPosition(icon, pointer, m_panel->frameGeometry().size(), screen->availableGeometry()));
}
