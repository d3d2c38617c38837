#pragma once

#include "StoreResult.h"

class StoreTroubles;
class StoreWriter;

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <functional>
#include <vector>

// One list of the stored history, newest first, in the form it is read in: the
// texts' bytes one after another, as the store holds them, and each text's end.
// Holding a million texts as QStrings would take twice their UTF-8 size and a
// block per text. An id names a stored item so that it can be removed without
// rewriting its list.
struct StoredList
{
    // UTF-8 as stored, not checked: textOf() reads it.
    QByteArray utf8;
    // Where each text ends in `utf8`; the next one starts there.
    std::vector<qint64> ends;
    std::vector<qint64> ids;

    // A stored text as the program shows it: invalid bytes read as replacement
    // characters, as QString::fromUtf8() reads them, but a leading byte order mark
    // is kept as the character it was when copied, where fromUtf8() drops it.
    static QString textOf(QByteArrayView utf8) { return textDecoder()(utf8); }
    // The decoder textOf() uses, for reading into a buffer of one's own.
    static QStringDecoder textDecoder()
    {
        return QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                          QStringConverter::Flag::Stateless);
    }

    qsizetype size() const { return qsizetype(ids.size()); }
    QByteArrayView utf8At(qsizetype i) const
    {
        const qint64 start = i == 0 ? 0 : ends[std::size_t(i - 1)];
        return QByteArrayView(utf8).sliced(start, ends[std::size_t(i)] - start);
    }
    void append(QByteArrayView text, qint64 id)
    {
        utf8.append(text);
        ends.push_back(utf8.size());
        ids.push_back(id);
    }
    QStringList texts() const
    {
        QStringList all;
        all.reserve(size());
        for (qsizetype i = 0; i < size(); ++i)
            all.append(textOf(utf8At(i)));
        return all;
    }
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
    // The highest id in the store, of any list (0 when it holds none): ids given
    // to new items lie above it.
    qint64 maxId = 0;
    // Absent or Loaded, but the store refuses writing now: why. Changes are to be
    // kept in memory until it takes them.
    QString notWritable;
    // The ids of the pinned items read, in the order they were pinned. A pin whose
    // item is gone (deleted by a version that knew no pins) is not among them.
    std::vector<qint64> pins;
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
    // Adds the text whose UTF-8 is `utf8` to the list `listKey` under `id`, which
    // must be above every id stored (see HistoryRecord::maxId), or 0 for the store
    // to choose: the newest item. Returns its id. Taking the bytes as they are
    // spares encoding a text of hundreds of megabytes again.
    virtual StoreResult<qint64> insertItem(const QString &listKey, qint64 id,
                                           const QByteArray &utf8) = 0;
    StoreResult<qint64> insertNewest(const QString &listKey, const QString &text)
    {
        return insertItem(listKey, 0, text.toUtf8());
    }
    // Removing an item that is gone already is no failure.
    virtual StoreStatus removeItem(qint64 id) = 0;
    // Replaces the list `listKey` whole: `texts` newest first, each stored under
    // the id of the same place in `ids`, which must be new to the store; with no
    // ids the store numbers them, growing towards the newest. Returns the ids. An
    // empty list removes the key's items.
    virtual StoreResult<std::vector<qint64>> replaceList(const QString &listKey,
                                                         const QStringList &texts,
                                                         const std::vector<qint64> &ids) = 0;
    StoreResult<std::vector<qint64>> replaceList(const QString &listKey, const QStringList &texts)
    {
        return replaceList(listKey, texts, {});
    }
    // Removes every list whose key is not in `keys`.
    virtual StoreStatus retainOnlyLists(const QStringList &keys) = 0;
    // Pins the item after those pinned before; pinning it again keeps its place.
    virtual StoreStatus pinItem(qint64 id) = 0;
    // Unpinning an item that is not pinned is no failure.
    virtual StoreStatus unpinItem(qint64 id) = 0;
    // Removes the items of the list `listKey` that are not pinned.
    virtual StoreStatus removeUnpinned(const QString &listKey) = 0;
    // Moves an unreadable record out of the way (kept, never overwritten) and starts
    // an empty one; returns where it was kept.
    virtual StoreResult<QString> setAsideHistory() = 0;

    // The thread this store is used on, where it has one: changes are handed to it.
    virtual StoreWriter *writer() { return nullptr; }
    // What is told of the troubles of the file the store shares with others,
    // where it shares one.
    virtual StoreTroubles *troubles() { return nullptr; }
    // About how many bytes reading the record means (0 when not known): a large
    // record is read while the program goes on.
    virtual qint64 sizeHint() const { return 0; }
    // `handler` is called, on the store's thread, when the record is not what was
    // written to it: the file was found damaged and a new one started, or another
    // program stored an item under an id given to a new one. What is kept in
    // memory must then be written anew, under ids above `maxId`.
    using RecordLost = std::function<void(qint64 maxId)>;
    virtual void setRecordLostHandler(RecordLost handler) { Q_UNUSED(handler) }

protected:
    HistoryStore() = default;
    Q_DISABLE_COPY_MOVE(HistoryStore)
};
