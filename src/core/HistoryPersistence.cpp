#include "HistoryPersistence.h"

#include "HistoryIndex.h"
#include "TextEquality.h"

#include "PreferencesStore.h"

#include <QSet>

#include <cstdio>

namespace {
std::size_t slot(Category category)
{
    return static_cast<std::size_t>(category);
}

QStringList listKeys()
{
    QStringList keys;
    for (Category category : allCategories)
        keys << listKey(category);
    return keys;
}

// One line on standard error, whatever the logging setup.
void say(const QString &line)
{
    std::fprintf(stderr, "brimvale: %s\n", qUtf8Printable(line));
    std::fflush(stderr);
}

// Items captured while the stored record was unreadable come first; stored items
// follow unless the session recorded them again.
HistoryPersistence::Lists merge(const HistoryPersistence::Lists &session,
                                const HistoryPersistence::Lists &stored)
{
    QSet<QString> seen;
    for (const QStringList &list : session)
        for (const QString &text : list)
            seen.insert(canonicalForm(text));
    HistoryPersistence::Lists merged = session;
    for (std::size_t i = 0; i < merged.size(); ++i)
        for (const QString &text : stored[i])
            if (!seen.contains(canonicalForm(text)))
                merged[i].append(text);
    return merged;
}
} // namespace

HistoryPersistence::HistoryPersistence(PreferencesStore &store) : m_store(store) {}

std::optional<HistoryPersistence::Lists> HistoryPersistence::load()
{
    bool readable = false;
    auto lists = readRecord(&readable);
    m_state = readable ? State::InStep : State::NotRead;
    return lists;
}

std::optional<HistoryPersistence::Lists> HistoryPersistence::readRecord(bool *readable)
{
    StoredHistory stored = m_store.loadHistory();
    *readable = true;
    switch (stored.state) {
    case StoredHistory::State::Absent:
        return std::nullopt;
    case StoredHistory::State::Failed:
        *readable = false;
        say(QStringLiteral("could not read the clipboard history (%1); new items are kept in "
                           "memory until it can be read")
                .arg(m_store.lastError()));
        return std::nullopt;
    case StoredHistory::State::Unreadable: {
        const auto keptAt = m_store.setAsideHistory();
        if (!keptAt) {
            *readable = false;
            say(QStringLiteral("the stored clipboard history is unreadable (%1) and could not be "
                               "set aside (%2); it is left untouched")
                    .arg(stored.problem, m_store.lastError()));
            return std::nullopt;
        }
        say(QStringLiteral("the stored clipboard history is unreadable (%1); it was kept as %2 "
                           "and the history starts empty")
                .arg(stored.problem, *keptAt));
        return std::nullopt;
    }
    case StoredHistory::State::Loaded:
        break;
    }
    // Keys other than the three lists are accepted and then dropped, as a full
    // rewrite of the record would.
    const QStringList keys = listKeys();
    bool otherKeys = false;
    for (auto it = stored.lists.cbegin(); it != stored.lists.cend(); ++it)
        otherKeys = otherKeys || !keys.contains(it.key());
    if (otherKeys && !m_store.retainOnlyLists(keys))
        reportFailure(m_store.lastError());

    Lists lists;
    for (Category category : allCategories) {
        StoredList &list = stored.lists[listKey(category)];
        lists[slot(category)] = std::move(list.texts);
        m_ids[slot(category)].assign(list.ids.begin(), list.ids.end());
    }
    return lists;
}

std::optional<HistoryPersistence::Lists>
HistoryPersistence::save(const ListChange &change, const HistoryIndex &lists, bool contentUnchanged)
{
    Lists session;
    for (Category category : allCategories)
        session[slot(category)] = lists.list(category);

    switch (m_state) {
    case State::InStep:
        if (!saveChange(change, lists, contentUnchanged)) {
            m_state = State::OutOfStep;
            reportFailure(m_store.lastError());
        }
        return std::nullopt;
    case State::OutOfStep:
        if (rewriteAll(session)) {
            m_state = State::InStep;
            reportRecovery();
        }
        return std::nullopt;
    case State::NotRead:
        break;
    }

    bool readable = false;
    const auto stored = readRecord(&readable);
    if (!readable)
        return std::nullopt;
    Lists merged = stored ? merge(session, *stored) : session;
    m_state = rewriteAll(merged) ? State::InStep : State::OutOfStep;
    if (m_state == State::InStep)
        reportRecovery();
    return merged;
}

bool HistoryPersistence::saveChange(const ListChange &change, const HistoryIndex &lists,
                                    bool contentUnchanged)
{
    if (contentUnchanged)
        return true;
    const QString key = listKey(change.category);
    std::deque<qint64> &ids = m_ids[slot(change.category)];
    const QStringList &list = lists.list(change.category);

    switch (change.kind) {
    case ListChange::Kind::Inserted:
        if (change.index == 0) {
            const auto id = m_store.insertNewest(key, list.constFirst());
            if (!id)
                return false;
            ids.push_front(*id);
            return true;
        }
        break;
    case ListChange::Kind::Removed: {
        const auto at = ids.begin() + change.index;
        const qint64 id = *at;
        ids.erase(at);
        return m_store.removeItem(id);
    }
    case ListChange::Kind::Replaced:
        break;
    }
    const auto newIds = m_store.replaceList(key, list);
    if (!newIds)
        return false;
    ids.assign(newIds->begin(), newIds->end());
    return true;
}

bool HistoryPersistence::rewriteAll(const Lists &lists)
{
    for (Category category : allCategories) {
        const auto ids = m_store.replaceList(listKey(category), lists[slot(category)]);
        if (!ids)
            return false;
        m_ids[slot(category)].assign(ids->begin(), ids->end());
    }
    return m_store.retainOnlyLists(listKeys());
}

void HistoryPersistence::reportFailure(const QString &what)
{
    say(QStringLiteral("could not save the clipboard history (%1); it is kept in memory and "
                       "saving is tried again at the next change")
            .arg(what));
}

void HistoryPersistence::reportRecovery()
{
    say(QStringLiteral("the clipboard history is saved again"));
}
