#pragma once

#include "Category.h"
#include "ListChange.h"

#include <QStringList>

#include <array>
#include <deque>
#include <optional>

class HistoryIndex;
class PreferencesStore;

// Keeps the stored history record in step with the lists, writing only what a
// change touched: one row for a new item, one for a deletion, one statement per
// cleared list. When a write fails the lists live on in memory and the next change
// rewrites the record whole; when the record could not even be read, nothing is
// written over it until it has been read and merged.
class HistoryPersistence final
{
public:
    using Lists = std::array<QStringList, 3>;

    explicit HistoryPersistence(PreferencesStore &store);

    // The stored lists, or nullopt when there is nothing usable to load (absent,
    // unreadable and set aside, or not readable right now).
    std::optional<Lists> load();

    // Stores `change`, already applied to `lists`. `contentUnchanged` says the list
    // was written back as it was. Returns the merged lists when a record that could
    // not be read before was read now: the caller must adopt them.
    std::optional<Lists> save(const ListChange &change, const HistoryIndex &lists,
                              bool contentUnchanged);

private:
    enum class State { InStep, OutOfStep, NotRead };

    std::optional<Lists> readRecord(bool *readable);
    bool saveChange(const ListChange &change, const HistoryIndex &lists, bool contentUnchanged);
    bool rewriteAll(const Lists &lists);
    void reportFailure(const QString &what);
    void reportRecovery();

    PreferencesStore &m_store;
    State m_state = State::InStep;
    // Ids of the stored items, parallel to the lists (newest first).
    std::array<std::deque<qint64>, 3> m_ids;
};
