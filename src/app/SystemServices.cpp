#include "SystemServices.h"

#include "PollTimers.h"
#include "QtClipboard.h"
#include "SqlitePreferencesStore.h"

SystemServices::SystemServices(const QString &storeFile)
    : m_store(std::make_unique<SqlitePreferencesStore>(storeFile)),
      m_clipboard(std::make_unique<QtClipboard>()), m_timers(std::make_unique<QtPollTimers>())
{
}

SystemServices::~SystemServices() = default;

Services SystemServices::services() const
{
    return {*m_clipboard, *m_store, *m_timers};
}
