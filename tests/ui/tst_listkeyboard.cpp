#include "CategoryView.h"
#include "ClipListView.h"
#include "ClipboardManager.h"
#include "CopyMark.h"
#include "FailingHistoryStore.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "PanelStyle.h"
#include "SqliteStores.h"
#include "TemporaryStore.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The category list worked from the keyboard: the current row must be seen, the
// search field and the rows must be one path, and a copy must show.
class ListKeyboardTest final : public QObject
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

    void currentRow_isDrawnInHighlightWhileListHasFocus_data()
    {
        QTest::addColumn<QPalette>("palette");
        QPalette light;
        light.setColor(QPalette::Window, QColor(239, 239, 239));
        light.setColor(QPalette::Base, Qt::white);
        light.setColor(QPalette::Text, Qt::black);
        light.setColor(QPalette::Highlight, QColor(48, 140, 198));
        light.setColor(QPalette::HighlightedText, Qt::white);
        QTest::newRow("light") << light;
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(40, 40, 44));
        dark.setColor(QPalette::Base, QColor(28, 28, 30));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
        dark.setColor(QPalette::HighlightedText, Qt::white);
        QTest::newRow("dark") << dark;
    }
    void currentRow_isDrawnInHighlightWhileListHasFocus()
    {
        QFETCH(QPalette, palette);
        show({u"https://one.example"_s, u"https://two.example"_s, u"https://three.example"_s});
        m_view->setPalette(palette);
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        list()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(list(), Qt::Key_Home);
        QTest::keyClick(list(), Qt::Key_Down);
        QCOMPARE(list()->currentIndex().row(), 1);
        const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);

        QImage picture = list()->viewport()->grab().toImage();
        QVERIFY2(share(picture, list()->textRect(1), highlight) > 0.5,
                 "the current row is not in the highlight");
        QCOMPARE(share(picture, list()->textRect(0), highlight), 0.0);
        QCOMPARE(share(picture, list()->textRect(2), highlight), 0.0);
        // Its text stays readable: drawn in the highlighted-text colour.
        QVERIFY(share(picture, list()->textRect(1),
                      palette.color(QPalette::Active, QPalette::HighlightedText)) > 0.0);

        // Moving on moves the highlight.
        QTest::keyClick(list(), Qt::Key_End);
        picture = list()->viewport()->grab().toImage();
        QCOMPARE(share(picture, list()->textRect(1), highlight), 0.0);
        QVERIFY(share(picture, list()->textRect(2), highlight) > 0.5);

        // Without the focus there is no current row to act on, and none is drawn.
        search()->setFocus();
        picture = list()->viewport()->grab().toImage();
        QCOMPARE(share(picture, list()->textRect(2), highlight), 0.0);
    }

    void downFromSearch_entersFirstRow_upFromFirstRow_returns()
    {
        show({u"https://one.example/abc"_s, u"https://two.example/abc"_s,
              u"https://three.example/xyz"_s});
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        search()->setFocus();
        QTest::keyClicks(search(), u"abc"_s);
        QTest::keyClick(search(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), list());
        QCOMPARE(list()->currentIndex().row(), 0);
        QTest::keyClick(list(), Qt::Key_Down);
        QCOMPARE(list()->currentIndex().row(), 1);
        QTest::keyClick(list(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), list());
        QTest::keyClick(list(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), search());
        QCOMPARE(search()->text(), u"abc"_s);
        // Down again starts on the first row, wherever the current row was.
        list()->setCurrentIndex(list()->model()->index(1, 0));
        QTest::keyClick(search(), Qt::Key_Down);
        QCOMPARE(list()->currentIndex().row(), 0);
    }

    void escape_emptiesSearchFirst()
    {
        show({u"https://one.example"_s});
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        search()->setFocus();
        QTest::keyClicks(search(), u"zz"_s);
        QCOMPARE(list()->model()->rowCount(), 0);
        QKeyEvent first(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(search(), &first);
        QVERIFY(first.isAccepted());
        QCOMPARE(search()->text(), QString());
        QCOMPARE(list()->model()->rowCount(), 1);
        // With nothing left to empty, Escape goes on to whoever closes the panel.
        QKeyEvent second(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(search(), &second);
        QVERIFY(!second.isAccepted());

        // From the list too.
        QTest::keyClicks(search(), u"one"_s);
        QTest::keyClick(search(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), list());
        QTest::keyClick(list(), Qt::Key_Escape);
        QCOMPARE(search()->text(), QString());
    }

    void copy_turnsCopyIconIntoCheckMarkForASecond()
    {
        show({u"https://one.example"_s, u"https://two.example"_s});
        auto *mark = list()->findChild<CopyMark *>();
        QVERIFY(mark);
        QCOMPARE(CopyMark::shownMs, 1000);
        const QColor green = PanelStyle::positiveGreen(list()->palette());
        const QRect button = list()->copyButtonRect(1);
        QCOMPARE(share(list()->viewport()->grab().toImage(), button, green), 0.0);

        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, button.center());
        QCOMPARE(m_clipboard->text(), std::optional<QString>(u"https://two.example"_s));
        QVERIFY(mark->isMarked(list()->model()->index(1, 0)));
        QVERIFY(!mark->isMarked(list()->model()->index(0, 0)));
        // Drawn in green on a row that is not highlighted as current.
        search()->setFocus();
        QVERIFY(share(list()->viewport()->grab().toImage(), button, green) > 0.02);
        QCOMPARE(share(list()->viewport()->grab().toImage(), list()->copyButtonRect(0), green),
                 0.0);
        QTRY_VERIFY_WITH_TIMEOUT(!mark->isMarked(list()->model()->index(1, 0)), 3000);
        QCOMPARE(share(list()->viewport()->grab().toImage(), button, green), 0.0);

        // Ctrl+C marks the current row as well.
        list()->setFocus();
        list()->setCurrentIndex(list()->model()->index(0, 0));
        QTest::keyClick(list(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(mark->isMarked(list()->model()->index(0, 0)));
    }

    void returnOnRow_copiesAndReportsTheChoice()
    {
        const QString longItem = u"https://long.example/"_s + QString(180, u'x');
        show({u"https://one.example"_s, longItem});
        QSignalSpy chosen(m_view.get(), &CategoryView::itemChosen);
        list()->setFocus();
        list()->setCurrentIndex(list()->model()->index(1, 0));
        QTest::keyClick(list(), Qt::Key_Return);
        QCOMPARE(m_clipboard->text(), std::optional<QString>(longItem));
        QCOMPARE(chosen.size(), 1);
        QVERIFY(!m_view->selectedText());
    }

private:
    // The share of the pixels of `area` (viewport coordinates) close to `color`.
    static double share(const QImage &picture, const QRect &area, const QColor &color)
    {
        const qreal ratio = picture.devicePixelRatio();
        int close = 0;
        int all = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor pixel = picture.pixelColor(int(x * ratio), int(y * ratio));
                ++all;
                if (qAbs(pixel.red() - color.red()) < 24 &&
                    qAbs(pixel.green() - color.green()) < 24 &&
                    qAbs(pixel.blue() - color.blue()) < 24)
                    ++close;
            }
        }
        return all ? double(close) / all : 0.0;
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
    ClipListView *list() const { return m_view->findChild<ClipListView *>(u"clipList"_s); }
    QLineEdit *search() const { return m_view->findChild<QLineEdit *>(u"searchField"_s); }

    std::unique_ptr<MemoryClipboard> m_clipboard;
    std::unique_ptr<TemporaryStore> m_store;
    ManualPollTimers m_timers;
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<CategoryView> m_view;
};

QTEST_MAIN(ListKeyboardTest)
#include "tst_listkeyboard.moc"
