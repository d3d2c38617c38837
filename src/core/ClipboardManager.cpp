#include "ClipboardManager.h"

#include "Classifier.h"
#include "HistoryExport.h"
#include "TextEquality.h"

#include "Clipboard.h"
#include "PreferencesStore.h"

#include <QTimer>

ClipboardManager::ClipboardManager(Clipboard &clipboard, PreferencesStore &store, QObject *parent)
    : QObject(parent), m_clipboard(clipboard), m_store(store), m_persistence(store)
{
    loadItems();
    startMonitoring();
    // Polling alone loses a text that is replaced within a second; the platform's
    // change notice catches it where there is one.
    connect(&m_clipboard, &Clipboard::changed, this, &ClipboardManager::checkClipboard);
}

ClipboardManager::~ClipboardManager() = default;

void ClipboardManager::loadItems()
{
    const auto lists = m_persistence.load();
    if (!lists)
        return;
    for (Category category : allCategories) {
        emit objectWillChange();
        m_index.replace(category, (*lists)[static_cast<std::size_t>(category)]);
        // Saving what was just read writes nothing.
        const ListChange change{category, ListChange::Kind::Replaced, 0, ListAnimation::none()};
        emit listChanged(change);
    }
}

void ClipboardManager::setItems(Category category, const QStringList &items)
{
    replaceList({category, ListChange::Kind::Replaced, 0, ListAnimation::none()}, items);
}

void ClipboardManager::setItemsWithout(Category category, qsizetype index,
                                       const ListAnimation &animation)
{
    if (index < 0 || index >= items(category).size()) {
        setItemsUnchanged(category);
        return;
    }
    emit objectWillChange();
    m_index.removeAt(category, index);
    const ListChange change{category, ListChange::Kind::Removed, index, animation};
    if (const auto merged = m_persistence.save(change, m_index, false))
        adoptMerged(*merged);
    emit listChanged(change);
}

void ClipboardManager::setItemsUnchanged(Category category)
{
    emit objectWillChange();
    const ListChange change{category, ListChange::Kind::Replaced, 0, ListAnimation::none()};
    if (const auto merged = m_persistence.save(change, m_index, true))
        adoptMerged(*merged);
    emit listChanged(change);
}

qsizetype ClipboardManager::indexOf(Category category, const QString &text, qsizetype hint) const
{
    return m_index.indexOf(category, text, hint);
}

void ClipboardManager::addItem(const QString &text)
{
    if (m_index.contains(text))
        return;
    insertItem(text, categoryForName(categorize(text)));
}

void ClipboardManager::insertItem(const QString &text, Category category)
{
    emit objectWillChange();
    m_index.prepend(category, text);
    const ListChange change{category, ListChange::Kind::Inserted, 0, ListAnimation::easeInOut(300)};
    if (const auto merged = m_persistence.save(change, m_index, false))
        adoptMerged(*merged);
    emit listChanged(change);
}

void ClipboardManager::clearHistory(const ListAnimation &animation)
{
    for (Category category : allCategories)
        replaceList({category, ListChange::Kind::Replaced, 0, animation}, {});
    m_clipboard.clear();
}

void ClipboardManager::replaceList(const ListChange &change, const QStringList &items)
{
    emit objectWillChange();
    m_index.replace(change.category, items);
    if (const auto merged = m_persistence.save(change, m_index, false))
        adoptMerged(*merged);
    emit listChanged(change);
}

void ClipboardManager::adoptMerged(const HistoryPersistence::Lists &lists)
{
    // The record became readable again: the lists now hold this session's items
    // followed by the stored ones, which the views must show too.
    for (Category category : allCategories) {
        emit objectWillChange();
        m_index.replace(category, lists[static_cast<std::size_t>(category)]);
        emit listChanged({category, ListChange::Kind::Replaced, 0, ListAnimation::none()});
    }
}

void ClipboardManager::startMonitoring()
{
    auto *timer = new QTimer(this);
    timer->setInterval(pollIntervalMs);
    connect(timer, &QTimer::timeout, this, &ClipboardManager::checkClipboard);
    timer->start();
    m_timer = timer;
}

void ClipboardManager::stopMonitoring()
{
    if (!m_timer)
        return;
    m_timer->stop();
    // Once stopped a timer never runs again; let it go rather than keep one dead
    // object per opening of the panel.
    m_timer->deleteLater();
}

int ClipboardManager::runningTimerCount() const
{
    int running = 0;
    for (const QTimer *timer : findChildren<QTimer *>(Qt::FindDirectChildrenOnly))
        running += timer->isActive() ? 1 : 0;
    return running;
}

void ClipboardManager::checkClipboard()
{
    if (m_store.boolValue(PreferenceKeys::privacyMode))
        return;
    std::optional<QString> text = m_clipboard.readText();
    if (!text)
        return;
    if (m_lastCopiedText && canonicallyEqual(*m_lastCopiedText, *text))
        return;
    m_lastCopiedText = *text;
    QMetaObject::invokeMethod(
        this, [this, copied = std::move(*text)] { addItem(copied); }, Qt::QueuedConnection);
}

void ClipboardManager::exportItems(const QString &categoryName, SaveDialog &dialog)
{
    HistoryExport::start(*this, categoryName, dialog);
}
