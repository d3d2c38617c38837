#pragma once

#include <QObject>

class AppDelegate;
class Clipboard;
class PreferencesStore;
class TrayShell;

struct LaunchOptions
{
    // Open the panel at launch, as a click on the tray icon would.
    bool showPanel = false;
    bool trayAvailable = false;
};

// The application: its one scene (the tray icon with the panel) and the delegate
// that finishes launching.
class Larkspan final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Larkspan)

public:
    Larkspan(Clipboard &clipboard, PreferencesStore &store, const LaunchOptions &options,
             QObject *parent = nullptr);
    ~Larkspan() override;

    // Finishes launching once the event loop runs.
    void launch();

    TrayShell &shell() const { return *m_shell; }
    AppDelegate &delegate() const { return *m_delegate; }

signals:
    void launched();

private:
    void finishLaunching();

    LaunchOptions m_options;
    TrayShell *m_shell;
    AppDelegate *m_delegate;
};
