#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <memory>

class Clipboard;
class PanelWindow;
class PreferencesStore;
class QSystemTrayIcon;

// Owns the tray icon and the panel, and decides how the panel is shown: next to
// the icon, or as an ordinary window where there is no tray.
class TrayShell final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayShell)

public:
    // The panel, and with it the history, is built here, so capture runs from the
    // start whether the panel is ever opened or not.
    TrayShell(Clipboard &clipboard, PreferencesStore &store, bool trayAvailable,
              QObject *parent = nullptr);
    ~TrayShell() override;

    bool hasTray() const { return m_tray != nullptr; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    PanelWindow &panel() const { return *m_panel; }

    // With a task-bar entry the panel is an ordinary window, brought to the front
    // at once; without one it is a popup. Without a tray the panel always stays an
    // ordinary window: a popup could not be found again once closed.
    void applyDockIconPolicy(bool showInDock);

    void togglePanel();
    void openPanel();

    // A tray that appears after launch (a session whose panel starts after us)
    // takes the program in: the icon shows and the Dock policy applies as it
    // would have at launch. A shown panel stays shown.
    void installTray(bool showInDock);

signals:
    void quitRequested();

private:
    void createTrayIcon();
    void placePanel();

    std::unique_ptr<PanelWindow> m_panel;
    QSystemTrayIcon *m_tray = nullptr;
    QElapsedTimer m_sinceFocusLossClose;
};
