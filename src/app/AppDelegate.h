#pragma once

#include <QObject>

class PreferencesStore;
class TrayShell;

// Application-level reactions of the program: once launching has finished, and
// once a late system tray appears, it applies the stored Dock icon policy.
class AppDelegate final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppDelegate)

public:
    AppDelegate(PreferencesStore &store, TrayShell &shell, QObject *parent = nullptr);

    void applicationDidFinishLaunching();
    // The system tray came up after launch.
    void trayDidBecomeAvailable();

private:
    PreferencesStore &m_store;
    TrayShell &m_shell;
};
