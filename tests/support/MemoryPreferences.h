#pragma once

#include "Preferences.h"
#include "StoreResult.h"

#include <array>
#include <optional>

// Preferences held in memory, for tests of what sits above them. They behave as
// the SQLite ones do (a value is kept and announced even when it cannot be
// written; stored values found otherwise are announced on reopening) and let a
// test make writes fail, plant what another session stored, and look at what was
// stored.
class MemoryPreferences final : public Preferences
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MemoryPreferences)

public:
    explicit MemoryPreferences(QObject *parent = nullptr);

    qint64 number(Preference preference) const override;
    void setNumber(Preference preference, qint64 value) override;
    // What became of the last setNumber()'s write.
    StoreStatus flush() override { return m_lastWrite; }

    // While set, every write fails and changes nothing stored.
    void setFailWrites(bool fail) { m_failWrites = fail; }
    // What is stored, as a later session would read it; nullopt when never written.
    std::optional<bool> storedValue(Preference preference) const;
    // Stores `value` as another session would; this one sees it on reopen().
    void setStoredValue(Preference preference, bool value);
    // The same for a number.
    std::optional<qint64> storedNumber(Preference preference) const;
    void setStoredNumber(Preference preference, qint64 value);
    // As the SQLite preferences on reopening their file: stored values that differ
    // from the session's are taken unless the user set another that could not be
    // written, which is written now; what changed is announced.
    StoreStatus reopen();

    // Calls of setValue(), whether they succeed or not, and writes reopen() made.
    int writeCount() const { return m_writeCount; }
    void resetCounts() { m_writeCount = 0; }

private:
    struct Entry
    {
        qint64 value = 0;
        std::optional<qint64> stored;
        bool unsaved = false;
    };

    StoreStatus write(Preference preference);
    Entry &entry(Preference preference) { return m_entries[preferenceIndex(preference)]; }

    std::array<Entry, preferenceCount> m_entries;
    bool m_failWrites = false;
    int m_writeCount = 0;
    StoreStatus m_lastWrite;
};
