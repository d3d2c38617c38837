#pragma once

#include "Category.h"
#include "HistoryList.h"
#include "HistoryStore.h"
#include "StoreResult.h"
#include "StoreTroubles.h"
#include "StoreWriter.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>
#include <optional>

// Keeps the stored history in step with the lists, writing only what a change
// touched: one row for a new item, one for a deletion, one statement per cleared
// list. Every write is handed to the store's writer thread, in order, so the GUI
// thread never waits for SQLite; a write that fails there is tried again until it
// is written, and the lists live on in memory meanwhile. When the record could
// not even be read at the start, nothing is written over it until it has been
// read and merged. A trouble that lasts is told once when it starts and once when
// it ends.
//
// Items are numbered here, as they are made: a new item's store id is above every
// id the store holds, so ids fall from the newest row of a list to its oldest.
class HistoryPersistence final
{
public:
    using Lists = std::array<HistoryList *, 3>;

    HistoryPersistence(HistoryStore &store, const Lists &lists);
    Q_DISABLE_COPY_MOVE(HistoryPersistence)
    // Finishes what is being written, see finish().
    ~HistoryPersistence();

    // Fills the lists with the stored history, if there is a usable one. A record
    // of readBesideFrom bytes or more is read on the store's thread while the GUI
    // thread goes on, and the lists are filled when it has been; otherwise at once.
    // Either way `loaded` is called once they are.
    void load(std::function<void()> loaded);
    static constexpr qint64 readBesideFrom = 64 * 1024 * 1024;
    bool isLoading() const { return m_loading; }
    // The store id for an item made now.
    qint64 newId() { return m_nextId++; }

    // Each is called after the list changed.
    // `utf8` is the new item's text in UTF-8.
    void saveInserted(Category category, qint64 id, const QByteArray &utf8);
    void saveRemoved(Category category, qint64 id);
    // `itemId` is the row's item id: an item not stored yet has its pin stored
    // with it.
    void savePinned(Category category, qint64 itemId, bool pinned);
    // The list holds only its pinned items now.
    void saveCleared(Category category);

    // Waits until every change handed over was tried once more; what still fails
    // then stays in memory only.
    void finish();
    // Changes handed to the writer and not written yet.
    bool isWriting() const { return m_writer->waitingCount() > 0; }

private:
    enum class State { InStep, NotRead };
    using Items = std::array<StoredList, 3>;
    // Each list's hashes, in the order of its stored texts.
    using Hashes = std::array<std::vector<quint64>, 3>;

    static Hashes hashesOf(const HistoryRecord &record);
    // Fills the lists with a record just read.
    void take(HistoryRecord stored, Hashes hashes);

    // The topic's item of a change of the item's pin, told from its insertion's.
    static qint64 pinTopic(qint64 itemId) { return -itemId; }
    void hand(const QString &listKey, qint64 item, std::function<StoreStatus()> write);
    void handPins(Category category);
    void written(const StoreStatus &status);
    // The record could not be read at the start: read it on the writer until it
    // can be, then merge.
    void readLater();
    void merge(HistoryRecord record);
    // Writes every list whole, under new ids: after a merge, or when the store
    // lost its record (a damaged file set aside).
    void rewriteAll();
    std::optional<Items> interpret(HistoryRecord &record, bool *readable, QString *notWritable);
    void dropPending(const std::function<bool(const StoreWriter::Topic &)> &pointless);
    // Says `line` unless a trouble of the store was told already and has not ended.
    void reportTrouble(const QString &line);
    void reportRecovery();
    HistoryList &list(Category category) const;

    HistoryStore &m_store;
    Lists m_lists;
    // A store without a thread of its own (a test's) is written on this one.
    std::unique_ptr<StoreWriter> m_ownWriter;
    StoreWriter *m_writer;
    State m_state = State::InStep;
    // A read of the record is waiting on the writer.
    bool m_reading = false;
    bool m_loading = false;
    // The lists were cleared while the record was read: what was read is gone.
    bool m_clearedWhileLoading = false;
    // The store's own, shared with the preferences where they share its file.
    StoreTroubles m_ownTroubles;
    StoreTroubles &m_troubles;
    qint64 m_nextId = 1;
    // The writer's answers come here, on the GUI thread.
    QObject m_answers;
};
