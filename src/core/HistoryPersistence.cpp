#include "HistoryPersistence.h"

#include "CoreLogging.h"
#include "UnicodeText.h"

#include "HistoryStore.h"

#include <QSet>

namespace {

QStringList listKeys()
{
    QStringList keys;
    for (Category category : allCategories)
        keys << listKey(category);
    return keys;
}

void say(const QString &line)
{
    qCWarning(lcCore).noquote() << line;
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

HistoryPersistence::HistoryPersistence(HistoryStore &store, const Lists &lists)
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
        const StoreResult<qint64> id = m_store.insertNewest(listKey(category), changed.textAt(0));
        if (id.ok())
            changed.setStoreId(0, id.value());
        return id.status();
    });
}

void HistoryPersistence::saveRemoved(Category, qint64 storeId)
{
    save([&] { return m_store.removeItem(storeId); });
}

void HistoryPersistence::saveCleared(Category category)
{
    save([&] { return m_store.replaceList(listKey(category), {}).status(); });
}

void HistoryPersistence::save(const std::function<StoreStatus()> &writeChange)
{
    switch (m_state) {
    case State::InStep:
        if (const StoreStatus written = writeChange(); !written.ok()) {
            m_state = State::OutOfStep;
            reportFailure(written.error());
        }
        return;
    case State::OutOfStep:
        if (rewriteAll().ok()) {
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
    m_state = rewriteAll().ok() ? State::InStep : State::OutOfStep;
    if (m_state == State::InStep)
        reportRecovery();
}

std::optional<HistoryPersistence::Items> HistoryPersistence::readRecord(bool *readable)
{
    HistoryRecord stored = m_store.load();
    *readable = true;
    switch (stored.state) {
    case HistoryRecord::State::Absent:
        return std::nullopt;
    case HistoryRecord::State::Failed:
        *readable = false;
        say(QStringLiteral("could not read the clipboard history (%1); new items are kept in "
                           "memory until it can be read")
                .arg(stored.error));
        return std::nullopt;
    case HistoryRecord::State::Unreadable: {
        const StoreResult<QString> keptAt = m_store.setAsideHistory();
        if (!keptAt.ok()) {
            *readable = false;
            say(QStringLiteral("the stored clipboard history is unreadable (%1) and could not be "
                               "set aside (%2); it is left untouched")
                    .arg(stored.problem, keptAt.error()));
            return std::nullopt;
        }
        say(QStringLiteral("the stored clipboard history is unreadable (%1); it was kept as %2 "
                           "and the history starts empty")
                .arg(stored.problem, keptAt.value()));
        return std::nullopt;
    }
    case HistoryRecord::State::Loaded:
        break;
    }
    // Keys other than the three lists are accepted and then dropped, as a full
    // rewrite of the record would.
    const QStringList keys = listKeys();
    bool otherKeys = false;
    for (auto it = stored.lists.cbegin(); it != stored.lists.cend(); ++it)
        otherKeys = otherKeys || !keys.contains(it.key());
    if (otherKeys) {
        if (const StoreStatus retained = m_store.retainOnlyLists(keys); !retained.ok())
            reportFailure(retained.error());
    }

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

StoreStatus HistoryPersistence::rewriteAll()
{
    for (Category category : allCategories) {
        HistoryList &changed = list(category);
        const auto ids = m_store.replaceList(listKey(category), changed.toStringList());
        if (!ids.ok())
            return ids.status();
        for (int row = 0; row < changed.size(); ++row)
            changed.setStoreId(row, ids.value()[std::size_t(row)]);
    }
    return m_store.retainOnlyLists(listKeys());
}
