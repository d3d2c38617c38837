#pragma once

#include "CategoryView.h"
#include "ClipListView.h"
#include "ClipboardManager.h"
#include "FailingHistoryStore.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "SqliteStores.h"
#include "TemporaryStore.h"

#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include <memory>
#include <optional>

// The URL list in a window of its own, over a real store file and a clipboard in
// memory: what the list tests click, type and read at. One per test function,
// made in init() (std::optional::emplace, as it is neither copied nor moved).
class ShownCategoryView final
{
public:
    ShownCategoryView() = default;
    ShownCategoryView(const ShownCategoryView &) = delete;
    ShownCategoryView &operator=(const ShownCategoryView &) = delete;

    // False when the store's temporary directory could not be made.
    bool isValid() const { return m_store.isValid(); }

    // Shows the view over `items`, the history as an earlier session left it; the
    // poll timers never tick, since nothing here copies from outside.
    void show(const QStringList &items)
    {
        QVERIFY(m_store.history().replaceList(listKey(Category::Url), items).ok());
        m_manager = std::make_unique<ClipboardManager>(m_clipboard, m_store.preferences(),
                                                       m_store.failingHistory(), m_timers);
        QCOMPARE(m_manager->urls().toStringList(), items);
        m_view = std::make_unique<CategoryView>(*m_manager, Category::Url);
        m_view->resize(350, 300);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    MemoryClipboard &clipboard() { return m_clipboard; }
    TemporaryStore &store() { return m_store; }
    // Null until show().
    ClipboardManager *manager() const { return m_manager.get(); }
    CategoryView *view() const { return m_view.get(); }
    ClipListView *list() const
    {
        return m_view->findChild<ClipListView *>(QStringLiteral("clipList"));
    }
    QLineEdit *search() const
    {
        return m_view->findChild<QLineEdit *>(QStringLiteral("searchField"));
    }

private:
    // In the order they depend on each other, so destroyed in reverse.
    MemoryClipboard m_clipboard;
    TemporaryStore m_store;
    ManualPollTimers m_timers;
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<CategoryView> m_view;
};
