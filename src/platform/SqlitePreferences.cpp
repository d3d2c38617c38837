#include "SqlitePreferences.h"

#include "Logging.h"
#include "SqliteTables.h"

#include <sqlite3.h>

SqlitePreferences::SqlitePreferences(SqliteStoreFile &file, QObject *parent)
    : Preferences(parent), m_file(file)
{
    for (const PreferenceInfo &info : preferenceTable)
        entry(info.preference).value = info.defaultValue;
    m_file.addObserver(this);
    // A file out of reach now is opened again, and read, by the next operation.
    static_cast<void>(m_file.open());
}

SqlitePreferences::~SqlitePreferences()
{
    m_file.removeObserver(this);
}

qint64 SqlitePreferences::number(Preference preference) const
{
    return m_entries[preferenceIndex(preference)].value;
}

StoreStatus SqlitePreferences::setNumber(Preference preference, qint64 value)
{
    Entry &e = entry(preference);
    const bool changed = e.value != value;
    e.value = value;
    e.known = true;
    e.unsaved = true;
    StoreStatus status = save(preference);
    if (status.ok())
        e.unsaved = false;
    if (changed)
        emit this->changed(preference);
    return status;
}

StoreStatus SqlitePreferences::save(Preference preference)
{
    const QString key = preferenceKey(preference);
    const qint64 value = number(preference);
    return m_file.transaction(tr("Saving \"%1\"").arg(key), [&](SqliteStoreFile::Connection &c) {
        SqliteStatement &upsert =
            c.statement("INSERT INTO preferences(key, value) VALUES(?1, ?2) "
                        "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
        upsert.bind(1, key);
        upsert.bind(2, value);
        return upsert.run();
    });
}

int SqlitePreferences::readOnOpening(SqliteStoreFile::Connection &connection)
{
    const SqliteTables::Judgement table =
        SqliteTables::judge(connection.handle(), "preferences", {{"key", true}, {"value"}});
    if (!SqliteDatabase::isOk(table.rc))
        return table.rc;
    // A file only read may lack the table: every value is then its default.
    if (table.shape == SqliteTables::Judgement::Shape::Absent)
        return SQLITE_OK;
    if (table.shape == SqliteTables::Judgement::Shape::Other)
        return setAside(connection, table.problem);
    SqliteStatement select;
    int rc = select.prepare(connection.handle(),
                            "SELECT key, typeof(value) = 'integer', value FROM preferences");
    if (!SqliteDatabase::isOk(rc))
        return rc;
    while ((rc = select.step()) == SQLITE_ROW) {
        const std::optional<Preference> preference = preferenceForKey(select.columnText(0));
        if (!preference)
            continue;
        // A choice made while the file was out of reach wins over the file.
        Entry &e = entry(*preference);
        const PreferenceInfo &info = preferenceInfo(*preference);
        const bool isInteger = select.columnInt64(1) != 0;
        qint64 value = info.defaultValue;
        if (info.kind == PreferenceKind::Switch)
            value = isInteger && select.columnInt64(2) != 0 ? 1 : 0;
        else if (isInteger)
            value = select.columnInt64(2);
        if (e.unsaved || e.value == value)
            continue;
        e.value = value;
        e.known = true;
        // Told once the store is usable again, not from the middle of opening it.
        e.reloaded = true;
    }
    return rc;
}

int SqlitePreferences::setAside(SqliteStoreFile::Connection &connection, const QString &problem)
{
    QString keptAs;
    int rc = SQLITE_READONLY;
    if (!connection.isReadOnly()) {
        rc = connection.exec("BEGIN IMMEDIATE");
        if (SqliteDatabase::isOk(rc))
            rc = SqliteTables::renameAside(connection.handle(), QStringLiteral("preferences"),
                                           &keptAs);
        if (SqliteDatabase::isOk(rc))
            rc = connection.exec(SqliteStoreFile::createSchemaSql());
        if (SqliteDatabase::isOk(rc))
            rc = connection.exec("COMMIT");
        if (!SqliteDatabase::isOk(rc) && !sqlite3_get_autocommit(connection.handle()))
            connection.exec("ROLLBACK");
    }
    if (SqliteDatabase::isOk(rc)) {
        qCWarning(lcPlatform).noquote()
            << tr("the stored preferences are unreadable (%1); they were kept as table %2 in %3 "
                  "and the preferences start from their defaults")
                   .arg(problem, keptAs, m_file.path());
        m_unreadableSaid = false;
        // The new table must get the choices the session still knows.
        fileMovedAside();
        return SQLITE_OK;
    }
    if (!std::exchange(m_unreadableSaid, true))
        qCWarning(lcPlatform).noquote()
            << tr("the stored preferences are unreadable (%1) and could not be set aside (%2); "
                  "they are left untouched and choices are kept in memory")
                   .arg(problem, QString::fromUtf8(sqlite3_errstr(rc)));
    // The history beside them is still to be read.
    return SQLITE_OK;
}

StoreStatus SqlitePreferences::fileOpened()
{
    StoreStatus status;
    for (const PreferenceInfo &info : preferenceTable) {
        Entry &e = entry(info.preference);
        // Choices made meanwhile wait for a file that takes them.
        if (!e.unsaved || m_file.isReadOnly())
            continue;
        status = save(info.preference);
        if (!status.ok())
            break;
        e.unsaved = false;
    }
    // Values read as their default while the file was out of reach may be
    // otherwise after all.
    for (const PreferenceInfo &info : preferenceTable) {
        if (std::exchange(entry(info.preference).reloaded, false))
            emit changed(info.preference);
    }
    return status;
}

void SqlitePreferences::fileMovedAside()
{
    // The new file must get the choices the session still knows.
    for (Entry &e : m_entries) {
        if (e.known)
            e.unsaved = true;
    }
}
