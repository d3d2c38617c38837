#include "MemoryPreferencesStore.h"

#include <algorithm>

MemoryPreferencesStore::MemoryPreferencesStore(QObject *parent) : PreferencesStore(parent) {}

bool MemoryPreferencesStore::boolValue(const QString &key) const
{
    return m_sessionBools.value(key, false);
}

bool MemoryPreferencesStore::setBoolValue(const QString &key, bool value)
{
    ++m_boolWriteCount;
    const bool changed = boolValue(key) != value;
    m_sessionBools.insert(key, value);
    const bool written = !m_failWrites;
    if (written) {
        m_storedBools.insert(key, value);
        m_lastError.clear();
    } else {
        m_lastError = QStringLiteral("writing \"%1\" failed (simulated)").arg(key);
    }
    if (changed)
        emit boolValueChanged(key, value);
    return written;
}

StoredHistory MemoryPreferencesStore::loadHistory()
{
    ++m_loadCount;
    if (m_failReads) {
        m_lastError = QStringLiteral("reading the history failed (simulated)");
        StoredHistory failed;
        failed.state = StoredHistory::State::Failed;
        return failed;
    }
    m_lastError.clear();
    return m_unreadable ? *m_unreadable : rowsAsHistory();
}

StoredHistory MemoryPreferencesStore::rowsAsHistory() const
{
    StoredHistory history;
    if (m_rows.empty())
        return history;
    history.state = StoredHistory::State::Loaded;
    for (auto it = m_rows.rbegin(); it != m_rows.rend(); ++it) {
        StoredList &list = history.lists[it->second.listKey];
        list.texts.append(it->second.text);
        list.ids.push_back(it->first);
    }
    return history;
}

std::optional<qint64> MemoryPreferencesStore::insertNewest(const QString &listKey,
                                                           const QString &text)
{
    if (!beginWrite())
        return std::nullopt;
    const qint64 id = nextId();
    m_rows.emplace(id, Row{listKey, text});
    return id;
}

bool MemoryPreferencesStore::removeItem(qint64 id)
{
    if (!beginWrite())
        return false;
    m_rows.erase(id);
    return true;
}

std::optional<std::vector<qint64>> MemoryPreferencesStore::replaceList(const QString &listKey,
                                                                       const QStringList &texts)
{
    if (!beginWrite())
        return std::nullopt;
    std::erase_if(m_rows, [&](const auto &row) { return row.second.listKey == listKey; });
    std::vector<qint64> ids(static_cast<size_t>(texts.size()));
    for (qsizetype i = texts.size() - 1; i >= 0; --i) {
        const qint64 id = nextId();
        m_rows.emplace(id, Row{listKey, texts.at(i)});
        ids[static_cast<size_t>(i)] = id;
    }
    return ids;
}

bool MemoryPreferencesStore::retainOnlyLists(const QStringList &keys)
{
    if (!beginWrite())
        return false;
    std::erase_if(m_rows, [&](const auto &row) { return !keys.contains(row.second.listKey); });
    return true;
}

std::optional<QString> MemoryPreferencesStore::setAsideHistory()
{
    if (!beginWrite())
        return std::nullopt;
    m_setAside.append(m_unreadable ? *m_unreadable : rowsAsHistory());
    m_unreadable.reset();
    m_rows.clear();
    return QStringLiteral("set-aside record %1 in memory").arg(m_setAside.size());
}

void MemoryPreferencesStore::setStoredHistory(const StoredHistory &history)
{
    m_rows.clear();
    m_unreadable.reset();
    switch (history.state) {
    case StoredHistory::State::Absent:
        return;
    case StoredHistory::State::Unreadable:
        m_unreadable = history;
        return;
    case StoredHistory::State::Failed:
        m_failReads = true;
        return;
    case StoredHistory::State::Loaded:
        break;
    }
    for (auto it = history.lists.cbegin(); it != history.lists.cend(); ++it) {
        const StoredList &list = it.value();
        const bool keepIds = list.ids.size() == static_cast<size_t>(list.texts.size());
        for (qsizetype i = list.texts.size() - 1; i >= 0; --i) {
            const qint64 id = keepIds ? list.ids[static_cast<size_t>(i)] : nextId();
            m_rows.insert_or_assign(id, Row{it.key(), list.texts.at(i)});
        }
    }
}

StoredList MemoryPreferencesStore::storedList(const QString &listKey) const
{
    StoredList list;
    for (auto it = m_rows.rbegin(); it != m_rows.rend(); ++it) {
        if (it->second.listKey == listKey) {
            list.texts.append(it->second.text);
            list.ids.push_back(it->first);
        }
    }
    return list;
}

QStringList MemoryPreferencesStore::storedListKeys() const
{
    QStringList keys;
    for (const auto &[id, row] : m_rows) {
        if (!keys.contains(row.listKey))
            keys.append(row.listKey);
    }
    keys.sort();
    return keys;
}

std::optional<bool> MemoryPreferencesStore::storedBool(const QString &key) const
{
    const auto it = m_storedBools.constFind(key);
    if (it == m_storedBools.cend())
        return std::nullopt;
    return it.value();
}

void MemoryPreferencesStore::resetCounts()
{
    m_writeCount = 0;
    m_boolWriteCount = 0;
    m_loadCount = 0;
}

bool MemoryPreferencesStore::beginWrite()
{
    ++m_writeCount;
    if (m_failWrites) {
        m_lastError = QStringLiteral("writing the history failed (simulated)");
        return false;
    }
    m_lastError.clear();
    return true;
}

qint64 MemoryPreferencesStore::nextId() const
{
    return m_rows.empty() ? 1 : m_rows.rbegin()->first + 1;
}
