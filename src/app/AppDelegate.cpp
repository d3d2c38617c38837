#include "AppDelegate.h"

#include "PreferencesStore.h"
#include "TrayShell.h"

AppDelegate::AppDelegate(PreferencesStore &store, TrayShell &shell, QObject *parent)
    : QObject(parent), m_store(store), m_shell(shell)
{
}

void AppDelegate::applicationDidFinishLaunching()
{
    // Read from the store itself: the panel's switch may not have been drawn yet.
    m_shell.applyDockIconPolicy(m_store.boolValue(PreferenceKeys::showInDock));
}

void AppDelegate::trayDidBecomeAvailable()
{
    m_shell.installTray(m_store.boolValue(PreferenceKeys::showInDock));
}
