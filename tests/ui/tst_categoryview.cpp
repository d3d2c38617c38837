#include "CategoryView.h"
#include "ClipDelegate.h"
#include "ClipListView.h"
#include "ClipboardManager.h"
#include "FailingHistoryStore.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "PreviewPanel.h"
#include "PreviewTextView.h"
#include "SqliteStores.h"
#include "TemporaryStore.h"

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

    void emptyHistory_showsNoMatchingItemsInGray()
    {
        show({});
        QCOMPARE(list()->model()->rowCount(), 0);
        QVERIFY(emptyLabel()->isVisible());
        QCOMPARE(emptyLabel()->text(), u"No matching items"_s);
        QCOMPARE(emptyLabel()->palette().color(emptyLabel()->foregroundRole()), QColor(Qt::gray));
        QCOMPARE(search()->placeholderText(), u"Search..."_s);
    }

    void emptySearch_showsEveryItemInOrder()
    {
        show({u"https://one.example"_s, u"https://two.example"_s, u"https://three.example"_s});
        QCOMPARE(shownItems(), m_manager->urls().toStringList());
        QVERIFY(!emptyLabel()->isVisible());
        QCOMPARE(m_view->category(), Category::Url);
    }

    void typing_filtersRowsAndNothingMatchingShowsTheEmptyText()
    {
        show({u"https://ABC.example"_s, u"https://x.example/abc"_s, u"https://ab c.example"_s});
        QTest::keyClicks(search(), u"abc"_s);
        QCOMPARE(m_view->searchText(), u"abc"_s);
        QCOMPARE(shownItems(), m_manager->urls().toStringList().first(2));
        QTest::keyClicks(search(), u"zz"_s);
        QCOMPARE(shownItems(), QStringList());
        QVERIFY(emptyLabel()->isVisible());
        search()->clear();
        QCOMPARE(shownItems(), m_manager->urls().toStringList());
        QVERIFY(!emptyLabel()->isVisible());
    }

    void clickOnText_opensThePreviewUnderTheRow()
    {
        const QString longItem = u"https://long.example/"_s + QString(300, u'q');
        show({u"https://one.example"_s, longItem});
        clickText(1);
        QCOMPARE(m_view->selectedText(), std::optional<QString>(longItem));
        PreviewPanel *panel = preview();
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(panel->cardRect().size(), QSize(300, 150));
        QCOMPARE(panel->textView()->size(), QSize(300, 150));
        // The full text, although the row shows a shortened one.
        QCOMPARE(panel->text(), longItem);
        QCOMPARE(list()->model()->index(1, 0).data().toString(), longItem.first(100) + u"..."_s);
        // Inside the row, under its line: the row grew to hold it.
        const QRect row = list()->rowRect(1);
        const QRect card = panel->cardRect().translated(panel->pos());
        QVERIFY(row.contains(card));
        QVERIFY(card.top() > list()->textRect(1).bottom());
        QVERIFY(row.height() > list()->rowRect(0).height() + 150);
    }

    void clickOnSelectedText_closesThePreview()
    {
        show({u"https://one.example"_s, u"https://two.example"_s});
        clickText(0);
        QVERIFY(preview());
        clickText(0);
        QVERIFY(!m_view->selectedText());
        QVERIFY(!preview());
        QTRY_VERIFY(!list()->isAnimating());
        QCOMPARE(list()->rowRect(0).height(), list()->rowRect(1).height());
    }

    void clickOnAnotherRow_movesThePreview()
    {
        show({u"https://one.example"_s, u"https://two.example"_s});
        clickText(0);
        clickText(1);
        QCOMPARE(m_view->selectedText(), std::optional<QString>(u"https://two.example"_s));
        QVERIFY(preview());
        QCOMPARE(preview()->text(), u"https://two.example"_s);
        QTRY_VERIFY(!list()->isAnimating());
        QVERIFY(list()->rowRect(1).contains(preview()->geometry().center()));
        QCOMPARE(list()->findChildren<PreviewPanel *>().size(), 1);
    }

    void clickOnThePreview_closesIt()
    {
        show({u"https://one.example"_s});
        clickText(0);
        PreviewTextView *text = preview()->textView();
        QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, QPoint(40, 40));
        QVERIFY(!m_view->selectedText());
        QVERIFY(!preview());
    }

    void searchHidingTheSelectedRow_hidesItsPreviewUntilCleared()
    {
        show({u"https://apple.example"_s, u"https://banana.example"_s});
        clickText(1);
        QTest::keyClicks(search(), u"apple"_s);
        QCOMPARE(shownItems(), QStringList{u"https://apple.example"_s});
        QVERIFY(!preview());
        QCOMPARE(m_view->selectedText(), std::optional<QString>(u"https://banana.example"_s));
        search()->clear();
        QVERIFY(preview());
        QCOMPARE(preview()->text(), u"https://banana.example"_s);
        QVERIFY(list()->rowRect(1).contains(preview()->geometry().center()));
    }

    void copyButton_putsExactlyTheItemOnTheClipboard()
    {
        const QString item = u"https://copy.example/line one\nline two"_s;
        show({u"https://first.example"_s, item});
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->copyButtonRect(1).center());
        QCOMPARE(m_clipboard->text(), std::optional<QString>(item));
        QCOMPARE(m_clipboard->writeCount(), 1);
        QCOMPARE(m_manager->urls().toStringList(), QStringList({u"https://first.example"_s, item}));
        QVERIFY(!m_view->selectedText());
    }

    void deleteButton_removesFirstEqualItemAndSavesAtOnce()
    {
        show({u"https://twice.example"_s, u"https://other.example"_s, u"https://twice.example"_s});
        m_store->failingHistory().resetCounts();
        // The second of the two equal rows: the first of them is the one removed.
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->deleteButtonRect(2).center());
        const QStringList expected{u"https://other.example"_s, u"https://twice.example"_s};
        QCOMPARE(m_manager->urls().toStringList(), expected);
        QCOMPARE(m_store->history().load().lists.value(u"urls"_s).texts, expected);
        QCOMPARE(m_store->failingHistory().writeCount(), 1);
        QCOMPARE(shownItems(), expected);
    }

    void deleteItemOnClipboard_clearsClipboard()
    {
        show({u"https://h\u00e9ld.example"_s, u"https://other.example"_s});
        // The clipboard holds the same text in another normal form.
        m_clipboard->setText(u"https://he\u0301ld.example"_s);
        clickDelete(0);
        QCOMPARE(m_clipboard->text(), std::nullopt);
        QCOMPARE(m_clipboard->clearCount(), 1);
        QCOMPARE(m_manager->urls().toStringList(), QStringList{u"https://other.example"_s});
    }

    void deleteItemNotOnClipboard_leavesClipboardAlone()
    {
        show({u"https://caf\u00e9.example"_s, u"https://other.example"_s});
        m_clipboard->setText(u"https://cafe\u0301.example"_s);
        clickDelete(1);
        QCOMPARE(m_clipboard->text(), std::optional<QString>(u"https://cafe\u0301.example"_s));
        QCOMPARE(m_clipboard->clearCount(), 0);
        // Canonically equal to the clipboard's text: deleting it does clear it.
        clickDelete(0);
        QCOMPARE(m_clipboard->text(), std::nullopt);
        QVERIFY(m_manager->urls().isEmpty());
        QVERIFY(emptyLabel()->isVisible());
    }

    void deletingTheSelectedItem_keepsTheSelection()
    {
        show({u"https://keep.example"_s, u"https://go.example"_s});
        clickText(1);
        clickDelete(1);
        QCOMPARE(m_view->selectedText(), std::optional<QString>(u"https://go.example"_s));
        QVERIFY(!preview());
        QCOMPARE(shownItems(), QStringList{u"https://keep.example"_s});
        // The same text comes back: its row opens with the preview.
        m_manager->addItem(u"https://go.example"_s);
        QCOMPARE(shownItems(), QStringList({u"https://go.example"_s, u"https://keep.example"_s}));
        QVERIFY(preview());
        QTRY_VERIFY(!list()->isAnimating());
        QVERIFY(list()->rowRect(0).contains(preview()->geometry().center()));
    }

    void newItemWhileShown_appearsAtTheTopWhenItMatches()
    {
        show({u"https://old.example/abc"_s, u"https://old.example/xyz"_s});
        QTest::keyClicks(search(), u"ABC"_s);
        m_manager->addItem(u"https://new.example/abc"_s);
        QCOMPARE(shownItems(),
                 QStringList({u"https://new.example/abc"_s, u"https://old.example/abc"_s}));
        m_manager->addItem(u"https://new.example/other"_s);
        QCOMPARE(shownItems().size(), 2);
        search()->clear();
        QCOMPARE(shownItems().first(), u"https://new.example/other"_s);
        QTRY_VERIFY(!list()->isAnimating());
        // Once in, the new row is clickable like any other.
        clickText(0);
        QCOMPARE(m_view->selectedText(), std::optional<QString>(u"https://new.example/other"_s));
    }

    void keyboard_movesOpensCopiesAndDeletes()
    {
        show({u"https://one.example"_s, u"https://two.example"_s, u"https://three.example"_s});
        search()->setFocus();
        QTest::keyClick(search(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), list());
        // Focus lands on the first row.
        QCOMPARE(list()->currentIndex().row(), 0);
        QTest::keyClick(list(), Qt::Key_Down);
        QTest::keyClick(list(), Qt::Key_Down);
        QTest::keyClick(list(), Qt::Key_Up);
        QCOMPARE(list()->currentIndex().row(), 1);
        // Space opens and closes the preview; Return and Ctrl+C copy.
        QTest::keyClick(list(), Qt::Key_Space);
        QCOMPARE(m_view->selectedText(), std::optional<QString>(u"https://two.example"_s));
        QTest::keyClick(list(), Qt::Key_Space);
        QVERIFY(!m_view->selectedText());
        QTest::keyClick(list(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(m_clipboard->text(), std::optional<QString>(u"https://two.example"_s));
        QTest::keyClick(list(), Qt::Key_Down);
        QTest::keyClick(list(), Qt::Key_Return);
        QCOMPARE(m_clipboard->text(), std::optional<QString>(u"https://three.example"_s));
        QVERIFY(!m_view->selectedText());
        QTest::keyClick(list(), Qt::Key_Up);
        QTest::keyClick(list(), Qt::Key_Up);
        QTest::keyClick(list(), Qt::Key_Delete);
        QCOMPARE(m_manager->urls().toStringList(),
                 QStringList({u"https://two.example"_s, u"https://three.example"_s}));
    }

    void buttons_haveTheirToolTips()
    {
        show({u"https://one.example"_s});
        QHelpEvent copyHelp(QEvent::ToolTip, list()->copyButtonRect(0).center(),
                            list()->viewport()->mapToGlobal(list()->copyButtonRect(0).center()));
        QApplication::sendEvent(list()->viewport(), &copyHelp);
        QTRY_COMPARE(QToolTip::text(), u"Copy to clipboard"_s);
        QHelpEvent deleteHelp(
            QEvent::ToolTip, list()->deleteButtonRect(0).center(),
            list()->viewport()->mapToGlobal(list()->deleteButtonRect(0).center()));
        QApplication::sendEvent(list()->viewport(), &deleteHelp);
        QTRY_COMPARE(QToolTip::text(), u"Delete item"_s);
    }

    void drag_givesTheFullItemAsPlainText()
    {
        const QString item = u"https://drag.example/"_s + QString(250, u'd') + u"\nmore"_s;
        show({item});
        const std::unique_ptr<QMimeData> data(list()->dragData(0));
        QVERIFY(data->hasText());
        QCOMPARE(data->text(), item);
    }

    void rowText_staysOnOneLine()
    {
        QCOMPARE(ClipDelegate::singleLine(u"a\r\nb\nc\rd\u2028e"_s), u"a⏎b⏎c⏎d⏎e"_s);
        QCOMPARE(ClipDelegate::singleLine(u"plain"_s), u"plain"_s);
    }

    void longList_scrollsInsideTheView()
    {
        QStringList items;
        for (int i = 0; i < 500; ++i)
            items << u"https://item.example/%1"_s.arg(i);
        show(items);
        QScrollBar *bar = list()->verticalScrollBar();
        QVERIFY(bar->isVisible());
        QVERIFY(bar->maximum() > 0);
        QTest::keyClick(list(), Qt::Key_End);
        QCOMPARE(list()->currentIndex().row(), 499);
        QVERIFY(list()->viewport()->rect().contains(list()->textRect(499).center()));
        clickText(499);
        QCOMPARE(m_view->selectedText(), std::optional<QString>(items.last()));
    }

private:
    void show(const QStringList &items)
    {
        // The history as an earlier session left it; the poll timers never tick,
        // since nothing here copies from outside.
        QVERIFY(m_store->history().replaceList(listKey(Category::Url), items).ok());
        m_manager = std::make_unique<ClipboardManager>(*m_clipboard, m_store->preferences(),
                                                       m_store->failingHistory(), m_timers);
        QCOMPARE(m_manager->urls().toStringList(), items);
        m_view = std::make_unique<CategoryView>(*m_manager, Category::Url);
        m_view->resize(350, 300);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }
    ClipListView *list() const { return m_view->findChild<ClipListView *>(u"clipList"_s); }
    QLineEdit *search() const { return m_view->findChild<QLineEdit *>(u"searchField"_s); }
    QLabel *emptyLabel() const { return m_view->findChild<QLabel *>(u"emptyLabel"_s); }
    PreviewPanel *preview() const { return m_view->findChild<PreviewPanel *>(u"preview"_s); }
    QStringList shownItems() const
    {
        QStringList shown;
        const QAbstractItemModel *model = list()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            shown << model->index(row, 0).data(Qt::UserRole).toString();
        return shown;
    }
    void clickText(int row)
    {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->textRect(row).center());
    }
    void clickDelete(int row)
    {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->deleteButtonRect(row).center());
    }

    std::unique_ptr<MemoryClipboard> m_clipboard;
    std::unique_ptr<TemporaryStore> m_store;
    ManualPollTimers m_timers;
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<CategoryView> m_view;
};

QTEST_MAIN(CategoryViewTest)
#include "tst_categoryview.moc"
