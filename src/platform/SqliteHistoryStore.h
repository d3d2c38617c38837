#pragma once

#include "HistoryStore.h"
#include "SqliteStoreFile.h"

#include <QCoreApplication>

// The history kept in the store file's `clipboard_data` table.
class SqliteHistoryStore final : public HistoryStore, private SqliteStoreFile::Observer
{
    Q_DECLARE_TR_FUNCTIONS(SqliteHistoryStore)

public:
    // `file` must outlive this object.
    explicit SqliteHistoryStore(SqliteStoreFile &file);
    ~SqliteHistoryStore() override;
    Q_DISABLE_COPY_MOVE(SqliteHistoryStore)

    // Failed when the file cannot be read now. A file found damaged is set aside at
    // once: Unreadable, and setAsideHistory() then only reports where it was kept.
    HistoryRecord loadLists(const QStringList &keys) override;
    StoreResult<qint64> insertItem(const QString &listKey, qint64 id,
                                   const QByteArray &utf8) override;
    using HistoryStore::insertNewest;
    StoreStatus removeItem(qint64 id) override;
    using HistoryStore::replaceList;
    StoreResult<std::vector<qint64>> replaceList(const QString &listKey, const QStringList &texts,
                                                 const std::vector<qint64> &ids) override;
    StoreStatus retainOnlyLists(const QStringList &keys) override;
    StoreStatus pinItem(qint64 id) override;
    StoreStatus unpinItem(qint64 id) override;
    StoreStatus removeUnpinned(const QString &listKey) override;
    StoreResult<QString> setAsideHistory() override;
    StoreWriter *writer() override { return &m_file.writer(); }
    StoreTroubles *troubles() override { return &m_file.troubles(); }
    // The file's size with its write-ahead log.
    qint64 sizeHint() const override;
    void setRecordLostHandler(RecordLost handler) override;

private:
    int readOnOpening(SqliteStoreFile::Connection &) override { return 0; }
    StoreStatus fileOpened() override { return {}; }
    void fileMovedAside() override;

    SqliteStoreFile &m_file;
    // On the file's thread.
    RecordLost m_recordLost;
    // Where a file found damaged by load() was kept, for setAsideHistory().
    QString m_damagedFileKeptAs;
};
