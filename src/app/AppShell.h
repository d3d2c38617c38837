#pragma once

#include "InstanceCommand.h"
#include "Services.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>

class ClipboardManager;
class PanelWindow;
class SelectionRecorder;
class QSystemTrayIcon;
class StatusIcon;
class SystemServices;
class TrayMenu;

struct LaunchOptions
{
    // Open the panel at launch, as a click on the tray icon would.
    bool showPanel = false;
    bool trayAvailable = false;
    // Started by the session (autostart): no panel, even without a tray.
    bool background = false;
};

// After a launch without a tray, `isAvailable` is asked every `interval` for as
// long as `waitTime`; the tray is taken in once it answers true.
struct LateTrayProbe
{
    std::function<bool()> isAvailable;
    std::chrono::milliseconds interval{1000};
    std::chrono::milliseconds waitTime{120000};
};

// The application: it makes the history and the panel over the services it is
// given, owns the tray icon, and decides how the panel is shown: next to the icon
// as a popup, or as an ordinary window with a task-bar entry ("Show in Dock", or
// no tray at all). Capture runs from the start, whether the panel is ever opened,
// and goes on while it is closed: only Quit ends the program.
class AppShell final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppShell)

public:
    // The program itself: the history file at `storeFile`, the system clipboard.
    AppShell(const QString &storeFile, const LaunchOptions &options, QObject *parent = nullptr);
    AppShell(const Services &services, const LaunchOptions &options, QObject *parent = nullptr);
    ~AppShell() override;

    // Finishes launching once the event loop runs.
    void launch();
    // Without it, a launch without a tray never looks for one again.
    void setLateTrayProbe(LateTrayProbe probe) { m_lateTrayProbe = std::move(probe); }

    ClipboardManager &manager() const { return *m_manager; }
    PanelWindow &panel() const { return *m_panel; }
    bool hasTray() const { return m_tray != nullptr; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    TrayMenu *trayMenu() const { return m_trayMenu; }

    void togglePanel();
    void openPanel();
    // A later start's request (see InstanceServer).
    void obey(InstanceCommand command);
    // A later start's request for an item (`brimvale --copy ID`, `--delete ID`):
    // false when the history holds no item under its id.
    bool actOnItem(const InstanceRequest &request);

signals:
    void launched();

private:
    // Runs over `services`, or over those of `system` when there are none.
    AppShell(std::unique_ptr<SystemServices> system, const Services *services,
             const LaunchOptions &options, QObject *parent);

    void finishLaunching();
    // With a task-bar entry the panel is an ordinary window, brought to the front
    // at once; without one it is a popup. Without a tray the panel always stays an
    // ordinary window: a popup could not be found again once closed.
    void applyDockIconPolicy(bool showInDock);
    void watchForLateTray();
    // Without a tray, closing the window only hides it: the user is told so until
    // the first time they close it.
    void explainClosing();
    // A tray that appears after launch takes the program in: the icon shows and
    // the Dock policy applies as it would have at launch. A shown panel stays shown.
    void installTray();
    void createTrayIcon();
    void placePanel();

    std::unique_ptr<SystemServices> m_system;
    Services m_services;
    LaunchOptions m_options;
    LateTrayProbe m_lateTrayProbe;
    std::unique_ptr<ClipboardManager> m_manager;
    // Records into the manager: goes before it.
    std::unique_ptr<SelectionRecorder> m_selection;
    std::unique_ptr<PanelWindow> m_panel;
    QSystemTrayIcon *m_tray = nullptr;
    StatusIcon *m_statusIcon;
    TrayMenu *m_trayMenu = nullptr;
    QPointer<QLabel> m_closingNote;
    QElapsedTimer m_sinceFocusLossClose;
};
