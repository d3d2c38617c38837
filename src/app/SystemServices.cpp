#include "SystemServices.h"

#include "PollTimers.h"
#include "QtClipboard.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStoreFile.h"
#include "SystemClipboard.h"

SystemServices::SystemServices(const QString &storeFile)
    : m_file(std::make_unique<SqliteStoreFile>(storeFile)),
      m_preferences(std::make_unique<SqlitePreferences>(*m_file)),
      m_history(std::make_unique<SqliteHistoryStore>(*m_file)), m_clipboard(makeSystemClipboard()),
      m_timers(std::make_unique<QtPollTimers>())
{
}

SystemServices::~SystemServices() = default;

Services SystemServices::services() const
{
    return {*m_clipboard, *m_preferences, *m_history, *m_timers};
}
