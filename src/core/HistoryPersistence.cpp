#include "HistoryPersistence.h"

#include "CoreLogging.h"
#include "UnicodeText.h"

#include "HistoryStore.h"

#include <QSet>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <QtConcurrent/QtConcurrentRun>

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

QString failureLine(const QString &what)
{
    return QStringLiteral("could not save the clipboard history (%1); it is kept in memory and "
                          "saving is tried again at the next change")
        .arg(what);
}

} // namespace

HistoryPersistence::HistoryPersistence(HistoryStore &store, const Lists &lists)
    : m_store(store), m_lists(lists)
{
    QObject::connect(&m_worker, &QFutureWatcher<StoreResult<qint64>>::finished,
                     [this] { written(); });
}

HistoryPersistence::~HistoryPersistence()
{
    finish();
}

HistoryList &HistoryPersistence::list(Category category) const
{
    return *m_lists[static_cast<std::size_t>(category)];
}

void HistoryPersistence::reportTrouble(const QString &line)
{
    if (!std::exchange(m_troubleTold, true))
        say(line);
}

void HistoryPersistence::reportRecovery()
{
    if (std::exchange(m_troubleTold, false))
        say(QStringLiteral("the clipboard history is saved again"));
}

void HistoryPersistence::load()
{
    bool readable = false;
    QString notWritable;
    std::optional<Items> items = readRecord(&readable, &notWritable);
    m_state = readable ? State::InStep : State::NotRead;
    if (readable && !notWritable.isEmpty()) {
        // Shown as stored; the first change that can be written writes it all.
        m_state = State::OutOfStep;
        reportTrouble(QStringLiteral("the clipboard history can be read but not saved (%1); new "
                                     "items are kept in memory and saved once it can be written")
                          .arg(notWritable));
    }
    if (!items)
        return;
    qsizetype count = 0;
    for (const StoredList &stored : *items)
        count += stored.size();
    list(Category::Text).reserveIndex(count);
    for (Category category : allCategories)
        list(category).reset(std::move((*items)[static_cast<std::size_t>(category)]));
    items.reset();
    // Reading a million texts grows and frees blocks of megabytes; glibc keeps
    // them for the process unless asked (40 MB of a 300 MB history).
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void HistoryPersistence::saveInserted(Category category)
{
    inTurn([this, category, text = list(category).textAt(0), item = list(category).itemIdAt(0)] {
        insert(category, text, item);
    });
}

void HistoryPersistence::saveRemoved(Category, qint64 storeId)
{
    // An item removed before its own insert ran has no id yet; that insert finds
    // it gone.
    inTurn([this, storeId] { save([&] { return m_store.removeItem(storeId); }); });
}

void HistoryPersistence::saveCleared(Category category)
{
    inTurn([this, category] {
        save([&] { return m_store.replaceList(listKey(category), {}).status(); });
    });
}

void HistoryPersistence::finish()
{
    m_finishing = true;
    if (m_writing) {
        m_worker.waitForFinished();
        written();
    }
    runWaiting();
}

void HistoryPersistence::inTurn(std::function<void()> change)
{
    m_waiting.push_back(std::move(change));
    runWaiting();
}

void HistoryPersistence::runWaiting()
{
    while (!m_writing && !m_waiting.empty()) {
        const std::function<void()> change = std::move(m_waiting.front());
        m_waiting.pop_front();
        change();
    }
}

void HistoryPersistence::insert(Category category, const QString &text, qint64 itemId)
{
    if (rowOf(category, itemId) < 0)
        return; // removed before its turn came
    if (m_state == State::InStep && !m_finishing && text.size() >= backgroundLength) {
        if (HistoryStore::InsertJob job = m_store.insertNewestJob(listKey(category), text)) {
            m_writing = Writing{category, text, itemId};
            m_worker.setFuture(QtConcurrent::run(std::move(job)));
            return;
        }
    }
    save([&] {
        const StoreResult<qint64> id = m_store.insertNewest(listKey(category), text);
        if (const int row = rowOf(category, itemId); id.ok() && row >= 0)
            list(category).setStoreId(row, id.value());
        return id.status();
    });
}

void HistoryPersistence::written()
{
    // finish() may have taken the result already; the watcher's signal then still
    // comes, perhaps while the next item is being written.
    if (!m_writing || !m_worker.isFinished())
        return;
    const Writing writing = *std::exchange(m_writing, std::nullopt);
    const StoreResult<qint64> id = m_worker.result();
    if (!id.ok()) {
        // As when a write in place fails: the next change rewrites the record.
        m_state = State::OutOfStep;
        reportTrouble(failureLine(id.error()));
    } else if (const int row = rowOf(writing.category, writing.itemId); row >= 0) {
        list(writing.category).setStoreId(row, id.value());
    } else {
        // Removed while it was being written.
        save([&] { return m_store.removeItem(id.value()); });
    }
    runWaiting();
}

int HistoryPersistence::rowOf(Category category, qint64 itemId) const
{
    return list(category).rowOfItemId(itemId);
}

void HistoryPersistence::save(const std::function<StoreStatus()> &writeChange)
{
    switch (m_state) {
    case State::InStep:
        if (const StoreStatus written = writeChange(); !written.ok()) {
            m_state = State::OutOfStep;
            reportTrouble(failureLine(written.error()));
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
    QString notWritable;
    const std::optional<Items> stored = readRecord(&readable, &notWritable);
    if (!readable)
        return;
    if (stored) {
        // Items captured while the stored record was unreadable come first; stored
        // items follow unless the session recorded them again.
        QSet<QString> seen;
        for (const HistoryList *session : m_lists)
            for (int row = 0; row < session->size(); ++row)
                seen.insert(canonicalForm(session->textAt(row)));
        for (Category category : allCategories) {
            const HistoryList &session = list(category);
            QList<HistoryItem> merged;
            for (int row = 0; row < session.size(); ++row)
                merged.append({session.textAt(row), session.storeIdAt(row)});
            for (const QString &text : (*stored)[static_cast<std::size_t>(category)].texts())
                if (!seen.contains(canonicalForm(text)))
                    merged.append({text, 0});
            list(category).reset(std::move(merged));
        }
    }
    m_state = rewriteAll().ok() ? State::InStep : State::OutOfStep;
    if (m_state == State::InStep)
        reportRecovery();
}

std::optional<HistoryPersistence::Items> HistoryPersistence::readRecord(bool *readable,
                                                                        QString *notWritable)
{
    HistoryRecord stored = m_store.loadLists(listKeys());
    *readable = true;
    *notWritable = stored.notWritable;
    switch (stored.state) {
    case HistoryRecord::State::Absent:
        return std::nullopt;
    case HistoryRecord::State::Failed:
        *readable = false;
        reportTrouble(QStringLiteral("could not read the clipboard history (%1); new items are "
                                     "kept in memory until it can be read")
                          .arg(stored.error));
        return std::nullopt;
    case HistoryRecord::State::Unreadable: {
        const StoreResult<QString> keptAt = m_store.setAsideHistory();
        if (!keptAt.ok()) {
            *readable = false;
            reportTrouble(QStringLiteral("the stored clipboard history is unreadable (%1) and "
                                         "could not be set aside (%2); it is left untouched")
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
    // Only the three lists were read: rows of any other list (a newer version's,
    // the user's own) stay in the file as they are.
    Items items;
    for (Category category : allCategories)
        items[static_cast<std::size_t>(category)] = std::move(stored.lists[listKey(category)]);
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
    return {};
}
