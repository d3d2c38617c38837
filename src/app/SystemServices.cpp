#include "SystemServices.h"

#include "PollTimers.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStoreFile.h"
#include "SystemClipboard.h"
#include "XdgAutostartEntry.h"

SystemServices::SystemServices(const QString &storeFile)
    : m_file(std::make_unique<SqliteStoreFile>(storeFile)),
      m_preferences(std::make_unique<SqlitePreferences>(*m_file)),
      m_history(std::make_unique<SqliteHistoryStore>(*m_file)),
      m_clipboard(createSystemClipboard()), m_timers(std::make_unique<QtPollTimers>()),
      m_autostart(std::make_unique<XdgAutostartEntry>())
{
}

SystemServices::~SystemServices() = default;

Services SystemServices::services() const
{
    return {*m_clipboard.clipboard,
            *m_preferences,
            *m_history,
            *m_timers,
            m_autostart.get(),
            m_clipboard.reach,
            m_clipboard.selection.get()};
}
