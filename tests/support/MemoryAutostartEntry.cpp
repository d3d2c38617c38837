#include "MemoryAutostartEntry.h"

StoreStatus MemoryAutostartEntry::setEnabled(bool on)
{
    ++m_writeCount;
    if (m_failWrites)
        return StoreError{QStringLiteral("cannot write the autostart entry (test)")};
    m_exists = on;
    m_enabled = on;
    return {};
}
