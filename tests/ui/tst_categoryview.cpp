#include "ClipDelegate.h"
#include "PreviewPanel.h"
#include "PreviewTextView.h"
#include "RowText.h"
#include "ShownCategoryView.h"

#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

using namespace Qt::StringLiterals;

// The category list as the user meets it: search field, rows, preview, buttons.
class CategoryViewTest final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_ui.emplace().isValid()); }
    void cleanup() { m_ui.reset(); }

    void emptyHistory_showsNoMatchingItemsInGray()
    {
        m_ui->show({});
        QCOMPARE(m_ui->list()->model()->rowCount(), 0);
        QVERIFY(emptyLabel()->isVisible());
        QCOMPARE(emptyLabel()->text(), u"No matching items"_s);
        QCOMPARE(emptyLabel()->palette().color(emptyLabel()->foregroundRole()), QColor(Qt::gray));
        QCOMPARE(m_ui->search()->placeholderText(), u"Search..."_s);
    }

    void emptySearch_showsEveryItemInOrder()
    {
        m_ui->show(
            {u"https://one.example"_s, u"https://two.example"_s, u"https://three.example"_s});
        QCOMPARE(shownItems(), m_ui->manager()->urls().toStringList());
        QVERIFY(!emptyLabel()->isVisible());
        QCOMPARE(m_ui->view()->category(), Category::Url);
    }

    void typing_filtersRowsAndNothingMatchingShowsTheEmptyText()
    {
        m_ui->show(
            {u"https://ABC.example"_s, u"https://x.example/abc"_s, u"https://ab c.example"_s});
        QTest::keyClicks(m_ui->search(), u"abc"_s);
        QCOMPARE(m_ui->view()->searchText(), u"abc"_s);
        QCOMPARE(shownItems(), m_ui->manager()->urls().toStringList().first(2));
        QTest::keyClicks(m_ui->search(), u"zz"_s);
        QCOMPARE(shownItems(), QStringList());
        QVERIFY(emptyLabel()->isVisible());
        m_ui->search()->clear();
        QCOMPARE(shownItems(), m_ui->manager()->urls().toStringList());
        QVERIFY(!emptyLabel()->isVisible());
    }

    void clickOnText_opensThePreviewUnderTheRow()
    {
        const QString longItem = u"https://long.example/"_s + QString(300, u'q');
        m_ui->show({u"https://one.example"_s, longItem});
        clickText(1);
        QCOMPARE(m_ui->view()->selectedText(), std::optional<QString>(longItem));
        PreviewPanel *panel = preview();
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(panel->cardRect().size(), QSize(300, 150));
        QCOMPARE(panel->textView()->size(), QSize(300, 150));
        // The full text, although the row shows a shortened one.
        QCOMPARE(panel->text(), longItem);
        QCOMPARE(m_ui->list()->model()->index(1, 0).data().toString(),
                 longItem.first(100) + u"..."_s);
        // Inside the row, under its line: the row grew to hold it.
        const QRect row = m_ui->list()->rowRect(1);
        const QRect card = panel->cardRect().translated(panel->pos());
        QVERIFY(row.contains(card));
        QVERIFY(card.top() > m_ui->list()->textRect(1).bottom());
        QVERIFY(row.height() > m_ui->list()->rowRect(0).height() + 150);
    }

    void clickOnSelectedText_closesThePreview()
    {
        m_ui->show({u"https://one.example"_s, u"https://two.example"_s});
        clickText(0);
        QVERIFY(preview());
        clickText(0);
        QVERIFY(!m_ui->view()->selectedText());
        QVERIFY(!preview());
        QTRY_VERIFY(!m_ui->list()->isAnimating());
        QCOMPARE(m_ui->list()->rowRect(0).height(), m_ui->list()->rowRect(1).height());
    }

    void clickOnAnotherRow_movesThePreview()
    {
        m_ui->show({u"https://one.example"_s, u"https://two.example"_s});
        clickText(0);
        clickText(1);
        QCOMPARE(m_ui->view()->selectedText(), std::optional<QString>(u"https://two.example"_s));
        QVERIFY(preview());
        QCOMPARE(preview()->text(), u"https://two.example"_s);
        QTRY_VERIFY(!m_ui->list()->isAnimating());
        QVERIFY(m_ui->list()->rowRect(1).contains(preview()->geometry().center()));
        QCOMPARE(m_ui->list()->findChildren<PreviewPanel *>().size(), 1);
    }

    void clickOnThePreview_closesIt()
    {
        m_ui->show({u"https://one.example"_s});
        clickText(0);
        PreviewTextView *text = preview()->textView();
        QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, QPoint(40, 40));
        QVERIFY(!m_ui->view()->selectedText());
        QVERIFY(!preview());
    }

    void searchHidingTheSelectedRow_hidesItsPreviewUntilCleared()
    {
        m_ui->show({u"https://apple.example"_s, u"https://banana.example"_s});
        clickText(1);
        QTest::keyClicks(m_ui->search(), u"apple"_s);
        QCOMPARE(shownItems(), QStringList{u"https://apple.example"_s});
        QVERIFY(!preview());
        QCOMPARE(m_ui->view()->selectedText(), std::optional<QString>(u"https://banana.example"_s));
        m_ui->search()->clear();
        QVERIFY(preview());
        QCOMPARE(preview()->text(), u"https://banana.example"_s);
        QVERIFY(m_ui->list()->rowRect(1).contains(preview()->geometry().center()));
    }

    void searchThroughALongList_rowsEmptyStateAndPreviewFollowItsResult()
    {
        QStringList items;
        for (int i = 0; i < 25000; ++i)
            items << u"https://item%1.example"_s.arg(i);
        m_ui->show(items);
        clickText(1);
        QVERIFY(preview());
        // Long enough to be searched beside the GUI thread, keystroke by keystroke.
        QTest::keyClicks(m_ui->search(), u"zz"_s);
        QTRY_VERIFY(emptyLabel()->isVisible());
        QVERIFY(!preview());
        m_ui->search()->clear();
        QVERIFY(preview());
        QTest::keyClicks(m_ui->search(), u"item2"_s);
        // item2, item20 to item29, ..., item20000 to item24999
        QTRY_COMPARE(m_ui->list()->model()->rowCount(), 1 + 10 + 100 + 1000 + 5000);
        QVERIFY(!emptyLabel()->isVisible());
        QVERIFY(!preview());
        QCOMPARE(shownItems().first(), u"https://item2.example"_s);
    }

    void copyButton_putsExactlyTheItemOnTheClipboard()
    {
        const QString item = u"https://copy.example/line one\nline two"_s;
        m_ui->show({u"https://first.example"_s, item});
        QTest::mouseClick(m_ui->list()->viewport(), Qt::LeftButton, {},
                          m_ui->list()->copyButtonRect(1).center());
        QCOMPARE(m_ui->clipboard().text(), std::optional<QString>(item));
        QCOMPARE(m_ui->clipboard().writeCount(), 1);
        QCOMPARE(m_ui->manager()->urls().toStringList(),
                 QStringList({u"https://first.example"_s, item}));
        QVERIFY(!m_ui->view()->selectedText());
    }

    void deleteButton_removesFirstEqualItemAndSavesAtOnce()
    {
        m_ui->show(
            {u"https://twice.example"_s, u"https://other.example"_s, u"https://twice.example"_s});
        m_ui->store().failingHistory().resetCounts();
        // The second of the two equal rows: the first of them is the one removed.
        QTest::mouseClick(m_ui->list()->viewport(), Qt::LeftButton, {},
                          m_ui->list()->deleteButtonRect(2).center());
        const QStringList expected{u"https://other.example"_s, u"https://twice.example"_s};
        QCOMPARE(m_ui->manager()->urls().toStringList(), expected);
        QCOMPARE(m_ui->store().history().load().lists.value(u"urls"_s).texts(), expected);
        QCOMPARE(m_ui->store().failingHistory().writeCount(), 1);
        QCOMPARE(shownItems(), expected);
    }

    void deleteItemOnClipboard_clearsClipboard()
    {
        m_ui->show({u"https://h\u00e9ld.example"_s, u"https://other.example"_s});
        // The clipboard holds the same text in another normal form.
        m_ui->clipboard().setText(u"https://he\u0301ld.example"_s);
        clickDelete(0);
        QCOMPARE(m_ui->clipboard().text(), std::nullopt);
        QCOMPARE(m_ui->clipboard().clearCount(), 1);
        QCOMPARE(m_ui->manager()->urls().toStringList(), QStringList{u"https://other.example"_s});
    }

    void deleteItemNotOnClipboard_leavesClipboardAlone()
    {
        m_ui->show({u"https://caf\u00e9.example"_s, u"https://other.example"_s});
        m_ui->clipboard().setText(u"https://cafe\u0301.example"_s);
        clickDelete(1);
        QCOMPARE(m_ui->clipboard().text(), std::optional<QString>(u"https://cafe\u0301.example"_s));
        QCOMPARE(m_ui->clipboard().clearCount(), 0);
        // Canonically equal to the clipboard's text: deleting it does clear it.
        clickDelete(0);
        QCOMPARE(m_ui->clipboard().text(), std::nullopt);
        QVERIFY(m_ui->manager()->urls().isEmpty());
        QVERIFY(emptyLabel()->isVisible());
    }

    void deletingTheSelectedItem_keepsTheSelection()
    {
        m_ui->show({u"https://keep.example"_s, u"https://go.example"_s});
        clickText(1);
        clickDelete(1);
        QCOMPARE(m_ui->view()->selectedText(), std::optional<QString>(u"https://go.example"_s));
        QVERIFY(!preview());
        QCOMPARE(shownItems(), QStringList{u"https://keep.example"_s});
        // The same text comes back: its row opens with the preview.
        m_ui->manager()->addItem(u"https://go.example"_s);
        QCOMPARE(shownItems(), QStringList({u"https://go.example"_s, u"https://keep.example"_s}));
        QVERIFY(preview());
        QTRY_VERIFY(!m_ui->list()->isAnimating());
        QVERIFY(m_ui->list()->rowRect(0).contains(preview()->geometry().center()));
    }

    void newItemWhileShown_appearsAtTheTopWhenItMatches()
    {
        m_ui->show({u"https://old.example/abc"_s, u"https://old.example/xyz"_s});
        QTest::keyClicks(m_ui->search(), u"ABC"_s);
        m_ui->manager()->addItem(u"https://new.example/abc"_s);
        QCOMPARE(shownItems(),
                 QStringList({u"https://new.example/abc"_s, u"https://old.example/abc"_s}));
        m_ui->manager()->addItem(u"https://new.example/other"_s);
        QCOMPARE(shownItems().size(), 2);
        m_ui->search()->clear();
        QCOMPARE(shownItems().first(), u"https://new.example/other"_s);
        QTRY_VERIFY(!m_ui->list()->isAnimating());
        // Once in, the new row is clickable like any other.
        clickText(0);
        QCOMPARE(m_ui->view()->selectedText(),
                 std::optional<QString>(u"https://new.example/other"_s));
    }

    void keyboard_movesOpensCopiesAndDeletes()
    {
        m_ui->show(
            {u"https://one.example"_s, u"https://two.example"_s, u"https://three.example"_s});
        m_ui->search()->setFocus();
        QTest::keyClick(m_ui->search(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m_ui->list());
        // Focus lands on the first row.
        QCOMPARE(m_ui->list()->currentIndex().row(), 0);
        QTest::keyClick(m_ui->list(), Qt::Key_Down);
        QTest::keyClick(m_ui->list(), Qt::Key_Down);
        QTest::keyClick(m_ui->list(), Qt::Key_Up);
        QCOMPARE(m_ui->list()->currentIndex().row(), 1);
        // Space opens and closes the preview; Return and Ctrl+C copy.
        QTest::keyClick(m_ui->list(), Qt::Key_Space);
        QCOMPARE(m_ui->view()->selectedText(), std::optional<QString>(u"https://two.example"_s));
        QTest::keyClick(m_ui->list(), Qt::Key_Space);
        QVERIFY(!m_ui->view()->selectedText());
        QTest::keyClick(m_ui->list(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(m_ui->clipboard().text(), std::optional<QString>(u"https://two.example"_s));
        QTest::keyClick(m_ui->list(), Qt::Key_Down);
        QTest::keyClick(m_ui->list(), Qt::Key_Return);
        QCOMPARE(m_ui->clipboard().text(), std::optional<QString>(u"https://three.example"_s));
        QVERIFY(!m_ui->view()->selectedText());
        QTest::keyClick(m_ui->list(), Qt::Key_Up);
        QTest::keyClick(m_ui->list(), Qt::Key_Up);
        QTest::keyClick(m_ui->list(), Qt::Key_Delete);
        QCOMPARE(m_ui->manager()->urls().toStringList(),
                 QStringList({u"https://two.example"_s, u"https://three.example"_s}));
    }

    void pinButtonAndCtrlP_moveTheRowFirstMarkedAndBack()
    {
        m_ui->show(
            {u"https://one.example"_s, u"https://two.example"_s, u"https://three.example"_s});
        QCOMPARE(toolTipAt(m_ui->list()->pinButtonRect(2).center()), u"Pin"_s);
        QTest::mouseClick(m_ui->list()->viewport(), Qt::LeftButton, {},
                          m_ui->list()->pinButtonRect(2).center());
        QCOMPARE(shownItems(), QStringList({u"https://three.example"_s, u"https://one.example"_s,
                                            u"https://two.example"_s}));
        QTRY_VERIFY(!m_ui->list()->isAnimating());
        QCOMPARE(toolTipAt(m_ui->list()->pinButtonRect(0).center()), u"Unpin"_s);
        // The pinned row's pin is drawn unlike the others'.
        const QImage shown = m_ui->list()->viewport()->grab().toImage();
        const auto pinOf = [&](int row) {
            const qreal ratio = shown.devicePixelRatio();
            const QRect button = m_ui->list()->pinButtonRect(row);
            return shown.copy(QRect(button.topLeft() * ratio, button.size() * ratio));
        };
        QVERIFY(pinOf(0) != pinOf(1));
        QCOMPARE(pinOf(1), pinOf(2));

        // Ctrl+P pins the current row after the pinned one and stays on it; again,
        // it goes back to its place.
        m_ui->list()->setFocus();
        m_ui->list()->setCurrentIndex(m_ui->list()->model()->index(2, 0));
        QTest::keyClick(m_ui->list(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(shownItems(), QStringList({u"https://three.example"_s, u"https://two.example"_s,
                                            u"https://one.example"_s}));
        QCOMPARE(m_ui->list()->currentIndex().row(), 1);
        QTest::keyClick(m_ui->list(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(shownItems(), QStringList({u"https://three.example"_s, u"https://one.example"_s,
                                            u"https://two.example"_s}));
        QCOMPARE(m_ui->list()->currentIndex().row(), 2);
        m_ui->store().settle();
        QCOMPARE(m_ui->store().history().load().pins.size(), std::size_t(1));
    }

    void buttons_haveTheirToolTips()
    {
        m_ui->show({u"https://one.example"_s});
        QHelpEvent copyHelp(
            QEvent::ToolTip, m_ui->list()->copyButtonRect(0).center(),
            m_ui->list()->viewport()->mapToGlobal(m_ui->list()->copyButtonRect(0).center()));
        QApplication::sendEvent(m_ui->list()->viewport(), &copyHelp);
        QTRY_COMPARE(QToolTip::text(), u"Copy to clipboard"_s);
        QHelpEvent deleteHelp(
            QEvent::ToolTip, m_ui->list()->deleteButtonRect(0).center(),
            m_ui->list()->viewport()->mapToGlobal(m_ui->list()->deleteButtonRect(0).center()));
        QApplication::sendEvent(m_ui->list()->viewport(), &deleteHelp);
        QTRY_COMPARE(QToolTip::text(), u"Delete item"_s);
    }

    void drag_givesTheFullItemAsPlainText()
    {
        const QString item = u"https://drag.example/"_s + QString(250, u'd') + u"\nmore"_s;
        m_ui->show({item});
        const std::unique_ptr<QMimeData> data(m_ui->list()->dragData(0));
        QVERIFY(data->hasText());
        QCOMPARE(data->text(), item);
    }

    void rowText_staysOnOneLine()
    {
        QCOMPARE(singleLine(u"a\r\nb\nc\rd\u2028e"_s), u"a⏎b⏎c⏎d⏎e"_s);
        QCOMPARE(singleLine(u"plain"_s), u"plain"_s);
    }

    void longList_scrollsInsideTheView()
    {
        QStringList items;
        for (int i = 0; i < 500; ++i)
            items << u"https://item.example/%1"_s.arg(i);
        m_ui->show(items);
        QScrollBar *bar = m_ui->list()->verticalScrollBar();
        QVERIFY(bar->isVisible());
        QVERIFY(bar->maximum() > 0);
        QTest::keyClick(m_ui->list(), Qt::Key_End);
        QCOMPARE(m_ui->list()->currentIndex().row(), 499);
        QVERIFY(m_ui->list()->viewport()->rect().contains(m_ui->list()->textRect(499).center()));
        clickText(499);
        QCOMPARE(m_ui->view()->selectedText(), std::optional<QString>(items.last()));
    }

private:
    QLabel *emptyLabel() const { return m_ui->view()->findChild<QLabel *>(u"emptyLabel"_s); }
    PreviewPanel *preview() const { return m_ui->view()->findChild<PreviewPanel *>(u"preview"_s); }
    QStringList shownItems() const
    {
        QStringList shown;
        const QAbstractItemModel *model = m_ui->list()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            shown << model->index(row, 0).data(Qt::UserRole).toString();
        return shown;
    }
    QString toolTipAt(const QPoint &position) const
    {
        QHelpEvent help(QEvent::ToolTip, position, m_ui->list()->viewport()->mapToGlobal(position));
        QApplication::sendEvent(m_ui->list()->viewport(), &help);
        return QToolTip::text();
    }
    void clickText(int row)
    {
        QTest::mouseClick(m_ui->list()->viewport(), Qt::LeftButton, {},
                          m_ui->list()->textRect(row).center());
    }
    void clickDelete(int row)
    {
        QTest::mouseClick(m_ui->list()->viewport(), Qt::LeftButton, {},
                          m_ui->list()->deleteButtonRect(row).center());
    }

    std::optional<ShownCategoryView> m_ui;
};

QTEST_MAIN(CategoryViewTest)
#include "tst_categoryview.moc"
