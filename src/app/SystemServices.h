#pragma once

#include "Services.h"

#include <QString>

#include <memory>

// The services of a running Brimvale: the history file in the user's data
// folder, the system clipboard and the event loop's timers.
class SystemServices final
{
public:
    explicit SystemServices(const QString &storeFile);
    ~SystemServices();
    SystemServices(const SystemServices &) = delete;
    SystemServices &operator=(const SystemServices &) = delete;

    Services services() const;

private:
    std::unique_ptr<PreferencesStore> m_store;
    std::unique_ptr<Clipboard> m_clipboard;
    std::unique_ptr<PollTimers> m_timers;
};
