#pragma once

#include "HistoryStore.h"

#include <QCoreApplication>

class SqliteStoreFile;

// The history kept in the store file's `clipboard_data` table.
class SqliteHistoryStore final : public HistoryStore
{
    Q_DECLARE_TR_FUNCTIONS(SqliteHistoryStore)

public:
    // `file` must outlive this object.
    explicit SqliteHistoryStore(SqliteStoreFile &file);
    ~SqliteHistoryStore() override = default;
    Q_DISABLE_COPY_MOVE(SqliteHistoryStore)

    // Failed when the file cannot be read now. A file found damaged is set aside at
    // once: Unreadable, and setAsideHistory() then only reports where it was kept.
    HistoryRecord loadLists(const QStringList &keys) override;
    StoreResult<qint64> insertNewest(const QString &listKey, const QString &text) override;
    // Runs on a connection of its own, so only while the file is open for writing.
    InsertJob insertNewestJob(const QString &listKey, const QString &text) override;
    StoreStatus removeItem(qint64 id) override;
    StoreResult<std::vector<qint64>> replaceList(const QString &listKey,
                                                 const QStringList &texts) override;
    StoreStatus retainOnlyLists(const QStringList &keys) override;
    StoreResult<QString> setAsideHistory() override;

private:
    SqliteStoreFile &m_file;
    // Where a file found damaged by load() was kept, for setAsideHistory().
    QString m_damagedFileKeptAs;
};
