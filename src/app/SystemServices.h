#pragma once

#include "Services.h"
#include "SystemClipboard.h"

#include <QString>

#include <memory>

class SqliteHistoryStore;
class XdgAutostartEntry;
class SqlitePreferences;
class SqliteStoreFile;

// The services of a running Brimvale: the preferences and the history in one
// SQLite file in the user's data folder, the system clipboard and the event
// loop's timers.
class SystemServices final
{
public:
    explicit SystemServices(const QString &storeFile);
    ~SystemServices();
    SystemServices(const SystemServices &) = delete;
    SystemServices &operator=(const SystemServices &) = delete;

    Services services() const;

private:
    // In the order they depend on each other, so destroyed in reverse.
    std::unique_ptr<SqliteStoreFile> m_file;
    std::unique_ptr<SqlitePreferences> m_preferences;
    std::unique_ptr<SqliteHistoryStore> m_history;
    SystemClipboard m_clipboard;
    std::unique_ptr<PollTimers> m_timers;
    std::unique_ptr<XdgAutostartEntry> m_autostart;
};
