#include "FailingHistoryStore.h"

#include "StoreWriter.h"

HistoryRecord FailingHistoryStore::loadLists(const QStringList &keys)
{
    ++m_loadCount;
    if (!m_failReads)
        return m_inner.loadLists(keys);
    HistoryRecord failed;
    failed.state = HistoryRecord::State::Failed;
    failed.error = QStringLiteral("Reading the history failed (injected)");
    return failed;
}

StoreResult<qint64> FailingHistoryStore::insertItem(const QString &listKey, qint64 id,
                                                    const QByteArray &utf8)
{
    if (auto error = failure("Saving a clipboard item"))
        return *error;
    return m_inner.insertItem(listKey, id, utf8);
}

StoreStatus FailingHistoryStore::removeItem(qint64 id)
{
    if (auto error = failure("Removing a clipboard item"))
        return *error;
    return m_inner.removeItem(id);
}

StoreResult<std::vector<qint64>> FailingHistoryStore::replaceList(const QString &listKey,
                                                                  const QStringList &texts,
                                                                  const std::vector<qint64> &ids)
{
    if (auto error = failure("Saving a list"))
        return *error;
    return m_inner.replaceList(listKey, texts, ids);
}

StoreStatus FailingHistoryStore::retainOnlyLists(const QStringList &keys)
{
    if (auto error = failure("Removing other lists"))
        return *error;
    return m_inner.retainOnlyLists(keys);
}

StoreStatus FailingHistoryStore::pinItem(qint64 id)
{
    if (auto error = failure("Pinning an item"))
        return *error;
    return m_inner.pinItem(id);
}

StoreStatus FailingHistoryStore::unpinItem(qint64 id)
{
    if (auto error = failure("Unpinning an item"))
        return *error;
    return m_inner.unpinItem(id);
}

StoreStatus FailingHistoryStore::removeUnpinned(const QString &listKey)
{
    if (auto error = failure("Removing the items not pinned"))
        return *error;
    return m_inner.removeUnpinned(listKey);
}

StoreResult<QString> FailingHistoryStore::setAsideHistory()
{
    if (auto error = failure("Setting the history aside"))
        return *error;
    return m_inner.setAsideHistory();
}

int FailingHistoryStore::writeCount() const
{
    if (StoreWriter *writer = m_inner.writer())
        writer->flush();
    return m_writeCount;
}

int FailingHistoryStore::loadCount() const
{
    if (StoreWriter *writer = m_inner.writer())
        writer->flush();
    return m_loadCount;
}

void FailingHistoryStore::resetCounts()
{
    if (StoreWriter *writer = m_inner.writer())
        writer->flush();
    m_writeCount = 0;
    m_loadCount = 0;
}

std::optional<StoreError> FailingHistoryStore::failure(const char *action)
{
    ++m_writeCount;
    if (!m_failWrites && m_failNextWrites <= 0)
        return std::nullopt;
    if (m_failNextWrites > 0)
        --m_failNextWrites;
    return StoreError{QStringLiteral("%1 failed (injected)").arg(QLatin1StringView(action))};
}
