#include "MemoryPreferences.h"

#include <utility>

MemoryPreferences::MemoryPreferences(QObject *parent) : Preferences(parent)
{
    for (const PreferenceInfo &info : preferenceTable)
        entry(info.preference).value = info.defaultValue;
}

qint64 MemoryPreferences::number(Preference preference) const
{
    return m_entries[preferenceIndex(preference)].value;
}

void MemoryPreferences::setNumber(Preference preference, qint64 value)
{
    Entry &e = entry(preference);
    const bool changed = e.value != value;
    e.value = value;
    e.unsaved = true;
    m_lastWrite = write(preference);
    if (changed)
        emit this->changed(preference);
}

std::optional<bool> MemoryPreferences::storedValue(Preference preference) const
{
    const std::optional<qint64> stored = storedNumber(preference);
    if (!stored)
        return std::nullopt;
    return *stored != 0;
}

void MemoryPreferences::setStoredValue(Preference preference, bool value)
{
    setStoredNumber(preference, value ? 1 : 0);
}

std::optional<qint64> MemoryPreferences::storedNumber(Preference preference) const
{
    return m_entries[preferenceIndex(preference)].stored;
}

void MemoryPreferences::setStoredNumber(Preference preference, qint64 value)
{
    entry(preference).stored = value;
}

StoreStatus MemoryPreferences::reopen()
{
    std::array<bool, preferenceCount> reloaded{};
    for (const PreferenceInfo &info : preferenceTable) {
        Entry &e = entry(info.preference);
        if (e.unsaved || !e.stored || *e.stored == e.value)
            continue;
        e.value = *e.stored;
        reloaded[preferenceIndex(info.preference)] = true;
    }
    StoreStatus status;
    for (const PreferenceInfo &info : preferenceTable) {
        if (!entry(info.preference).unsaved)
            continue;
        status = write(info.preference);
        if (!status.ok())
            break;
    }
    for (const PreferenceInfo &info : preferenceTable) {
        if (reloaded[preferenceIndex(info.preference)])
            emit changed(info.preference);
    }
    return status;
}

StoreStatus MemoryPreferences::write(Preference preference)
{
    ++m_writeCount;
    if (m_failWrites)
        return StoreError{
            QStringLiteral("saving \"%1\" failed (simulated)").arg(preferenceKey(preference))};
    Entry &e = entry(preference);
    e.stored = e.value;
    e.unsaved = false;
    return {};
}
