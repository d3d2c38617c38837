#pragma once

#include "Category.h"
#include "HistoryList.h"
#include "HistoryStore.h"
#include "StoreResult.h"

#include <QFutureWatcher>

#include <array>
#include <deque>
#include <functional>
#include <optional>

// Keeps the stored history in step with the lists, writing only what a change
// touched: one row for a new item, one for a deletion, one statement per cleared
// list. When a write fails the lists live on in memory and the next change
// rewrites the record whole; when the record could not even be read, nothing is
// written over it until it has been read and merged. A store that can be read
// but not written shows what it holds and takes the lists whole once it can. A
// trouble that lasts is told once when it starts and once when it ends.
//
// Writing a text of megabytes takes long (about 250 ms for 20 MB, most of it
// SQLite's), so a long new item is written on a worker thread where the store
// allows it; the changes that follow wait for it and are written in order.
class HistoryPersistence final
{
public:
    using Lists = std::array<HistoryList *, 3>;

    // From this many characters on, a new item is written on a worker thread.
    static constexpr qsizetype backgroundLength = 256 * 1024;

    HistoryPersistence(HistoryStore &store, const Lists &lists);
    Q_DISABLE_COPY_MOVE(HistoryPersistence)
    // Finishes what is being written, see finish().
    ~HistoryPersistence();

    // Fills the lists with the stored history, if there is a usable one.
    void load();

    // Each is called after the list changed.
    void saveInserted(Category category); // its row 0 is new
    void saveRemoved(Category category, qint64 storeId);
    void saveCleared(Category category);

    // Waits for an item being written on the worker, then writes every change
    // still waiting, in place. What comes after is written in place too.
    void finish();
    // An item is being written on the worker, or changes wait for it.
    bool isWriting() const { return m_writing.has_value() || !m_waiting.empty(); }

private:
    enum class State { InStep, OutOfStep, NotRead };
    using Items = std::array<StoredList, 3>;

    struct Writing
    {
        Category category;
        QString text;
        qint64 itemId;
    };

    // Runs `change` once every change before it is written.
    void inTurn(std::function<void()> change);
    void runWaiting();
    void insert(Category category, const QString &text, qint64 itemId);
    void written();
    // The row of `category` holding this very item (not just an equal text), or -1.
    int rowOf(Category category, qint64 itemId) const;
    void save(const std::function<StoreStatus()> &writeChange);
    std::optional<Items> readRecord(bool *readable, QString *notWritable);
    StoreStatus rewriteAll();
    // Says `line` unless a trouble was told already and has not ended.
    void reportTrouble(const QString &line);
    void reportRecovery();
    HistoryList &list(Category category) const;

    HistoryStore &m_store;
    Lists m_lists;
    State m_state = State::InStep;
    bool m_troubleTold = false;
    QFutureWatcher<StoreResult<qint64>> m_worker;
    std::optional<Writing> m_writing;
    std::deque<std::function<void()>> m_waiting;
    bool m_finishing = false;
};
