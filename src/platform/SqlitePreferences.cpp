#include "SqlitePreferences.h"

#include "Logging.h"
#include "SqliteTables.h"

#include <QCoreApplication>

#include <sqlite3.h>

SqlitePreferences::SqlitePreferences(SqliteStoreFile &file, QObject *parent)
    : Preferences(parent), m_file(file)
{
    for (const PreferenceInfo &info : preferenceTable)
        entry(info.preference).value = info.defaultValue;
    m_file.addObserver(this);
    // A file out of reach now is opened again, and read, by the next operation.
    static_cast<void>(m_file.open());
    m_file.writer().call([this] {
        for (std::size_t i = 0; i < preferenceCount; ++i)
            m_values[i] = m_entries[i].value;
    });
}

SqlitePreferences::~SqlitePreferences()
{
    static_cast<void>(flush());
    StoreWriter &writer = m_file.writer();
    writer.drop([this](const StoreWriter::Topic &topic) { return topic.owner == this; });
    m_file.removeObserver(this);
}

qint64 SqlitePreferences::number(Preference preference) const
{
    return m_values[preferenceIndex(preference)];
}

void SqlitePreferences::setNumber(Preference preference, qint64 value)
{
    const std::size_t i = preferenceIndex(preference);
    const bool changed = m_values[i] != value;
    m_values[i] = value;
    m_setHere[i] = true;
    StoreWriter &writer = m_file.writer();
    // Only the latest value of a preference is worth writing.
    writer.drop([this, preference](const StoreWriter::Topic &topic) {
        return topic.owner == this && topic.item == qint64(preference);
    });
    writer.submit({{this, QStringLiteral("preferences"), qint64(preference)},
                   [this, preference, value] {
                       Entry &e = entry(preference);
                       e.value = value;
                       e.known = true;
                       e.unsaved = true;
                       return saveUnsaved();
                   },
                   [this](const StoreStatus &status) { written(status); },
                   this});
    if (changed)
        emit this->changed(preference);
}

StoreStatus SqlitePreferences::flush()
{
    m_file.writer().flush();
    // What the writer told is queued here; take it in.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return m_lastWrite;
}

void SqlitePreferences::written(const StoreStatus &status)
{
    m_lastWrite = status;
    const auto say = [](const QString &line) { qCWarning(lcPlatform).noquote() << line; };
    if (!status.ok())
        m_file.troubles().started(StoreTroubles::Part::Preferences,
                                  tr("could not save the preferences (%1); they hold for this "
                                     "session and saving is tried again")
                                      .arg(status.error()),
                                  say);
    else
        m_file.troubles().ended(StoreTroubles::Part::Preferences,
                                tr("the preferences are saved again"), say);
}

void SqlitePreferences::reloaded(Preference preference, qint64 value)
{
    const std::size_t i = preferenceIndex(preference);
    // A choice made this session wins over what the file was found to hold.
    if (m_setHere[i] || m_values[i] == value)
        return;
    m_values[i] = value;
    emit changed(preference);
}

StoreStatus SqlitePreferences::saveUnsaved()
{
    for (const PreferenceInfo &info : preferenceTable) {
        Entry &e = entry(info.preference);
        if (!e.unsaved)
            continue;
        if (StoreStatus status = save(info.preference); !status.ok())
            return status;
        e.unsaved = false;
    }
    return {};
}

StoreStatus SqlitePreferences::save(Preference preference)
{
    const QString key = preferenceKey(preference);
    const qint64 value = entry(preference).value;
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
    // Choices made meanwhile wait for a file that takes them.
    const StoreStatus status = m_file.isReadOnly() ? StoreStatus() : saveUnsaved();
    // Values read as their default while the file was out of reach may be
    // otherwise after all.
    for (const PreferenceInfo &info : preferenceTable) {
        Entry &e = entry(info.preference);
        if (std::exchange(e.reloaded, false))
            QMetaObject::invokeMethod(
                this,
                [this, preference = info.preference, value = e.value] {
                    reloaded(preference, value);
                },
                Qt::QueuedConnection);
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
