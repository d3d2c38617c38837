#include "Larkspan.h"

#include "AppDelegate.h"
#include "AppLogging.h"
#include "TrayShell.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>

Larkspan::Larkspan(Clipboard &clipboard, PreferencesStore &store, const LaunchOptions &options,
                   QObject *parent)
    : QObject(parent), m_options(options),
      m_shell(new TrayShell(clipboard, store, options.trayAvailable, this)),
      m_delegate(new AppDelegate(store, *m_shell, this))
{
    // With a tray the program lives on when the panel closes; without one the
    // panel is all there is, and closing it ends the program.
    QApplication::setQuitOnLastWindowClosed(!options.trayAvailable);
    connect(m_shell, &TrayShell::quitRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
}

Larkspan::~Larkspan() = default;

void Larkspan::launch()
{
    QTimer::singleShot(0, this, &Larkspan::finishLaunching);
}

void Larkspan::finishLaunching()
{
    m_delegate->applicationDidFinishLaunching();
    if (!m_options.trayAvailable) {
        qCWarning(lcApp, "no system tray is available, so the panel opens as a window.");
        m_shell->openPanel();
        watchForLateTray();
    } else if (m_options.showPanel) {
        m_shell->openPanel();
    }
    emit launched();
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
            m_delegate->trayDidBecomeAvailable();
            QApplication::setQuitOnLastWindowClosed(false);
            qCWarning(lcApp, "the system tray is available now; the panel lives in it.");
        } else if (deadline.hasExpired()) {
            probeTimer->deleteLater();
        }
    });
    probeTimer->start();
}
