#include "ClipboardManager.h"

#include "Classifier.h"
#include "HistoryExport.h"
#include "UnicodeText.h"

#include "Clipboard.h"
#include "Preferences.h"

#include <QPointer>

#include <algorithm>
#include <utility>

ClipboardManager::ClipboardManager(Clipboard &clipboard, Preferences &preferences,
                                   HistoryStore &store, PollTimers &timers, QObject *parent)
    : QObject(parent), m_clipboard(clipboard), m_preferences(preferences), m_timers(timers),
      m_urls(Category::Url, m_index), m_codes(Category::Code, m_index),
      m_texts(Category::Text, m_index), m_persistence(store, m_byCategory),
      m_captures([this](const QString &text, const CaptureQueue::Sorted &sorted) {
          record(text, sorted.category, sorted.key);
      })
{
    loadItems();
    // What is on the clipboard while Privacy Mode is on is not ours to record, not
    // even once the mode goes off: it becomes the last text seen instead.
    if (m_preferences.privacyMode())
        skipCurrentText();
    connect(&m_preferences, &Preferences::changed, this, [this](Preference preference) {
        if (preference == Preference::PrivacyMode && !m_preferences.privacyMode())
            skipCurrentText();
    });
    startMonitoring();
    // Polling alone loses a text that is replaced within a second; the platform's
    // change notice catches it where there is one.
    connect(&m_clipboard, &Clipboard::changed, this, &ClipboardManager::checkClipboard);
    // Without a first tick, the text a clipboard read before we listened would
    // wait for the next copy. Looked at once the event loop runs, as a tick would.
    if (m_clipboard.announcesEveryChange())
        QMetaObject::invokeMethod(this, &ClipboardManager::checkClipboard, Qt::QueuedConnection);
}

ClipboardManager::~ClipboardManager()
{
    // What is still being classified or written is recorded before the lists go.
    m_captures.finish();
    m_persistence.finish();
}

void ClipboardManager::loadItems()
{
    m_persistence.load([this] {
        for (Parked &parked : std::exchange(m_parked, {}))
            record(parked.text, parked.category, parked.key);
        for (const auto &then : std::exchange(m_whenLoaded, {}))
            then();
    });
}

bool ClipboardManager::holds(const HistoryIndex::Key &key) const
{
    return m_index.findAny(key.hash, [&](int listTag, qint64 item) {
        const HistoryList &items = list(static_cast<Category>(listTag));
        const int row = items.rowOfItemId(item);
        return row >= 0 && items.holds(row, key.canonical);
    });
}

int ClipboardManager::indexOf(Category category, const QString &text) const
{
    const HistoryList &items = list(category);
    const HistoryIndex::Key key = HistoryIndex::keyOf(text);
    int first = -1;
    m_index.findAny(key.hash, [&](int listTag, qint64 item) {
        if (listTag != int(category))
            return false;
        const int row = items.rowOfItemId(item);
        if (row >= 0 && (first < 0 || row < first) && items.holds(row, key.canonical))
            first = row;
        return false;
    });
    return first;
}

void ClipboardManager::addItem(const QString &text)
{
    const HistoryIndex::Key key = HistoryIndex::keyOf(text);
    if (!holds(key))
        record(text, categorize(text), key);
}

void ClipboardManager::record(const QString &text, Category category, const HistoryIndex::Key &key)
{
    if (m_persistence.isLoading()) {
        m_parked.push_back({text, category, key});
        return;
    }
    // Checked again: a text captured twice may have waited behind a long one.
    if (holds(key))
        return;
    const qint64 id = m_persistence.newId();
    list(category).prepend({text, id}, key);
    m_persistence.saveInserted(category, id, key.utf8.isNull() ? text.toUtf8() : key.utf8);
}

void ClipboardManager::removeItem(Category category, int row)
{
    HistoryList &items = list(category);
    if (row < 0 || row >= items.size())
        return;
    const qint64 storeId = items.storeIdAt(row);
    items.removeAt(row);
    m_persistence.saveRemoved(category, storeId);
}

void ClipboardManager::clearHistory()
{
    m_captures.drop();
    m_parked.clear();
    for (Category category : allCategories) {
        HistoryList &items = list(category);
        // Newest first, with their item ids, so that they keep their pins.
        QList<HistoryItem> pinned;
        for (int row = 0; row < items.size(); ++row)
            if (items.isPinned(row))
                pinned.append({items.textAt(row), items.itemIdAt(row)});
        items.reset(std::move(pinned));
        m_persistence.saveCleared(category);
    }
    m_clipboard.clear();
}

void ClipboardManager::setPinned(Category category, const QString &text, bool pinned)
{
    const int row = indexOf(category, text);
    if (row < 0 || list(category).isPinned(row) == pinned)
        return;
    list(category).setPinned(row, pinned);
    m_persistence.savePinned(category, list(category).itemIdAt(row), pinned);
}

bool ClipboardManager::hasPinnedItems() const
{
    return std::any_of(m_byCategory.begin(), m_byCategory.end(),
                       [](const HistoryList *items) { return !items->pinnedIds().empty(); });
}

void ClipboardManager::copyToClipboard(const QString &text)
{
    m_clipboard.writeText(text);
    // Our own copy may come without a change notice, and no tick may follow to
    // see it: the text copied next must be compared with this one.
    m_lastCopiedText = text;
}

void ClipboardManager::deleteItem(Category category, const QString &text)
{
    if (const int row = indexOf(category, text); row >= 0)
        dropItem(category, row);
}

void ClipboardManager::dropItem(Category category, int row)
{
    if (const auto onClipboard = m_clipboard.readText();
        onClipboard && canonicallyEqual(*onClipboard, list(category).textAt(row)))
        m_clipboard.clear();
    removeItem(category, row);
}

std::optional<ClipboardManager::Place> ClipboardManager::placeOfStoreId(qint64 storeId) const
{
    for (Category category : allCategories) {
        if (const int row = list(category).rowOfStoreId(storeId); row >= 0)
            return Place{category, row};
    }
    return std::nullopt;
}

bool ClipboardManager::copyStoredItem(qint64 storeId)
{
    const std::optional<Place> place = placeOfStoreId(storeId);
    if (place)
        copyToClipboard(list(place->category).textAt(place->row));
    return place.has_value();
}

bool ClipboardManager::deleteStoredItem(qint64 storeId)
{
    const std::optional<Place> place = placeOfStoreId(storeId);
    if (place)
        dropItem(place->category, place->row);
    return place.has_value();
}

void ClipboardManager::startMonitoring()
{
    // Each tick wakes the process, and where every change is announced a tick
    // never finds anything the notice has not.
    if (m_clipboard.announcesEveryChange())
        return;
    m_running.push_back(m_timers.start(pollInterval, [this] { checkClipboard(); }));
    m_timer = m_running.back().get();
}

void ClipboardManager::stopMonitoring()
{
    if (!m_timer)
        return;
    // A stopped timer never runs again; let it go rather than keep one per opening
    // of the panel.
    std::erase_if(m_running, [this](const auto &timer) { return timer.get() == m_timer; });
    m_timer = nullptr;
}

void ClipboardManager::checkClipboard()
{
    if (m_preferences.privacyMode())
        return;
    std::optional<QString> text = m_clipboard.readText();
    if (!text)
        return;
    // A long text is compared on the capture queue's worker: the first look at
    // a text just read can hold the GUI thread for hundreds of milliseconds.
    const bool compareHere = text->size() < CaptureQueue::backgroundLength;
    if (m_lastCopiedText && (isSameStorage(*m_lastCopiedText, *text) ||
                             (compareHere && canonicallyEqual(*m_lastCopiedText, *text))))
        return;
    std::optional<QString> previous = std::exchange(m_lastCopiedText, *text);
    if (compareHere)
        previous.reset();
    QMetaObject::invokeMethod(
        this,
        [this, copied = std::move(*text), previous = std::move(previous)] {
            m_captures.push(copied, previous);
        },
        Qt::QueuedConnection);
}

void ClipboardManager::captureSelection(const QString &text)
{
    if (m_preferences.privacyMode())
        return;
    if (m_lastCopiedText &&
        (isSameStorage(*m_lastCopiedText, text) || (text.size() < CaptureQueue::backgroundLength &&
                                                    canonicallyEqual(*m_lastCopiedText, text))))
        return;
    QMetaObject::invokeMethod(
        this, [this, text] { m_captures.push(text); }, Qt::QueuedConnection);
}

void ClipboardManager::skipCurrentText()
{
    if (std::optional<QString> text = m_clipboard.readText())
        m_lastCopiedText = std::move(*text);
}

void ClipboardManager::exportItems(Category category, SaveDialog &dialog)
{
    const QPointer<ClipboardManager> self(this);
    HistoryExport::start(category, dialog, [self, category](const QString &path) {
        if (!self)
            return;
        // While a large history is still being read the lists hold none of it, and
        // the chosen file would be replaced by an empty one.
        self->whenLoaded([self, category, path] {
            if (!self)
                return;
            if (auto failure = HistoryExport::save(path, self->shownList(category).toStringList()))
                emit self->exportFailed(*failure);
        });
    });
}

void ClipboardManager::whenLoaded(std::function<void()> then)
{
    if (m_persistence.isLoading())
        m_whenLoaded.push_back(std::move(then));
    else
        then();
}
