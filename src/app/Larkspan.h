#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <utility>

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

// After a launch without a tray, `isAvailable` is asked every `interval` for as
// long as `waitTime`; the tray is taken in once it answers true.
struct LateTrayProbe
{
    std::function<bool()> isAvailable;
    std::chrono::milliseconds interval{1000};
    std::chrono::milliseconds waitTime{120000};
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
    // Without it, a launch without a tray never looks for one again.
    void setLateTrayProbe(LateTrayProbe probe) { m_lateTrayProbe = std::move(probe); }

    TrayShell &shell() const { return *m_shell; }
    AppDelegate &delegate() const { return *m_delegate; }

signals:
    void launched();

private:
    void finishLaunching();
    void watchForLateTray();

    LaunchOptions m_options;
    LateTrayProbe m_lateTrayProbe;
    TrayShell *m_shell;
    AppDelegate *m_delegate;
};
