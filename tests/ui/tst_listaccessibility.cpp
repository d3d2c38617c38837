#include "CategoryView.h"
#include "ClipListView.h"
#include "ClipboardManager.h"
#include "FailingHistoryStore.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "SqliteStores.h"
#include "TemporaryStore.h"

#include <QAccessible>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

// What a screen reader reads of the category list, through QAccessible in this
// process (the tree the AT-SPI bridge hands on).
class ListAccessibilityTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_clipboard = std::make_unique<MemoryClipboard>();
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
    }
    void cleanup()
    {
        m_view.reset();
        m_manager.reset();
        m_store.reset();
        m_clipboard.reset();
    }

    void list_hasOneItemPerRowInSight_namedByDisplayText()
    {
        QStringList items;
        for (int i = 0; i < 300; ++i)
            items << u"https://item.example/%1"_s.arg(i);
        items[1] = u"https://long.example/"_s + QString(150, u'x');
        show(items);
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(clipList());
        QVERIFY(list);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), u"History"_s);

        const QStringList expected = displayTextsInSight();
        QVERIFY(expected.size() > 2);
        QVERIFY(expected.size() < 30); // the rows in sight, not the whole history
        QCOMPARE(itemNames(list), expected);
        // The long item is named by its shortened display text.
        QCOMPARE(expected.at(1), u"https://long.example/"_s + QString(79, u'x') + u"..."_s);

        // Scrolled to the end, the items are the last rows.
        QTest::keyClick(clipList(), Qt::Key_End);
        const QStringList atEnd = displayTextsInSight();
        QCOMPARE(atEnd.last(), u"https://item.example/299"_s);
        QCOMPARE(itemNames(list), atEnd);

        // Each item knows its place in the tree, both ways.
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface *child = list->child(i);
            QVERIFY(child);
            QCOMPARE(child->parent(), list);
            QCOMPARE(list->indexOfChild(child), i);
        }
    }

    void items_offerCopyAndDelete()
    {
        show({u"https://one.example"_s, u"https://two.example"_s, u"https://three.example"_s});
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(clipList());
        QAccessibleInterface *second = items(list).at(1);
        QCOMPARE(second->text(QAccessible::Name), u"https://two.example"_s);
        QAccessibleActionInterface *actions = second->actionInterface();
        QVERIFY(actions);
        const QStringList names = actions->actionNames();
        QVERIFY(names.contains(u"copy"_s));
        QVERIFY(names.contains(u"delete"_s));
        QCOMPARE(actions->localizedActionName(u"copy"_s), u"Copy to clipboard"_s);
        QCOMPARE(actions->localizedActionName(u"delete"_s), u"Delete item"_s);

        actions->doAction(u"copy"_s);
        QCOMPARE(m_clipboard->text(), std::optional<QString>(u"https://two.example"_s));
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(m_view->selectedText(), std::optional<QString>(u"https://two.example"_s));
        actions->doAction(u"delete"_s);
        QCOMPARE(m_manager->urls().toStringList(),
                 QStringList({u"https://one.example"_s, u"https://three.example"_s}));
        QVERIFY(!second->isValid());
        QCOMPARE(itemNames(list), displayTextsInSight());
    }

    void currentRow_isTheFocusedItem()
    {
        show({u"https://one.example"_s, u"https://two.example"_s});
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        clipList()->setFocus();
        clipList()->setCurrentIndex(clipList()->model()->index(1, 0));
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(clipList());
        QAccessibleInterface *focused = list->focusChild();
        QVERIFY(focused);
        QCOMPARE(focused->text(QAccessible::Name), u"https://two.example"_s);
        QVERIFY(focused->state().focused);
        QVERIFY(!items(list).at(0)->state().focused);
    }

    void searchField_isReachableWithItsName()
    {
        show({u"https://one.example"_s});
        QAccessibleInterface *view = QAccessible::queryAccessibleInterface(m_view.get());
        QAccessibleInterface *field = find(view, QAccessible::EditableText);
        QVERIFY2(field, "the search field is not in the tree");
        QCOMPARE(field->object(), static_cast<QObject *>(search()));
        QCOMPARE(field->text(QAccessible::Name), u"Search history"_s);
    }

private:
    static QList<QAccessibleInterface *> items(QAccessibleInterface *list)
    {
        QList<QAccessibleInterface *> found;
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface *child = list->child(i);
            if (child && child->role() == QAccessible::ListItem)
                found.append(child);
        }
        return found;
    }
    static QStringList itemNames(QAccessibleInterface *list)
    {
        QStringList names;
        for (QAccessibleInterface *item : items(list))
            names << item->text(QAccessible::Name);
        return names;
    }
    // Depth first, through children only, as a screen reader walks the tree.
    static QAccessibleInterface *find(QAccessibleInterface *from, QAccessible::Role role)
    {
        if (!from)
            return nullptr;
        if (from->role() == role)
            return from;
        for (int i = 0; i < from->childCount(); ++i) {
            if (QAccessibleInterface *found = find(from->child(i), role))
                return found;
        }
        return nullptr;
    }
    // The display texts of the rows that show, at least partly, in the viewport.
    QStringList displayTextsInSight() const
    {
        QStringList texts;
        const QRect sight = clipList()->viewport()->rect();
        for (int row = 0; row < clipList()->model()->rowCount(); ++row) {
            if (clipList()->rowRect(row).intersects(sight))
                texts << clipList()->model()->index(row, 0).data(Qt::DisplayRole).toString();
        }
        return texts;
    }

    void show(const QStringList &items)
    {
        QVERIFY(m_store->history().replaceList(listKey(Category::Url), items).ok());
        m_manager = std::make_unique<ClipboardManager>(*m_clipboard, m_store->preferences(),
                                                       m_store->failingHistory(), m_timers);
        m_view = std::make_unique<CategoryView>(*m_manager, Category::Url);
        m_view->resize(350, 300);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }
    ClipListView *clipList() const { return m_view->findChild<ClipListView *>(u"clipList"_s); }
    QLineEdit *search() const { return m_view->findChild<QLineEdit *>(u"searchField"_s); }

    std::unique_ptr<MemoryClipboard> m_clipboard;
    std::unique_ptr<TemporaryStore> m_store;
    ManualPollTimers m_timers;
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<CategoryView> m_view;
};

QTEST_MAIN(ListAccessibilityTest)
#include "tst_listaccessibility.moc"
