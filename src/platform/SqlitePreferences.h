#pragma once

#include "Preferences.h"
#include "SqliteStoreFile.h"

#include <array>

// The preferences kept in the store file's `preferences` table.
//
// Values are read once per opening of the file. A value set while the file was out
// of reach is kept for the session, written on the next opening and wins over what
// the file holds then; values found otherwise on reopening are announced once the
// file is usable.
class SqlitePreferences final : public Preferences, private SqliteStoreFile::Observer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SqlitePreferences)

public:
    // Reads the values from `file` (opening it), which must outlive this object.
    explicit SqlitePreferences(SqliteStoreFile &file, QObject *parent = nullptr);
    ~SqlitePreferences() override;

    qint64 number(Preference preference) const override;
    StoreStatus setNumber(Preference preference, qint64 value) override;

private:
    struct Entry
    {
        qint64 value = 0;
        // Read from the file or set this session: a new file must get it.
        bool known = false;
        // Set by the user but not yet written.
        bool unsaved = false;
        // Found otherwise on (re)opening; announced once the file is usable.
        bool reloaded = false;
    };

    int readOnOpening(SqliteStoreFile::Connection &connection) override;
    StoreStatus fileOpened() override;
    void fileMovedAside() override;

    // A `preferences` table of another shape is renamed, once per file, so that a
    // new one can hold the choices; `problem` says what is wrong with it.
    int setAside(SqliteStoreFile::Connection &connection, const QString &problem);
    StoreStatus save(Preference preference);
    Entry &entry(Preference preference) { return m_entries[preferenceIndex(preference)]; }

    SqliteStoreFile &m_file;
    std::array<Entry, preferenceCount> m_entries;
    // The line about a table that could not be set aside was written.
    bool m_unreadableSaid = false;
};
