#include "TemporaryStore.h"

#include "FailingHistoryStore.h"
#include "SqliteStores.h"

TemporaryStore::TemporaryStore() : m_path(m_dir.filePath(QStringLiteral("brimvale.sqlite3")))
{
    build();
}

TemporaryStore::~TemporaryStore() = default;

SqliteStoreFile &TemporaryStore::file()
{
    return m_stores->file;
}

SqlitePreferences &TemporaryStore::preferences()
{
    return m_stores->preferences;
}

SqliteHistoryStore &TemporaryStore::history()
{
    return m_stores->history;
}

void TemporaryStore::settle()
{
    ::settle(file());
}

void TemporaryStore::restart()
{
    m_failingHistory.reset();
    m_stores.reset();
    build();
}

void TemporaryStore::build()
{
    m_stores = std::make_unique<SqliteStores>(m_path);
    m_failingHistory = std::make_unique<FailingHistoryStore>(m_stores->history);
}
