#pragma once

#include "StoreResult.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// One list of the stored history, newest first. `ids` parallels `texts`; an id
// names a stored item so that it can be removed without rewriting its list.
struct StoredList
{
    QStringList texts;
    std::vector<qint64> ids;
};

// The history record as found in the store.
struct HistoryRecord
{
    enum class State {
        Absent,     // nothing was ever stored
        Loaded,     // `lists` holds every list of the record, by key
        Unreadable, // some value is not a list of texts; `problem` says which
        Failed      // the store could not be read now (`error` says why); try again later
    };

    State state = State::Absent;
    QHash<QString, StoredList> lists;
    QString problem;
    QString error;
    // Absent or Loaded, but the store refuses writing now: why. Changes are to be
    // kept in memory until it takes them.
    QString notWritable;
};

// The clipboard history as stored: lists of texts by key ("urls", "codes",
// "texts", or any other). Every write is committed before the call returns and is
// visible to the next load. A write that cannot be made says why and leaves what
// was stored before intact.
class HistoryStore
{
public:
    virtual ~HistoryStore() = default;

    // Every list of the record.
    HistoryRecord load() { return loadLists({}); }
    // Only the lists named in `keys` (every list when it is empty): rows of other
    // lists are neither read nor judged.
    virtual HistoryRecord loadLists(const QStringList &keys) = 0;
    // Adds `text` as the newest item of the list `listKey`; returns its id.
    virtual StoreResult<qint64> insertNewest(const QString &listKey, const QString &text) = 0;
    // The same insert as a job that may run on another thread while this store is
    // left alone: a text of megabytes takes long to write. Empty when the store
    // cannot write that way now; insertNewest() is used then.
    using InsertJob = std::function<StoreResult<qint64>()>;
    virtual InsertJob insertNewestJob(const QString &listKey, const QString &text)
    {
        Q_UNUSED(listKey)
        Q_UNUSED(text)
        return {};
    }
    // Removing an item that is gone already is no failure.
    virtual StoreStatus removeItem(qint64 id) = 0;
    // Replaces the list `listKey` whole (texts newest first); returns the new ids in
    // the same order. An empty list removes the key's items.
    virtual StoreResult<std::vector<qint64>> replaceList(const QString &listKey,
                                                         const QStringList &texts) = 0;
    // Removes every list whose key is not in `keys`.
    virtual StoreStatus retainOnlyLists(const QStringList &keys) = 0;
    // Moves an unreadable record out of the way (kept, never overwritten) and starts
    // an empty one; returns where it was kept.
    virtual StoreResult<QString> setAsideHistory() = 0;

protected:
    HistoryStore() = default;
    Q_DISABLE_COPY_MOVE(HistoryStore)
};
