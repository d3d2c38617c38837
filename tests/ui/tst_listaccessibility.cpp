#include "ShownCategoryView.h"

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
    void init() { QVERIFY(m_ui.emplace().isValid()); }
    void cleanup() { m_ui.reset(); }

    void list_hasOneItemPerRowInSight_namedByDisplayText()
    {
        QStringList items;
        for (int i = 0; i < 300; ++i)
            items << u"https://item.example/%1"_s.arg(i);
        items[1] = u"https://long.example/"_s + QString(150, u'x');
        m_ui->show(items);
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(m_ui->list());
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
        QTest::keyClick(m_ui->list(), Qt::Key_End);
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
        m_ui->show(
            {u"https://one.example"_s, u"https://two.example"_s, u"https://three.example"_s});
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(m_ui->list());
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
        QCOMPARE(m_ui->clipboard().text(), std::optional<QString>(u"https://two.example"_s));
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(m_ui->view()->selectedText(), std::optional<QString>(u"https://two.example"_s));
        actions->doAction(u"delete"_s);
        QCOMPARE(m_ui->manager()->urls().toStringList(),
                 QStringList({u"https://one.example"_s, u"https://three.example"_s}));
        QVERIFY(!second->isValid());
        QCOMPARE(itemNames(list), displayTextsInSight());
    }

    void items_offerPinOrUnpin()
    {
        m_ui->show({u"https://one.example"_s, u"https://two.example"_s});
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(m_ui->list());
        QAccessibleActionInterface *second = items(list).at(1)->actionInterface();
        QVERIFY(second->actionNames().contains(u"pin"_s));
        QCOMPARE(second->localizedActionName(u"pin"_s), u"Pin"_s);
        QCOMPARE(second->keyBindingsForAction(u"pin"_s), QStringList{u"Ctrl+P"_s});
        second->doAction(u"pin"_s);
        QCOMPARE(m_ui->manager()->shownList(Category::Url).toStringList(),
                 QStringList({u"https://two.example"_s, u"https://one.example"_s}));
        QAccessibleActionInterface *first = items(list).at(0)->actionInterface();
        QCOMPARE(items(list).at(0)->text(QAccessible::Name), u"https://two.example"_s);
        QCOMPARE(first->localizedActionName(u"pin"_s), u"Unpin"_s);
        first->doAction(u"pin"_s);
        QCOMPARE(m_ui->manager()->shownList(Category::Url).toStringList(),
                 QStringList({u"https://one.example"_s, u"https://two.example"_s}));
    }

    void currentRow_isTheFocusedItem()
    {
        m_ui->show({u"https://one.example"_s, u"https://two.example"_s});
        m_ui->view()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_ui->view()));
        m_ui->list()->setFocus();
        m_ui->list()->setCurrentIndex(m_ui->list()->model()->index(1, 0));
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(m_ui->list());
        QAccessibleInterface *focused = list->focusChild();
        QVERIFY(focused);
        QCOMPARE(focused->text(QAccessible::Name), u"https://two.example"_s);
        QVERIFY(focused->state().focused);
        QVERIFY(!items(list).at(0)->state().focused);
    }

    void searchField_isReachableWithItsName()
    {
        m_ui->show({u"https://one.example"_s});
        QAccessibleInterface *view = QAccessible::queryAccessibleInterface(m_ui->view());
        QAccessibleInterface *field = find(view, QAccessible::EditableText);
        QVERIFY2(field, "the search field is not in the tree");
        QCOMPARE(field->object(), static_cast<QObject *>(m_ui->search()));
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
        const QRect sight = m_ui->list()->viewport()->rect();
        for (int row = 0; row < m_ui->list()->model()->rowCount(); ++row) {
            if (m_ui->list()->rowRect(row).intersects(sight))
                texts << m_ui->list()->model()->index(row, 0).data(Qt::DisplayRole).toString();
        }
        return texts;
    }

    std::optional<ShownCategoryView> m_ui;
};

QTEST_MAIN(ListAccessibilityTest)
#include "tst_listaccessibility.moc"
