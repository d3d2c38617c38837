#include "PreviewPanel.h"
#include "PreviewTextView.h"

#include <QScrollBar>

#include <QSignalSpy>
#include <QTest>
#include <cmath>

using namespace Qt::StringLiterals;

// The preview's text view: wrapping, scrolling, and texts of any size.
class PreviewTextTest final : public QObject
{
    Q_OBJECT

private slots:
    void shortText_fitsWithoutScrolling()
    {
        PreviewTextView view;
        view.resize(300, 150);
        view.show();
        view.setText(u"one line"_s);
        QCOMPARE(view.text(), u"one line"_s);
        QCOMPARE(view.verticalScrollBar()->maximum(), 0);
        QVERIFY(view.contentHeight() >= view.fontMetrics().lineSpacing());
        QVERIFY(view.contentHeight() < 150);
    }

    void manyLines_scrollToTheirEnd()
    {
        PreviewTextView view;
        view.resize(300, 150);
        view.show();
        QStringList lines;
        for (int i = 0; i < 40; ++i)
            lines << u"line %1"_s.arg(i);
        view.setText(lines.join(u'\n'));
        const int lineHeight = view.fontMetrics().lineSpacing();
        QScrollBar *bar = view.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        // Scrolling through lays every block out: the content is then 40 lines high
        // plus the margins, and the range ends with the last line at the bottom.
        for (int value = 0; value <= bar->maximum(); value += 50)
            bar->setValue(value);
        bar->setValue(bar->maximum());
        QVERIFY(view.contentHeight() >= 40 * lineHeight);
        QVERIFY(view.contentHeight() <= 40 * lineHeight + 40);
        QCOMPARE(qint64(bar->maximum()), view.contentHeight() - view.viewport()->height());
    }

    void longLine_wrapsIntoSeveralLines()
    {
        PreviewTextView view;
        view.resize(300, 150);
        view.show();
        view.setText(u"word "_s.repeated(200));
        const int lineHeight = view.fontMetrics().lineSpacing();
        // A thousand characters do not fit on one line of 300 points.
        QVERIFY(view.contentHeight() > 5 * lineHeight);
        QVERIFY(view.verticalScrollBar()->maximum() > 0);
    }

    void hugeSingleLine_opensAndScrollsToItsEnd()
    {
        PreviewTextView view;
        view.resize(300, 150);
        view.show();
        QString text = u"lorem ipsum "_s.repeated(2 * 1024 * 1024);
        text += u"THE END"_s;
        view.setText(text);
        QScrollBar *bar = view.verticalScrollBar();
        QVERIFY(bar->maximum() > 100000);
        bar->setValue(bar->maximum());
        QVERIFY(!view.grab().isNull());
        // The estimate for the end was replaced by what was laid out there, and the
        // range still reaches the content's end.
        QCOMPARE(qint64(bar->maximum()), view.contentHeight() - view.viewport()->height());
        QCOMPARE(view.text().size(), text.size());
    }

    void clickOnText_isReported()
    {
        PreviewTextView view;
        view.resize(300, 150);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setText(u"text"_s);
        QSignalSpy clicked(&view, &PreviewTextView::clicked);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(clicked.count(), 1);
        // Pressing on the text and releasing elsewhere is no click.
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(20, 400));
        QCOMPARE(clicked.count(), 1);
    }

    void panel_isA300By150CardThatReportsClicks()
    {
        QWidget parent;
        parent.resize(400, 300);
        auto *panel = new PreviewPanel(&parent);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        panel->placeCard(QRect(20, 30, 300, 150));
        panel->setText(u"full text"_s);
        QCOMPARE(panel->cardRect().translated(panel->pos()), QRect(20, 30, 300, 150));
        QCOMPARE(panel->textView()->geometry(), panel->cardRect());
        QCOMPARE(panel->objectName(), u"preview"_s);
        QSignalSpy clicked(panel, &PreviewPanel::clicked);
        QTest::mouseClick(panel->textView()->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QCOMPARE(clicked.count(), 1);
    }

    void panel_isALightGrayCardWithASoftShadow()
    {
        QWidget parent;
        parent.resize(400, 300);
        QPalette white = parent.palette();
        white.setColor(QPalette::Window, Qt::white);
        parent.setPalette(white);
        parent.setAutoFillBackground(true);
        auto *panel = new PreviewPanel(&parent);
        panel->placeCard(QRect(50, 50, 300, 150));
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        const QImage image = parent.grab().toImage();
        // Gray at 0.2 over white, where no text is.
        const QColor inside = image.pixelColor(200, 190);
        QVERIFY2(std::abs(inside.red() - 230) <= 3, qPrintable(inside.name()));
        QCOMPARE(inside.red(), inside.blue());
        // The shadow darkens just outside the card and fades out further away.
        const QColor edge = image.pixelColor(200, 202);
        const QColor away = image.pixelColor(200, 230);
        QVERIFY2(edge.red() < 250, qPrintable(edge.name()));
        QCOMPARE(away, QColor(Qt::white));
        // Rounded corners: the very corner of the card is not gray.
        QVERIFY(image.pixelColor(50, 50).red() > inside.red());
    }

    void panelFade_endsClosedAndSaysSo()
    {
        QWidget parent;
        auto *panel = new PreviewPanel(&parent);
        parent.show();
        QSignalSpy faded(panel, &PreviewPanel::fadedOut);
        panel->fadeIn();
        panel->fadeOut();
        QVERIFY(panel->isClosing());
        QVERIFY(faded.wait(2000));
        QCOMPARE(faded.count(), 1);
    }
};

QTEST_MAIN(PreviewTextTest)
#include "tst_previewtext.moc"
