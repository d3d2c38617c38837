#include "AppShell.h"
#include "CategoryPicker.h"
#include "ClipListView.h"
#include "ClipboardManager.h"
#include "ContentView.h"
#include "PanelTestHelpers.h"
#include "PanelWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <cmath>

using namespace PanelTest;
using namespace Qt::StringLiterals;

// The panel worked with the keyboard alone, as from the tray: open, type, go
// down, Return, and paste elsewhere; switch categories; and never quit by a key
// meant for something else.
class TestPanelKeyboard final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openedPanel_hasFocusInSearchField();
    void typeDownReturn_copiesRowAndClosesPopup();
    void returnInWindowMode_copiesAndKeepsPanelOpen();
    void escape_emptiesSearchThenClosesPopup();
    void typingAndReturn_searchAndCopyFromAnywhereInTheList();
    void categories_followAltDigitsAndCtrlTab();
    void quit_isLastStopAndAsksWhenPressedByKey();

private:
    void openWith(const QStringList &urls, bool popup);
    QLineEdit *search() const { return child<QLineEdit>(m_shell->panel(), "searchField"); }
    QAbstractButton *segment(Category category) const
    {
        return child<CategoryPicker>(m_shell->panel(), "categoryPicker")->segment(category);
    }
    static void press(QKeyCombination keys)
    {
        QTest::keyClick(QApplication::focusWidget(), keys.key(), keys.keyboardModifiers());
    }

    std::unique_ptr<FakeServices> m_fakes;
    std::unique_ptr<AppShell> m_shell;
};

void TestPanelKeyboard::init()
{
    m_fakes = std::make_unique<FakeServices>();
    QVERIFY(m_fakes->store.isValid());
}

void TestPanelKeyboard::cleanup()
{
    m_shell.reset();
    m_fakes.reset();
}

void TestPanelKeyboard::openWith(const QStringList &urls, bool popup)
{
    m_fakes->preferences.setShowInDock(!popup);
    QVERIFY(m_fakes->preferences.flush().ok());
    m_shell = std::make_unique<AppShell>(m_fakes->services(),
                                         LaunchOptions{.showPanel = false, .trayAvailable = true});
    for (const QString &url : urls)
        m_shell->manager().addItem(url);
    // The stored policy applies at launch; the window opens then by itself.
    launchAndWait(*m_shell);
    m_shell->openPanel();
    QCOMPARE(m_shell->panel().isPopup(), popup);
    QVERIFY(QTest::qWaitForWindowActive(&m_shell->panel()));
}

void TestPanelKeyboard::openedPanel_hasFocusInSearchField()
{
    openWith({u"https://one.example"_s}, true);
    QCOMPARE(QApplication::focusWidget(), search());
    // Closed with the focus elsewhere, it opens again with the focus in the field.
    child<QWidget>(m_shell->panel(), "privacySwitch")->setFocus();
    m_shell->togglePanel();
    QVERIFY(!m_shell->panel().isVisible());
    QTest::qWait(400); // past the guard against a tray click reopening it
    m_shell->togglePanel();
    // The field is the one the window gives the focus to when it is activated
    // (the offscreen platform does not activate a window shown again).
    QCOMPARE(m_shell->panel().focusWidget(), search());
}

void TestPanelKeyboard::typeDownReturn_copiesRowAndClosesPopup()
{
    const QString wanted = u"https://wanted.example/"_s + QString(150, u'w');
    openWith({wanted, u"https://other.example"_s}, true);
    QTest::keyClicks(QApplication::focusWidget(), u"WANTED"_s);
    QCOMPARE(search()->text(), u"WANTED"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(m_fakes->clipboard.text(), std::optional<QString>(wanted));
    QVERIFY(!m_shell->panel().isVisible());
}

void TestPanelKeyboard::returnInWindowMode_copiesAndKeepsPanelOpen()
{
    openWith({u"https://one.example"_s, u"https://two.example"_s}, false);
    QCOMPARE(QApplication::focusWidget(), search());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(m_fakes->clipboard.text(), std::optional<QString>(u"https://one.example"_s));
    QVERIFY(m_shell->panel().isVisible());
}

void TestPanelKeyboard::escape_emptiesSearchThenClosesPopup()
{
    openWith({u"https://one.example"_s}, true);
    QTest::keyClicks(QApplication::focusWidget(), u"one"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(search()->text(), QString());
    QVERIFY(m_shell->panel().isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!m_shell->panel().isVisible());
}

void TestPanelKeyboard::typingAndReturn_searchAndCopyFromAnywhereInTheList()
{
    openWith({u"https://one.example"_s, u"https://two.example"_s, u"https://six.example"_s}, true);
    auto *list = child<ClipListView>(m_shell->panel(), "clipList");
    // After a click on a row typing searches, a shortcut stays with the list, and
    // Return without a match does nothing.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->textRect(1).center());
    press(Qt::CTRL | Qt::Key_A);
    QCOMPARE(QApplication::focusWidget(), list);
    QTest::keyClicks(list, u"nothing"_s);
    QCOMPARE(QApplication::focusWidget(), search());
    press(Qt::Key_Return);
    QCOMPARE(m_fakes->clipboard.text(), std::nullopt);
    // So after a click on a segment; Space on a segment presses it. (The query
    // stays across categories, so each case starts from an empty field.)
    search()->clear();
    QTest::mouseClick(segment(Category::Text), Qt::LeftButton);
    QTest::keyClicks(QApplication::focusWidget(), u"t"_s);
    QCOMPARE(search()->text(), u"t"_s);
    search()->clear();
    QTest::keyClicks(segment(Category::Url), u" o"_s);
    QCOMPARE(m_shell->panel().contentView().selectedCategory(), Category::Url);
    QCOMPARE(search()->text(), u"o"_s);
    // Return in the field copies the current row, else the first match.
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    QTest::mouseClick(search(), Qt::LeftButton);
    press(Qt::Key_Enter | Qt::KeypadModifier);
    QCOMPARE(m_fakes->clipboard.text(), std::optional(u"https://one.example"_s));
    QVERIFY(!m_shell->panel().isVisible());
    m_shell->openPanel();
    search()->setText(u"i"_s);
    press(Qt::Key_Return);
    QCOMPARE(m_fakes->clipboard.text(), std::optional(u"https://six.example"_s));
}

namespace {
// How many pixels around `widget` its focus changes by a contrast of 3:1 or more.
int ringPixels(QWidget *widget)
{
    QWidget *window = widget->window();
    const QRect around(widget->mapTo(window, QPoint(-6, -6)), widget->size() + QSize(12, 12));
    const QImage focused = window->grab(around).toImage();
    widget->clearFocus();
    const QImage unfocused = window->grab(around).toImage();
    auto luminance = [](QColor c) {
        auto linear = [](float v) {
            return v <= 0.04045f ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    int count = 0;
    for (int y = 0; y < focused.height(); ++y) {
        for (int x = 0; x < focused.width(); ++x) {
            const double a = luminance(focused.pixelColor(x, y));
            const double b = luminance(unfocused.pixelColor(x, y));
            const auto [dark, light] = std::minmax(a, b);
            count += (light + 0.05) / (dark + 0.05) >= 3.0 ? 1 : 0;
        }
    }
    return count;
}
} // namespace

void TestPanelKeyboard::categories_followAltDigitsAndCtrlTab()
{
    openWith({}, false);
    const std::pair<QKeyCombination, Category> steps[] = {
        {Qt::ALT | Qt::Key_3, Category::Text},
        {Qt::CTRL | Qt::Key_Tab, Category::Url},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, Category::Text},
        {Qt::ALT | Qt::Key_2, Category::Code},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, Category::Url},
    };
    for (const auto &[keys, category] : steps) {
        press(keys);
        QCOMPARE(m_shell->panel().contentView().selectedCategory(), category);
        QVERIFY(segment(category)->isChecked());
        QCOMPARE(QApplication::focusWidget(), search());
    }
    // A focused segment, chosen or not, and Quit are ringed all round.
    for (QAbstractButton *widget : {segment(Category::Url), segment(Category::Code),
                                    child<QAbstractButton>(m_shell->panel(), "quitButton")}) {
        widget->setFocus(Qt::TabFocusReason);
        QVERIFY2(ringPixels(widget) >= 2 * (widget->width() + widget->height()),
                 qPrintable(widget->objectName()));
    }
    // Nothing changes beneath the clear card.
    QTest::mouseClick(child<QPushButton>(m_shell->panel(), "clearHistoryButton"), Qt::LeftButton);
    press(Qt::ALT | Qt::Key_3);
    press(Qt::Key_X);
    QCOMPARE(m_shell->panel().contentView().selectedCategory(), Category::Url);
    QCOMPARE(search()->text(), QString());
}

void TestPanelKeyboard::quit_isLastStopAndAsksWhenPressedByKey()
{
    openWith({}, true);
    PanelWindow &panel = m_shell->panel();
    QSignalSpy quit(&panel, &PanelWindow::quitRequested);
    auto *quitButton = child<QPushButton>(panel, "quitButton");
    // Shift+Tab from the field stops at the first control; Tab ends at Quit.
    for (int i = 0; i < 8; ++i) {
        press(Qt::SHIFT | Qt::Key_Backtab);
        QVERIFY(QApplication::focusWidget() != quitButton);
    }
    QCOMPARE(QApplication::focusWidget(), panel.contentView().firstFocusable());
    for (int i = 0; i < 12 && QApplication::focusWidget() != quitButton; ++i)
        press(Qt::Key_Tab);
    // Space asks, with Cancel focused; Escape goes back and the popup stays.
    press(Qt::Key_Space);
    QCOMPARE(QApplication::focusWidget(), child<QPushButton>(panel, "quitCancelButton"));
    press(Qt::Key_Escape);
    QCOMPARE(QApplication::focusWidget(), quitButton);
    QVERIFY(panel.isVisible());
    // Return asks too; only the card's Quit quits, and a click at once.
    press(Qt::Key_Return);
    press(Qt::Key_Tab);
    QCOMPARE(quit.size(), 0);
    press(Qt::Key_Return);
    QCOMPARE(quit.size(), 1);
    QTest::mouseClick(quitButton, Qt::LeftButton);
    QCOMPARE(quit.size(), 2);
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), panel.contentView().firstFocusable());
}

QTEST_MAIN(TestPanelKeyboard)
#include "tst_panelkeyboard.moc"
