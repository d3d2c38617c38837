#pragma once

#include "PreferencesStore.h"

#include <QList>

#include <map>

// A preferences store held in memory, for tests. It behaves like the file-backed
// store (ids grow with every insert, newest highest; no rows means no record) and
// lets a test make writes fail, plant a record, and look at what was stored.
class MemoryPreferencesStore final : public PreferencesStore
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MemoryPreferencesStore)

public:
    explicit MemoryPreferencesStore(QObject *parent = nullptr);

    bool boolValue(const QString &key) const override;
    bool setBoolValue(const QString &key, bool value) override;

    StoredHistory loadHistory() override;
    std::optional<qint64> insertNewest(const QString &listKey, const QString &text) override;
    bool removeItem(qint64 id) override;
    std::optional<std::vector<qint64>> replaceList(const QString &listKey,
                                                   const QStringList &texts) override;
    bool retainOnlyLists(const QStringList &keys) override;
    std::optional<QString> setAsideHistory() override;

    // The error of the latest write; empty after a write that succeeded.
    QString lastError() const override { return m_lastError; }

    // While set, every write fails and changes nothing stored (a boolean is still
    // kept for the session, as the real store does).
    void setFailWrites(bool fail) { m_failWrites = fail; }
    // While set, loadHistory() reports Failed, as when the file cannot be read.
    void setFailReads(bool fail) { m_failReads = fail; }
    // Replaces what is stored. A Loaded record keeps its ids when every list has
    // one per text; otherwise ids are given oldest first. An Unreadable record is
    // what loadHistory() returns until setAsideHistory(). Failed empties the store
    // and sets setFailReads(true).
    void setStoredHistory(const StoredHistory &history);

    // What is stored, as a later load would see it.
    StoredList storedList(const QString &listKey) const;
    QStringList storedListKeys() const;
    std::optional<bool> storedBool(const QString &key) const;
    const QList<StoredHistory> &setAsideRecords() const { return m_setAside; }

    // Calls of the history writes (insertNewest, removeItem, replaceList,
    // retainOnlyLists, setAsideHistory), of setBoolValue and of loadHistory,
    // counted whether they succeed or not.
    int writeCount() const { return m_writeCount; }
    int boolWriteCount() const { return m_boolWriteCount; }
    int loadCount() const { return m_loadCount; }
    void resetCounts();

private:
    struct Row
    {
        QString listKey;
        QString text;
    };

    bool beginWrite();
    StoredHistory rowsAsHistory() const;
    qint64 nextId() const;

    QHash<QString, bool> m_storedBools;
    QHash<QString, bool> m_sessionBools;
    std::map<qint64, Row> m_rows;
    std::optional<StoredHistory> m_unreadable;
    QList<StoredHistory> m_setAside;
    QString m_lastError;
    bool m_failWrites = false;
    bool m_failReads = false;
    int m_writeCount = 0;
    int m_boolWriteCount = 0;
    int m_loadCount = 0;
};
