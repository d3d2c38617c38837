#pragma once

#include "Services.h"

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
    std::unique_ptr<Clipboard> m_clipboard;
    std::unique_ptr<PollTimers> m_timers;
    ClipboardReach m_reach; // what choosing m_clipboard found
    std::unique_ptr<XdgAutostartEntry> m_autostart;
    std::unique_ptr<SelectionSource> m_selection; // read the way m_clipboard is
};
