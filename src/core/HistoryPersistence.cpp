#include "HistoryPersistence.h"

#include "CoreLogging.h"
#include "UnicodeText.h"

#include "HistoryStore.h"

#include <QCoreApplication>
#include <QSet>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

QStringList listKeys()
{
    QStringList keys;
    for (Category category : allCategories)
        keys << listKey(category);
    return keys;
}

// What a clear leaves of a record: its pinned items.
template <typename Hashes> void keepPinnedOnly(HistoryRecord &record, Hashes &hashes)
{
    for (Category category : allCategories) {
        const auto list = record.lists.find(listKey(category));
        if (list == record.lists.end())
            continue;
        std::vector<quint64> &listHashes = hashes[static_cast<std::size_t>(category)];
        StoredList kept;
        std::vector<quint64> keptHashes;
        for (qsizetype i = 0; i < list->size(); ++i) {
            const qint64 id = list->ids[std::size_t(i)];
            if (std::find(record.pins.begin(), record.pins.end(), id) == record.pins.end())
                continue;
            kept.append(list->utf8At(i), id);
            keptHashes.push_back(listHashes[std::size_t(i)]);
        }
        *list = std::move(kept);
        listHashes = std::move(keptHashes);
    }
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
    : m_store(store), m_lists(lists), m_writer(store.writer()),
      m_troubles(store.troubles() ? *store.troubles() : m_ownTroubles)
{
    if (!m_writer) {
        m_ownWriter = std::make_unique<StoreWriter>();
        m_writer = m_ownWriter.get();
    }
    m_store.setRecordLostHandler([this](qint64 maxId) {
        QMetaObject::invokeMethod(
            &m_answers,
            [this, maxId] {
                m_nextId = std::max(m_nextId, maxId + 1);
                rewriteAll();
            },
            Qt::QueuedConnection);
    });
}

HistoryPersistence::~HistoryPersistence()
{
    finish();
    // What still fails stays in memory only; the preferences' changes stay theirs.
    dropPending([this](const StoreWriter::Topic &topic) { return topic.owner == this; });
    m_writer->flush();
    m_store.setRecordLostHandler({});
}

HistoryList &HistoryPersistence::list(Category category) const
{
    return *m_lists[static_cast<std::size_t>(category)];
}

void HistoryPersistence::reportTrouble(const QString &line)
{
    m_troubles.started(StoreTroubles::Part::History, line, say);
}

void HistoryPersistence::reportRecovery()
{
    m_troubles.ended(StoreTroubles::Part::History,
                     QStringLiteral("the clipboard history is saved again"), say);
}

void HistoryPersistence::load(std::function<void()> loaded)
{
    if (m_store.sizeHint() < readBesideFrom) {
        HistoryRecord stored = m_store.loadLists(listKeys());
        Hashes hashes = hashesOf(stored);
        take(std::move(stored), std::move(hashes));
        loaded();
        return;
    }
    // Reading a million items or a text of hundreds of megabytes takes a second:
    // the texts are read and hashed on the store's thread.
    m_loading = true;
    struct Read
    {
        HistoryRecord record;
        Hashes hashes;
    };
    auto read = std::make_shared<Read>();
    m_writer->submit({{this, QString(), 0},
                      [this, read] {
                          read->record = m_store.loadLists(listKeys());
                          read->hashes = hashesOf(read->record);
                          return StoreStatus();
                      },
                      [this, read, loaded = std::move(loaded)](const StoreStatus &) {
                          m_loading = false;
                          if (std::exchange(m_clearedWhileLoading, false))
                              keepPinnedOnly(read->record, read->hashes);
                          take(std::move(read->record), std::move(read->hashes));
                          loaded();
                      },
                      &m_answers});
}

HistoryPersistence::Hashes HistoryPersistence::hashesOf(const HistoryRecord &record)
{
    Hashes hashes;
    if (record.state != HistoryRecord::State::Loaded)
        return hashes;
    for (Category category : allCategories) {
        const auto list = record.lists.constFind(listKey(category));
        if (list != record.lists.constEnd())
            hashes[static_cast<std::size_t>(category)] = HistoryList::hashesOf(*list);
    }
    return hashes;
}

void HistoryPersistence::take(HistoryRecord stored, Hashes hashes)
{
    bool readable = false;
    QString notWritable;
    std::optional<Items> items = interpret(stored, &readable, &notWritable);
    m_state = readable ? State::InStep : State::NotRead;
    if (readable && !notWritable.isEmpty())
        reportTrouble(QStringLiteral("the clipboard history can be read but not saved (%1); new "
                                     "items are kept in memory and saved once it can be written")
                          .arg(notWritable));
    if (!readable) {
        readLater();
        return;
    }
    m_nextId = std::max(m_nextId, stored.maxId + 1);
    if (!items)
        return;
    qsizetype count = 0;
    for (const StoredList &storedList : *items)
        count += storedList.size();
    list(Category::Text).reserveIndex(count);
    for (Category category : allCategories) {
        const auto at = static_cast<std::size_t>(category);
        list(category).reset(std::move((*items)[at]), std::move(hashes[at]), stored.pins);
    }
    items.reset();
    stored = {};
    // Reading a million texts grows and frees blocks of megabytes; glibc keeps
    // them for the process unless asked (40 MB of a 300 MB history).
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void HistoryPersistence::saveInserted(Category category, qint64 id, const QByteArray &utf8)
{
    const QString key = listKey(category);
    hand(key, id, [this, key, id, utf8] { return m_store.insertItem(key, id, utf8).status(); });
}

void HistoryPersistence::saveRemoved(Category category, qint64 id)
{
    // Not yet written, it need not be; being written, it may stop.
    dropPending([this, id](const StoreWriter::Topic &topic) {
        return topic.owner == this && (topic.item == id || topic.item == pinTopic(id));
    });
    hand(listKey(category), 0, [this, id] { return m_store.removeItem(id); });
}

void HistoryPersistence::savePinned(Category category, qint64 itemId, bool pinned)
{
    // Written once the item is, with the rest of the list (see rewriteAll()).
    if (itemId & HistoryIndex::provisionalBit)
        return;
    hand(listKey(category), pinTopic(itemId), [this, itemId, pinned] {
        return pinned ? m_store.pinItem(itemId) : m_store.unpinItem(itemId);
    });
}

void HistoryPersistence::saveCleared(Category category)
{
    if (m_loading)
        m_clearedWhileLoading = true;
    const QString key = listKey(category);
    // Only new items that are gone again need not be written. The rest must be,
    // before the clear reads which items are pinned: a pinned item, a pin or an
    // unpin, the removal of a pinned item.
    std::vector<qint64> kept = list(category).pinnedIds();
    dropPending([this, key, kept = std::move(kept)](const StoreWriter::Topic &topic) {
        return topic.owner == this && topic.list == key && topic.item > 0 &&
               std::find(kept.begin(), kept.end(), topic.item) == kept.end();
    });
    hand(key, 0, [this, key] { return m_store.removeUnpinned(key); });
}

void HistoryPersistence::finish()
{
    m_writer->flush();
    // Take in what the writer answered meanwhile.
    QCoreApplication::sendPostedEvents(&m_answers, QEvent::MetaCall);
}

void HistoryPersistence::hand(const QString &listKey, qint64 item,
                              std::function<StoreStatus()> write)
{
    // Before the record is read, the lists are only in memory; the merge writes
    // them whole. A change is the moment to try reading again.
    if (m_state == State::NotRead) {
        if (m_reading)
            m_writer->retrySoon();
        else
            readLater();
        return;
    }
    m_writer->submit({{this, listKey, item},
                      std::move(write),
                      [this](const StoreStatus &status) { written(status); },
                      &m_answers});
}

void HistoryPersistence::written(const StoreStatus &status)
{
    if (status.ok())
        reportRecovery();
    else
        reportTrouble(failureLine(status.error()));
}

void HistoryPersistence::dropPending(
    const std::function<bool(const StoreWriter::Topic &)> &pointless)
{
    m_writer->drop(pointless);
}

void HistoryPersistence::readLater()
{
    m_reading = true;
    auto record = std::make_shared<HistoryRecord>();
    m_writer->submit({{this, QString(), 0},
                      [this, record] {
                          *record = m_store.loadLists(listKeys());
                          if (record->state == HistoryRecord::State::Failed)
                              return StoreStatus(StoreError{record->error});
                          return StoreStatus();
                      },
                      [this, record](const StoreStatus &status) {
                          if (!status.ok())
                              return;
                          m_reading = false;
                          if (m_state == State::NotRead)
                              merge(std::move(*record));
                      },
                      &m_answers});
}

void HistoryPersistence::merge(HistoryRecord record)
{
    bool readable = false;
    QString notWritable;
    const std::optional<Items> stored = interpret(record, &readable, &notWritable);
    // A record that can neither be read nor set aside is looked at again at the
    // next change.
    if (!readable)
        return;
    m_state = State::InStep;
    m_nextId = std::max(m_nextId, record.maxId + 1);
    if (stored) {
        // Items captured while the stored record was unreadable come first; stored
        // items follow unless the session recorded them again.
        QSet<QString> seen;
        for (const HistoryList *session : m_lists)
            for (int row = 0; row < session->size(); ++row)
                seen.insert(canonicalForm(session->textAt(row)));
        for (Category category : allCategories) {
            QList<HistoryItem> merged;
            const HistoryList &held = list(category);
            for (int row = 0; row < held.size(); ++row)
                merged.append({held.textAt(row), held.storeIdAt(row)});
            const StoredList &storedList = (*stored)[static_cast<std::size_t>(category)];
            // Stored pins by the row their item takes, pinned after the session's.
            std::vector<std::pair<qint64, int>> pinnedRows;
            for (qsizetype i = 0; i < storedList.size(); ++i) {
                const QString text = StoredList::textOf(storedList.utf8At(i));
                if (seen.contains(canonicalForm(text)))
                    continue;
                const qint64 storedId = storedList.ids[std::size_t(i)];
                if (std::find(record.pins.begin(), record.pins.end(), storedId) !=
                    record.pins.end())
                    pinnedRows.emplace_back(storedId, int(merged.size()));
                merged.append({text, 0});
            }
            list(category).reset(std::move(merged));
            for (const qint64 pin : record.pins)
                for (const auto &[storedId, row] : pinnedRows)
                    if (storedId == pin)
                        list(category).setPinned(row, true);
        }
    }
    rewriteAll();
}

void HistoryPersistence::rewriteAll()
{
    if (m_state == State::NotRead)
        return;
    // Every change handed over before is in the lists already.
    dropPending([this](const StoreWriter::Topic &topic) { return topic.owner == this; });
    for (Category category : allCategories) {
        HistoryList &items = list(category);
        QStringList texts;
        std::vector<qint64> ids(std::size_t(items.size()));
        texts.reserve(items.size());
        // Oldest first, so that ids fall from the newest row to the oldest.
        for (int row = items.size() - 1; row >= 0; --row) {
            ids[std::size_t(row)] = newId();
            items.setStoreId(row, ids[std::size_t(row)]);
        }
        for (int row = 0; row < items.size(); ++row)
            texts.append(items.textAt(row));
        const QString key = listKey(category);
        hand(key, 0, [this, key, texts = std::move(texts), ids = std::move(ids)] {
            return m_store.replaceList(key, texts, ids).status();
        });
        handPins(category);
    }
}

void HistoryPersistence::handPins(Category category)
{
    for (const qint64 id : list(category).pinnedIds())
        savePinned(category, id, true);
}

std::optional<HistoryPersistence::Items>
HistoryPersistence::interpret(HistoryRecord &stored, bool *readable, QString *notWritable)
{
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
