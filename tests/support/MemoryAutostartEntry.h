#pragma once

#include "AutostartEntry.h"

// An autostart entry in memory, for tests of the panel's switch: it can be
// switched off behind the panel's back, as a desktop's settings do, and made to
// refuse writes.
class MemoryAutostartEntry final : public AutostartEntry
{
public:
    bool isEnabled() const override { return m_exists && m_enabled; }
    bool exists() const override { return m_exists; }
    StoreStatus setEnabled(bool on) override;
    bool isOutdated() const override { return false; }

    // As a desktop's settings would leave it: present, switched on or off.
    void setOnDisk(bool exists, bool enabled)
    {
        m_exists = exists;
        m_enabled = enabled;
    }
    void setFailWrites(bool fail) { m_failWrites = fail; }
    int writeCount() const { return m_writeCount; }

private:
    bool m_exists = false;
    bool m_enabled = false;
    bool m_failWrites = false;
    int m_writeCount = 0;
};
