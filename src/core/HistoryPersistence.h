#pragma once

#include "Category.h"
#include "HistoryList.h"
#include "StoreResult.h"

#include <array>
#include <functional>
#include <optional>

class HistoryStore;

// Keeps the stored history in step with the lists, writing only what a change
// touched: one row for a new item, one for a deletion, one statement per cleared
// list. When a write fails the lists live on in memory and the next change
// rewrites the record whole; when the record could not even be read, nothing is
// written over it until it has been read and merged. A store that can be read
// but not written shows what it holds and takes the lists whole once it can. A
// trouble that lasts is told once when it starts and once when it ends.
class HistoryPersistence final
{
public:
    using Lists = std::array<HistoryList *, 3>;

    HistoryPersistence(HistoryStore &store, const Lists &lists);

    // Fills the lists with the stored history, if there is a usable one.
    void load();

    // Each is called after the list changed.
    void saveInserted(Category category); // its row 0 is new
    void saveRemoved(Category category, qint64 storeId);
    void saveCleared(Category category);

private:
    enum class State { InStep, OutOfStep, NotRead };
    using Items = std::array<QList<HistoryItem>, 3>;

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
};
