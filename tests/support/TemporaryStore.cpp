#include "TemporaryStore.h"

#include "FailingHistoryStore.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStoreFile.h"

TemporaryStore::TemporaryStore() : m_path(m_dir.filePath(QStringLiteral("brimvale.sqlite3")))
{
    build();
}

TemporaryStore::~TemporaryStore() = default;

void TemporaryStore::restart()
{
    m_failingHistory.reset();
    m_history.reset();
    m_preferences.reset();
    m_file.reset();
    build();
}

void TemporaryStore::build()
{
    m_file = std::make_unique<SqliteStoreFile>(m_path);
    m_preferences = std::make_unique<SqlitePreferences>(*m_file);
    m_history = std::make_unique<SqliteHistoryStore>(*m_file);
    m_failingHistory = std::make_unique<FailingHistoryStore>(*m_history);
}
