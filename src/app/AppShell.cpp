#include "AppShell.h"

#include "AppLogging.h"
#include "AutostartEntry.h"
#include "CategoryView.h"
#include "ClipboardManager.h"
#include "ContentView.h"
#include "PanelPlacement.h"
#include "PanelWindow.h"
#include "Preferences.h"
#include "SelectionRecorder.h"
#include "SelectionSource.h"
#include "StatusIcon.h"
#include "SystemServices.h"
#include "TrayMenu.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QLabel>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

// A click on the tray icon first takes the focus from the popup, which closes it;
// the click itself must then not open it again.
constexpr qint64 reopenGuardMs = 300;

} // namespace

AppShell::AppShell(const QString &storeFile, const LaunchOptions &options, QObject *parent)
    : AppShell(std::make_unique<SystemServices>(storeFile), nullptr, options, parent)
{
}

AppShell::AppShell(const Services &services, const LaunchOptions &options, QObject *parent)
    : AppShell(nullptr, &services, options, parent)
{
}

AppShell::AppShell(std::unique_ptr<SystemServices> system, const Services *services,
                   const LaunchOptions &options, QObject *parent)
    : QObject(parent), m_system(std::move(system)),
      m_services(services ? *services : m_system->services()), m_options(options),
      m_manager(std::make_unique<ClipboardManager>(m_services.clipboard, m_services.preferences,
                                                   m_services.history, m_services.timers)),
      m_panel(std::make_unique<PanelWindow>(*m_manager, m_services.preferences,
                                            m_services.clipboardReach)),
      m_statusIcon(new StatusIcon(m_services.preferences, this))
{
    m_statusIcon->showOn(m_panel.get());
    m_statusIcon->countItemsOf({&m_manager->urls(), &m_manager->codes(), &m_manager->texts()});
    if (m_services.autostart) {
        AutostartEntry &autostart = *m_services.autostart;
        // Asked first: once offered, the entry exists either way.
        const bool makesEntry =
            !m_services.preferences.value(Preference::AutostartOffered) && !autostart.exists();
        for (const StoreStatus &status :
             {offerAutostartOnFirstStart(autostart, m_services.preferences),
              renewOutdatedAutostart(autostart)}) {
            if (!status.ok())
                qCWarning(lcApp, "%s", qPrintable(status.error()));
        }
        m_panel->addStartAtLogin(autostart);
        // Starting with the session is a choice made for the user: say so once.
        if (makesEntry && autostart.isEnabled()) {
            QLabel *note = m_panel->addNote(
                tr("Brimvale will start when you log in. The switch below turns that off."));
            note->setObjectName(QStringLiteral("autostartNote"));
        }
    }
    if (m_services.selection) {
        const QString unavailable = m_services.selection->unavailableReason();
        if (!unavailable.isEmpty())
            qCInfo(lcApp, "selected text is not recorded: %s", qUtf8Printable(unavailable));
        m_panel->contentView().addRecordSelection(unavailable.isEmpty());
        m_selection = std::make_unique<SelectionRecorder>(*m_manager, m_services.preferences,
                                                          *m_services.selection, m_services.timers);
    }
    if (options.trayAvailable) {
        createTrayIcon();
        m_panel->setPopup(true);
    }
    // The history is recorded whether the panel is open or not, tray or none;
    // closing the last window must not end the recording.
    QApplication::setQuitOnLastWindowClosed(false);
    connect(m_panel.get(), &PanelWindow::showInDockChanged, this, &AppShell::applyDockIconPolicy);
    connect(m_panel.get(), &PanelWindow::dismissedByFocusLoss, this,
            [this] { m_sinceFocusLossClose.start(); });
    connect(m_panel.get(), &PanelWindow::quitRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
}

// The panel goes first: its views show the history.
AppShell::~AppShell() = default;

void AppShell::launch()
{
    QTimer::singleShot(0, this, &AppShell::finishLaunching);
}

void AppShell::finishLaunching()
{
    // Read from the store itself: the panel's switch may not have been drawn yet.
    applyDockIconPolicy(m_services.preferences.showInDock());
    if (!m_options.trayAvailable) {
        explainClosing();
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

void AppShell::applyDockIconPolicy(bool showInDock)
{
    if (m_tray)
        m_panel->setPopup(!showInDock);
    if (showInDock)
        openPanel();
}

// Started from a session's autostart, we can come up before the panel that hosts
// the tray; until it is there, the window is all the user has to find us by.
void AppShell::watchForLateTray()
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
            qCWarning(lcApp, "the system tray is available now; the panel lives in it.");
        } else if (deadline.hasExpired()) {
            probeTimer->deleteLater();
        }
    });
    probeTimer->start();
}

void AppShell::explainClosing()
{
    m_closingNote =
        m_panel->addNote(tr("Closing this window leaves Brimvale recording. Open it again from the "
                            "application menu or with \"brimvale --toggle\"."));
    m_closingNote->setObjectName(QStringLiteral("closingNote"));
    connect(m_panel.get(), &PanelWindow::closed, m_closingNote.data(), &QObject::deleteLater);
}

void AppShell::installTray()
{
    if (m_tray)
        return;
    // The tray's icon is how the panel is found again now.
    delete m_closingNote;
    createTrayIcon();
    m_panel->setPopup(!m_services.preferences.showInDock());
}

void AppShell::createTrayIcon()
{
    m_tray = new QSystemTrayIcon(this);
    m_statusIcon->showOn(m_tray);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    togglePanel();
            });
    m_trayMenu = new TrayMenu(*m_panel, m_services.preferences, this);
    connect(m_trayMenu, &TrayMenu::showPanelRequested, this, &AppShell::openPanel,
            Qt::QueuedConnection);
    connect(m_trayMenu, &TrayMenu::hidePanelRequested, m_panel.get(), &QWidget::hide,
            Qt::QueuedConnection);
    connect(m_trayMenu, &TrayMenu::quitRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
    m_tray->setContextMenu(m_trayMenu->menu());
    m_tray->show();
}

void AppShell::togglePanel()
{
    if (m_panel->isVisible()) {
        m_panel->hide();
        return;
    }
    if (m_sinceFocusLossClose.isValid() && m_sinceFocusLossClose.elapsed() < reopenGuardMs)
        return;
    openPanel();
}

void AppShell::openPanel()
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

void AppShell::obey(InstanceCommand command)
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
    case InstanceCommand::Copy:
    case InstanceCommand::Delete:
        // They name an item: see actOnItem().
        break;
    }
}

bool AppShell::actOnItem(const InstanceRequest &request)
{
    switch (request.command) {
    case InstanceCommand::Copy:
        return m_manager->copyStoredItem(request.storeId);
    case InstanceCommand::Delete:
        return m_manager->deleteStoredItem(request.storeId);
    case InstanceCommand::Show:
    case InstanceCommand::Toggle:
    case InstanceCommand::Quit:
        break;
    }
    return false;
}

void AppShell::placePanel()
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
