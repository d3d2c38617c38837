#include "AppShell.h"
#include "ClipboardManager.h"
#include "ContentView.h"
#include "PanelTestHelpers.h"
#include "PanelWindow.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QtTest>

using namespace PanelTest;

// The clear-history card inside the real panel window, whose "Show in Dock" and
// "Quit" lie outside the view the card covers: the keyboard must not reach them.
class TestConfirmationFocus final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tab_cyclesCancelAndClearOnly();
    void focusedButton_isRingedInHighlight();
    void returnOnCancel_cancelsOnly();
    void returnOnClear_clears();
    void escape_cancelsAndKeepsPopupOpen();

private:
    void presentCard();
    QPushButton *cancel() const { return child<QPushButton>(panel(), "confirmCancelButton"); }
    QPushButton *clear() const { return child<QPushButton>(panel(), "confirmClearButton"); }
    PanelWindow &panel() const { return m_shell->panel(); }
    // Highlight-coloured pixels in the band just outside `button` on the card.
    int ringPixels(const QImage &card, const QPushButton *button) const;

    std::unique_ptr<FakeServices> m_fakes;
    std::unique_ptr<AppShell> m_shell;
};

namespace {
const LaunchOptions withTray{.showPanel = false, .trayAvailable = true};
} // namespace

void TestConfirmationFocus::init()
{
    m_fakes = std::make_unique<FakeServices>();
    QVERIFY(m_fakes->store.isValid());
    m_shell = std::make_unique<AppShell>(m_fakes->services(), withTray);
    m_shell->openPanel();
    QVERIFY(QTest::qWaitForWindowActive(&panel()));
}

void TestConfirmationFocus::cleanup()
{
    m_shell.reset();
    m_fakes.reset();
}

void TestConfirmationFocus::presentCard()
{
    QTest::mouseClick(child<QPushButton>(panel(), "clearHistoryButton"), Qt::LeftButton);
    QVERIFY(panel().contentView().isClearConfirmationShown());
    QCOMPARE(QApplication::focusWidget(), cancel());
}

int TestConfirmationFocus::ringPixels(const QImage &card, const QPushButton *button) const
{
    const QWidget *cardWidget = button->parentWidget();
    const QColor highlight = cardWidget->palette().color(QPalette::Highlight);
    const QRect inner(button->mapTo(cardWidget, QPoint(0, 0)), button->size());
    const QRect outer = inner.adjusted(-4, -4, 4, 4);
    const qreal ratio = card.devicePixelRatio();
    int count = 0;
    for (int y = outer.top(); y <= outer.bottom(); ++y) {
        for (int x = outer.left(); x <= outer.right(); ++x) {
            if (inner.contains(x, y))
                continue;
            const QColor pixel = card.pixelColor(int(x * ratio), int(y * ratio));
            if (qAbs(pixel.red() - highlight.red()) < 40 &&
                qAbs(pixel.green() - highlight.green()) < 40 &&
                qAbs(pixel.blue() - highlight.blue()) < 40)
                ++count;
        }
    }
    return count;
}

void TestConfirmationFocus::tab_cyclesCancelAndClearOnly()
{
    presentCard();
    QList<QWidget *> forwards;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forwards.append(QApplication::focusWidget());
    }
    QCOMPARE(forwards, QList<QWidget *>({clear(), cancel(), clear(), cancel(), clear()}));
    QList<QWidget *> backwards;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        backwards.append(QApplication::focusWidget());
    }
    QCOMPARE(backwards, QList<QWidget *>({cancel(), clear(), cancel(), clear()}));
    // Tab, Tab, Tab, Space once quit the program from behind the card.
    QSignalSpy quit(&panel(), &PanelWindow::quitRequested);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), cancel());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(quit.size(), 0);
    QVERIFY(!panel().contentView().isClearConfirmationShown());
}

void TestConfirmationFocus::focusedButton_isRingedInHighlight()
{
    presentCard();
    QWidget *card = cancel()->parentWidget();
    QImage picture = card->grab().toImage();
    const int cancelRing = ringPixels(picture, cancel());
    QVERIFY2(cancelRing > 40, qPrintable(QString::number(cancelRing)));
    QCOMPARE(ringPixels(picture, clear()), 0);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    picture = card->grab().toImage();
    QCOMPARE(ringPixels(picture, cancel()), 0);
    QVERIFY(ringPixels(picture, clear()) > 40);
}

void TestConfirmationFocus::returnOnCancel_cancelsOnly()
{
    ClipboardManager &manager = m_shell->manager();
    manager.addItem(QStringLiteral("kept note"));
    presentCard();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!panel().contentView().isClearConfirmationShown());
    QCOMPARE(manager.texts().toStringList(), QStringList{QStringLiteral("kept note")});
    QVERIFY(panel().isVisible());
}

void TestConfirmationFocus::returnOnClear_clears()
{
    ClipboardManager &manager = m_shell->manager();
    manager.addItem(QStringLiteral("cleared note"));
    presentCard();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), clear());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(!panel().contentView().isClearConfirmationShown());
    QVERIFY(manager.texts().isEmpty());
}

void TestConfirmationFocus::escape_cancelsAndKeepsPopupOpen()
{
    presentCard();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!panel().contentView().isClearConfirmationShown());
    QVERIFY(panel().isVisible());
}

QTEST_MAIN(TestConfirmationFocus)
#include "tst_confirmationfocus.moc"
