#pragma once

#include "HistoryStore.h"

#include <atomic>

// A history store that passes every call on to a real one, and fails on demand:
// tests run the real store in a temporary directory and inject faults it cannot
// be made to have there. An injected failure never reaches the real store, so
// what was stored before stays as it was.
class FailingHistoryStore final : public HistoryStore
{
public:
    // `inner` must outlive this object.
    explicit FailingHistoryStore(HistoryStore &inner) : m_inner(inner) {}
    ~FailingHistoryStore() override = default;
    Q_DISABLE_COPY_MOVE(FailingHistoryStore)

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
    // Used on the real store's thread, as the real store is.
    StoreWriter *writer() override { return m_inner.writer(); }
    qint64 sizeHint() const override { return m_inner.sizeHint(); }
    void setRecordLostHandler(RecordLost handler) override
    {
        m_inner.setRecordLostHandler(std::move(handler));
    }

    // While set, every write (each call but load()) fails.
    void setFailWrites(bool fail) { m_failWrites = fail; }
    // The next `count` writes fail, then writes pass again.
    void failNextWrites(int count) { m_failNextWrites = count; }
    // While set, loading reports Failed, as when the file cannot be read now.
    void setFailReads(bool fail) { m_failReads = fail; }

    // Calls of the writes and of load(), counted whether they succeed or not, once
    // every change handed to the store's thread so far was tried.
    int writeCount() const;
    int loadCount() const;
    void resetCounts();

private:
    // The injected failure of `action`, if this write is to fail.
    std::optional<StoreError> failure(const char *action);

    HistoryStore &m_inner;
    // Set by a test, read on the store's thread.
    std::atomic<bool> m_failWrites = false;
    std::atomic<bool> m_failReads = false;
    std::atomic<int> m_failNextWrites = 0;
    std::atomic<int> m_writeCount = 0;
    std::atomic<int> m_loadCount = 0;
};
