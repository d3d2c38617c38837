#pragma once

#include "Preferences.h"
#include "SqliteStoreFile.h"

#include <array>

// The preferences kept in the store file's `preferences` table.
//
// Values are read once per opening of the file. A value set holds at once and is
// handed to the file's writer; one it cannot write now is written later, at the
// latest on the next opening, and wins over what the file holds then. Values
// found otherwise on reopening are announced once the file is usable, unless set
// this session.
//
// The values the program reads live on the thread that made this object; what
// is known of the file lives on the file's thread, and the two talk by queue.
class SqlitePreferences final : public Preferences, private SqliteStoreFile::Observer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SqlitePreferences)

public:
    // Reads the values from `file` (opening it), which must outlive this object.
    explicit SqlitePreferences(SqliteStoreFile &file, QObject *parent = nullptr);
    ~SqlitePreferences() override;

    qint64 number(Preference preference) const override;
    void setNumber(Preference preference, qint64 value) override;
    StoreStatus flush() override;

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

    // The file's thread: what it holds of the file.
    int readOnOpening(SqliteStoreFile::Connection &connection) override;
    StoreStatus fileOpened() override;
    void fileMovedAside() override;

    // A `preferences` table of another shape is renamed, once per file, so that a
    // new one can hold the choices; `problem` says what is wrong with it.
    int setAside(SqliteStoreFile::Connection &connection, const QString &problem);
    StoreStatus save(Preference preference);
    StoreStatus saveUnsaved();
    Entry &entry(Preference preference) { return m_entries[preferenceIndex(preference)]; }

    // This object's thread.
    void written(const StoreStatus &status);
    void reloaded(Preference preference, qint64 value);

    SqliteStoreFile &m_file;
    // On the file's thread.
    std::array<Entry, preferenceCount> m_entries;
    // The line about a table that could not be set aside was written.
    bool m_unreadableSaid = false;
    // On this object's thread.
    std::array<qint64, preferenceCount> m_values{};
    std::array<bool, preferenceCount> m_setHere{};
    StoreStatus m_lastWrite;
};
