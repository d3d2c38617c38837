#pragma once

#include "Category.h"
#include "HistoryIndex.h"
#include "HistoryPersistence.h"
#include "ListChange.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <optional>

class Clipboard;
class PreferencesStore;
class QTimer;
class SaveDialog;

// The clipboard history: three lists of texts, newest first, one per category.
// It captures new clipboard texts, classifies them, and keeps every list change in
// the preferences store as soon as it happens.
class ClipboardManager final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipboardManager)

public:
    static constexpr int pollIntervalMs = 1000;

    // Loads the stored history, then starts monitoring.
    ClipboardManager(Clipboard &clipboard, PreferencesStore &store, QObject *parent = nullptr);
    ~ClipboardManager() override;

    const QStringList &urls() const { return m_index.list(Category::Url); }
    const QStringList &codes() const { return m_index.list(Category::Code); }
    const QStringList &texts() const { return m_index.list(Category::Text); }
    const QStringList &items(Category category) const { return m_index.list(category); }

    // Writes through a view's binding. Each emits objectWillChange, stores the
    // list and saves, even when nothing changes.
    void setItems(Category category, const QStringList &items);
    // The list without its element at `index`.
    void setItemsWithout(Category category, qsizetype index, const ListAnimation &animation);
    // The list as it is (a binding written back unchanged).
    void setItemsUnchanged(Category category);

    // Index of the first item of the list equal to `text`, or -1. `hint`, when it
    // holds such an item, spares the scan in the usual case.
    qsizetype indexOf(Category category, const QString &text, qsizetype hint = -1) const;
    bool contains(const QString &text) const { return m_index.contains(text); }

    static QString userDefaultsKey() { return QStringLiteral("ClipboardData"); }
    const std::optional<QString> &lastCopiedText() const { return m_lastCopiedText; }

    void addItem(const QString &text);
    void clearHistory(const ListAnimation &animation = ListAnimation::standard());

    // Monitoring: every start adds one polling timer, every stop stops only the
    // latest one, so the timer started on creation polls for the manager's life.
    void startMonitoring();
    void stopMonitoring();
    void checkClipboard();
    int runningTimerCount() const;

    // Asks `dialog` where to save, then writes the list of `categoryName` as it is
    // when the user confirms. Returns at once.
    void exportItems(const QString &categoryName, SaveDialog &dialog);

    Clipboard &clipboard() const { return m_clipboard; }
    PreferencesStore &preferences() const { return m_store; }

signals:
    // Emitted before any list changes.
    void objectWillChange();
    // Emitted after the change is stored and saved.
    void listChanged(const ListChange &change);

private:
    void loadItems();
    void replaceList(const ListChange &change, const QStringList &items);
    void insertItem(const QString &text, Category category);
    void adoptMerged(const HistoryPersistence::Lists &lists);

    Clipboard &m_clipboard;
    PreferencesStore &m_store;
    HistoryIndex m_index;
    HistoryPersistence m_persistence;
    QPointer<QTimer> m_timer;
    std::optional<QString> m_lastCopiedText;
};
