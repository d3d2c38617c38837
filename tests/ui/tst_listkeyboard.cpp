#include "CopyMark.h"
#include "PanelStyle.h"
#include "SearchFilterModel.h"
#include "ShownCategoryView.h"

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
    void init() { QVERIFY(m_ui.emplace().isValid()); }
    void cleanup() { m_ui.reset(); }

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
        m_ui->show(
            {u"https://one.example"_s, u"https://two.example"_s, u"https://three.example"_s});
        m_ui->view()->setPalette(palette);
        m_ui->view()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_ui->view()));
        m_ui->list()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(m_ui->list(), Qt::Key_Home);
        QTest::keyClick(m_ui->list(), Qt::Key_Down);
        QCOMPARE(m_ui->list()->currentIndex().row(), 1);
        const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);

        QImage picture = m_ui->list()->viewport()->grab().toImage();
        QVERIFY2(share(picture, m_ui->list()->textRect(1), highlight) > 0.5,
                 "the current row is not in the highlight");
        QCOMPARE(share(picture, m_ui->list()->textRect(0), highlight), 0.0);
        QCOMPARE(share(picture, m_ui->list()->textRect(2), highlight), 0.0);
        // Its text stays readable: drawn in the highlighted-text colour.
        QVERIFY(share(picture, m_ui->list()->textRect(1),
                      palette.color(QPalette::Active, QPalette::HighlightedText)) > 0.0);

        // Moving on moves the highlight.
        QTest::keyClick(m_ui->list(), Qt::Key_End);
        picture = m_ui->list()->viewport()->grab().toImage();
        QCOMPARE(share(picture, m_ui->list()->textRect(1), highlight), 0.0);
        QVERIFY(share(picture, m_ui->list()->textRect(2), highlight) > 0.5);

        // Without the focus there is no current row to act on, and none is drawn.
        m_ui->search()->setFocus();
        picture = m_ui->list()->viewport()->grab().toImage();
        QCOMPARE(share(picture, m_ui->list()->textRect(2), highlight), 0.0);
    }

    void downFromSearch_entersFirstRow_upFromFirstRow_returns()
    {
        m_ui->show({u"https://one.example/abc"_s, u"https://two.example/abc"_s,
                    u"https://three.example/xyz"_s});
        m_ui->view()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_ui->view()));
        m_ui->search()->setFocus();
        QTest::keyClicks(m_ui->search(), u"abc"_s);
        QTest::keyClick(m_ui->search(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), m_ui->list());
        QCOMPARE(m_ui->list()->currentIndex().row(), 0);
        QTest::keyClick(m_ui->list(), Qt::Key_Down);
        QCOMPARE(m_ui->list()->currentIndex().row(), 1);
        QTest::keyClick(m_ui->list(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), m_ui->list());
        QTest::keyClick(m_ui->list(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), m_ui->search());
        QCOMPARE(m_ui->search()->text(), u"abc"_s);
        // Down again starts on the first row, wherever the current row was.
        m_ui->list()->setCurrentIndex(m_ui->list()->model()->index(1, 0));
        QTest::keyClick(m_ui->search(), Qt::Key_Down);
        QCOMPARE(m_ui->list()->currentIndex().row(), 0);
    }

    void downOrReturnWhileALongSearchRuns_actOnItsRowsOnceShown()
    {
        // Long enough to be searched beside the GUI thread; the first row does not
        // match, so Return on the rows shown before would copy the wrong text.
        QStringList items;
        for (int i = 0; i < 30000; ++i)
            items << u"https://%1.example/%2"_s.arg(i).arg(i % 3 == 1 ? u"new"_s : u"old"_s);
        m_ui->show(items);
        m_ui->view()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_ui->view()));
        m_ui->search()->setFocus();
        QTest::keyClicks(m_ui->search(), u"new"_s);
        const auto *filter = qobject_cast<const SearchFilterModel *>(m_ui->list()->model());
        QVERIFY(filter && filter->isSearching());
        QTest::keyClick(m_ui->search(), Qt::Key_Down);
        QTRY_COMPARE(QApplication::focusWidget(), m_ui->list());
        QCOMPARE(m_ui->list()->currentIndex().row(), 0);
        QTest::keyClick(m_ui->list(), Qt::Key_Return);
        QCOMPARE(m_ui->clipboard().text(), std::optional(u"https://1.example/new"_s));
        // Return in the field copies the first row of the search typed, when shown.
        m_ui->search()->setFocus();
        m_ui->search()->selectAll();
        QTest::keyClicks(m_ui->search(), u"old"_s);
        QVERIFY(filter->isSearching());
        QTest::keyClick(m_ui->search(), Qt::Key_Return);
        QTRY_COMPARE(m_ui->clipboard().text(), std::optional(u"https://0.example/old"_s));
    }

    void escape_emptiesSearchFirst()
    {
        m_ui->show({u"https://one.example"_s});
        m_ui->view()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_ui->view()));
        m_ui->search()->setFocus();
        QTest::keyClicks(m_ui->search(), u"zz"_s);
        QCOMPARE(m_ui->list()->model()->rowCount(), 0);
        QKeyEvent first(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(m_ui->search(), &first);
        QVERIFY(first.isAccepted());
        QCOMPARE(m_ui->search()->text(), QString());
        QCOMPARE(m_ui->list()->model()->rowCount(), 1);
        // With nothing left to empty, Escape goes on to whoever closes the panel.
        QKeyEvent second(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(m_ui->search(), &second);
        QVERIFY(!second.isAccepted());

        // From the list too.
        QTest::keyClicks(m_ui->search(), u"one"_s);
        QTest::keyClick(m_ui->search(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), m_ui->list());
        QTest::keyClick(m_ui->list(), Qt::Key_Escape);
        QCOMPARE(m_ui->search()->text(), QString());
    }

    void copy_turnsCopyIconIntoCheckMarkForASecond()
    {
        m_ui->show({u"https://one.example"_s, u"https://two.example"_s});
        auto *mark = m_ui->list()->findChild<CopyMark *>();
        QVERIFY(mark);
        QCOMPARE(CopyMark::shownMs, 1000);
        const QColor green = PanelStyle::positiveGreen(m_ui->list()->palette());
        const QRect button = m_ui->list()->copyButtonRect(1);
        QCOMPARE(share(m_ui->list()->viewport()->grab().toImage(), button, green), 0.0);

        QTest::mouseClick(m_ui->list()->viewport(), Qt::LeftButton, {}, button.center());
        QCOMPARE(m_ui->clipboard().text(), std::optional<QString>(u"https://two.example"_s));
        QVERIFY(mark->isMarked(m_ui->list()->model()->index(1, 0)));
        QVERIFY(!mark->isMarked(m_ui->list()->model()->index(0, 0)));
        // Drawn in green on a row that is not highlighted as current.
        m_ui->search()->setFocus();
        QVERIFY(share(m_ui->list()->viewport()->grab().toImage(), button, green) > 0.02);
        QCOMPARE(share(m_ui->list()->viewport()->grab().toImage(), m_ui->list()->copyButtonRect(0),
                       green),
                 0.0);
        QTRY_VERIFY_WITH_TIMEOUT(!mark->isMarked(m_ui->list()->model()->index(1, 0)), 3000);
        QCOMPARE(share(m_ui->list()->viewport()->grab().toImage(), button, green), 0.0);

        // Ctrl+C marks the current row as well.
        m_ui->list()->setFocus();
        m_ui->list()->setCurrentIndex(m_ui->list()->model()->index(0, 0));
        QTest::keyClick(m_ui->list(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(mark->isMarked(m_ui->list()->model()->index(0, 0)));
    }

    void returnOnRow_copiesAndReportsTheChoice()
    {
        const QString longItem = u"https://long.example/"_s + QString(180, u'x');
        m_ui->show({u"https://one.example"_s, longItem});
        QSignalSpy chosen(m_ui->view(), &CategoryView::itemChosen);
        m_ui->list()->setFocus();
        m_ui->list()->setCurrentIndex(m_ui->list()->model()->index(1, 0));
        QTest::keyClick(m_ui->list(), Qt::Key_Return);
        QCOMPARE(m_ui->clipboard().text(), std::optional<QString>(longItem));
        QCOMPARE(chosen.size(), 1);
        QVERIFY(!m_ui->view()->selectedText());
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

    std::optional<ShownCategoryView> m_ui;
};

QTEST_MAIN(ListKeyboardTest)
#include "tst_listkeyboard.moc"
