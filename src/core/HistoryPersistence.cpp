#include "HistoryPersistence.h"

#include "TextEquality.h"

#include "PreferencesStore.h"

#include <QSet>

#include <cstdio>

namespace {

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

void reportFailure(const QString &what)
{
    say(QStringLiteral("could not save the clipboard history (%1); it is kept in memory and "
                       "saving is tried again at the next change")
            .arg(what));
}

void reportRecovery()
{
    say(QStringLiteral("the clipboard history is saved again"));
}

} // namespace

HistoryPersistence::HistoryPersistence(PreferencesStore &store, const Lists &lists)
    : m_store(store), m_lists(lists)
{
}

HistoryList &HistoryPersistence::list(Category category) const
{
    return *m_lists[static_cast<std::size_t>(category)];
}

void HistoryPersistence::load()
{
    bool readable = false;
    std::optional<Items> items = readRecord(&readable);
    m_state = readable ? State::InStep : State::NotRead;
    if (!items)
        return;
    for (Category category : allCategories)
        list(category).reset(std::move((*items)[static_cast<std::size_t>(category)]));
}

void HistoryPersistence::saveInserted(Category category)
{
    save([&] {
        HistoryList &changed = list(category);
        const auto id = m_store.insertNewest(listKey(category), changed.textAt(0));
        if (id)
            changed.setStoreId(0, *id);
        return id.has_value();
    });
}

void HistoryPersistence::saveRemoved(Category, qint64 storeId)
{
    save([&] { return m_store.removeItem(storeId); });
}

void HistoryPersistence::saveCleared(Category category)
{
    save([&] { return m_store.replaceList(listKey(category), {}).has_value(); });
}

void HistoryPersistence::save(const std::function<bool()> &writeChange)
{
    switch (m_state) {
    case State::InStep:
        if (!writeChange()) {
            m_state = State::OutOfStep;
            reportFailure(m_store.lastError());
        }
        return;
    case State::OutOfStep:
        if (rewriteAll()) {
            m_state = State::InStep;
            reportRecovery();
        }
        return;
    case State::NotRead:
        break;
    }

    bool readable = false;
    const std::optional<Items> stored = readRecord(&readable);
    if (!readable)
        return;
    if (stored) {
        // Items captured while the stored record was unreadable come first; stored
        // items follow unless the session recorded them again.
        QSet<QString> seen;
        for (const HistoryList *session : m_lists)
            for (const HistoryItem &item : session->items())
                seen.insert(canonicalForm(item.text));
        for (Category category : allCategories) {
            QList<HistoryItem> merged = list(category).items();
            for (const HistoryItem &item : (*stored)[static_cast<std::size_t>(category)])
                if (!seen.contains(canonicalForm(item.text)))
                    merged.append({item.text, 0});
            list(category).reset(std::move(merged));
        }
    }
    m_state = rewriteAll() ? State::InStep : State::OutOfStep;
    if (m_state == State::InStep)
        reportRecovery();
}

std::optional<HistoryPersistence::Items> HistoryPersistence::readRecord(bool *readable)
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

    Items items;
    for (Category category : allCategories) {
        StoredList &storedList = stored.lists[listKey(category)];
        QList<HistoryItem> &into = items[static_cast<std::size_t>(category)];
        into.reserve(storedList.texts.size());
        for (qsizetype i = 0; i < storedList.texts.size(); ++i)
            into.append({std::move(storedList.texts[i]), storedList.ids[std::size_t(i)]});
    }
    return items;
}

bool HistoryPersistence::rewriteAll()
{
    for (Category category : allCategories) {
        HistoryList &changed = list(category);
        const auto ids = m_store.replaceList(listKey(category), changed.toStringList());
        if (!ids)
            return false;
        for (int row = 0; row < changed.size(); ++row)
            changed.setStoreId(row, (*ids)[std::size_t(row)]);
    }
    return m_store.retainOnlyLists(listKeys());
}
