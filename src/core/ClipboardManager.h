#pragma once

#include "CaptureQueue.h"
#include "Category.h"
#include "HistoryIndex.h"
#include "HistoryList.h"
#include "HistoryPersistence.h"
#include "PinnedFirstList.h"
#include "PollTimers.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Clipboard;
class HistoryStore;
class Preferences;
class SaveDialog;

// The clipboard history: three lists of texts, newest first, one per category.
// It captures new clipboard texts, classifies them (a long text on a worker
// thread, see CaptureQueue), and hands every change to the store's writer thread
// (see HistoryPersistence).
// Views show its lists, which are list models.
class ClipboardManager final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipboardManager)

public:
    static constexpr std::chrono::milliseconds pollInterval{1000};

    // Loads the stored history (a large one while monitoring has started), and
    // starts monitoring.
    ClipboardManager(Clipboard &clipboard, Preferences &preferences, HistoryStore &store,
                     PollTimers &timers, QObject *parent = nullptr);
    ~ClipboardManager() override;

    HistoryList &urls() const { return list(Category::Url); }
    HistoryList &codes() const { return list(Category::Code); }
    HistoryList &texts() const { return list(Category::Text); }
    HistoryList &list(Category category) const
    {
        return *m_byCategory[static_cast<std::size_t>(category)];
    }
    // The category's list as views show it and export writes it: pinned first.
    PinnedFirstList &shownList(Category category) const
    {
        return *m_shown[static_cast<std::size_t>(category)];
    }

    // Records a newly seen text at the front of its category, unless it is recorded
    // already.
    void addItem(const QString &text);
    // A long text is still being classified on a worker thread, changes are still
    // being written on the store's thread, or a large history is still being read.
    bool hasBackgroundWork() const
    {
        return !m_captures.isIdle() || m_persistence.isWriting() || m_persistence.isLoading();
    }
    // Records a finished mouse selection as a copy is recorded: not in Privacy
    // Mode, not twice, and not our own copy back.
    void captureSelection(const QString &text);
    // Empties every list but for its pinned items, then the clipboard.
    void clearHistory();
    // Pins or unpins the first item of the category equal to `text`.
    void setPinned(Category category, const QString &text, bool pinned);
    // Whether any list holds a pinned item.
    bool hasPinnedItems() const;

    // What a row's buttons do: put its text on the clipboard, or delete it, and
    // take it off the clipboard too when it is there.
    void copyToClipboard(const QString &text);
    void deleteItem(Category category, const QString &text);
    // The same for the item stored under `storeId`, as `brimvale --list` names
    // it; false when no list holds such an item.
    bool copyStoredItem(qint64 storeId);
    bool deleteStoredItem(qint64 storeId);

    // Every start adds one polling timer, every stop stops only the latest one, so
    // the timer started on creation polls for the manager's life. A clipboard that
    // announces every change is never polled: both do nothing then.
    void startMonitoring();
    void stopMonitoring();
    void checkClipboard();

    // Asks `dialog` where to save, then writes the category's list as it is when
    // the user confirms. Returns at once.
    void exportItems(Category category, SaveDialog &dialog);

signals:
    // An export could not be written; `message` says why, ready to show.
    void exportFailed(const QString &message);

private:
    void loadItems();
    // Whether any list holds a text with this key.
    bool holds(const HistoryIndex::Key &key) const;
    // The first row of the list holding a text equal to `text`, or -1.
    int indexOf(Category category, const QString &text) const;
    void removeItem(Category category, int row);
    // What a delete does: the row goes, and off the clipboard when it is there.
    void dropItem(Category category, int row);
    struct Place
    {
        Category category;
        int row;
    };
    std::optional<Place> placeOfStoreId(qint64 storeId) const;
    void record(const QString &text, Category category, const HistoryIndex::Key &key);
    // Takes the clipboard's text as seen without recording it.
    void skipCurrentText();
    // Runs `then` once the history is read: at once, unless it is read beside.
    void whenLoaded(std::function<void()> then);

    Clipboard &m_clipboard;
    Preferences &m_preferences;
    PollTimers &m_timers;
    HistoryIndex m_index;
    HistoryList m_urls;
    HistoryList m_codes;
    HistoryList m_texts;
    std::array<HistoryList *, 3> m_byCategory{&m_urls, &m_codes, &m_texts};
    PinnedFirstList m_shownUrls{m_urls};
    PinnedFirstList m_shownCodes{m_codes};
    PinnedFirstList m_shownTexts{m_texts};
    std::array<PinnedFirstList *, 3> m_shown{&m_shownUrls, &m_shownCodes, &m_shownTexts};
    HistoryPersistence m_persistence;
    std::vector<std::unique_ptr<PollTimers::Timer>> m_running;
    // The timer most recently started, the one a stop stops.
    PollTimers::Timer *m_timer = nullptr;
    std::optional<QString> m_lastCopiedText;
    // Texts captured while a large history was being read: recorded once it has
    // been, so that they land above it and are compared with it.
    struct Parked
    {
        QString text;
        Category category;
        HistoryIndex::Key key;
    };
    std::vector<Parked> m_parked;
    std::vector<std::function<void()>> m_whenLoaded;
    // Declared last: destroyed first, it records what it still holds.
    CaptureQueue m_captures;
};
