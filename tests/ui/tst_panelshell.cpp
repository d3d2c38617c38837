#include "AppShell.h"
#include "CategoryView.h"
#include "ClipboardManager.h"
#include "ContentView.h"
#include "IconLabel.h"
#include "ManualPollTimers.h"
#include "PanelStyle.h"
#include "PanelTestHelpers.h"
#include "PanelWindow.h"
#include "ToggleSwitch.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QtTest>

using namespace PanelTest;

class TestPanelShell final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Dock icon policy
    void dockSwitchOn_storesTrueAndMakesRaisedWindowWithTaskbarEntry();
    void dockSwitchOff_storesFalseAndMakesPopupWithoutTaskbarEntry();
    void openingPanel_doesNotChangePolicy();
    void policyChangedInStore_isAppliedOnce();

    // Popup behaviour
    void popup_closesOnEscape();
    void popup_closesWhenAnotherWindowIsActivated();
    void trayClickRightAfterFocusLoss_doesNotReopen();
    void trayActivation_togglesPanel();
    void reopenedPopup_startsFresh_windowKeepsItsPlace();

    // Panel frame
    void showingAndHidingPanel_startsAndStopsTimer();
    void dockRow_showsLabelIconAndColour();
    void dockAndQuit_stayUsableWhileConfirmationShows();
    void tabOrder_visitsAllControlsInReadingOrder_data();
    void tabOrder_visitsAllControlsInReadingOrder();
    void exportDialogOverPopup_keepsPanelOpen();

private:
    std::unique_ptr<FakeServices> m_fakes;
    MemoryPreferences *m_preferences = nullptr;
};

namespace {
const LaunchOptions withTray{.showPanel = false, .trayAvailable = true};
} // namespace

void TestPanelShell::init()
{
    m_fakes = std::make_unique<FakeServices>();
    m_preferences = &m_fakes->preferences;
    QVERIFY(m_fakes->store.isValid());
}

void TestPanelShell::cleanup()
{
    m_preferences = nullptr;
    m_fakes.reset();
}

void TestPanelShell::dockSwitchOn_storesTrueAndMakesRaisedWindowWithTaskbarEntry()
{
    AppShell shell(m_fakes->services(), withTray);
    PanelWindow &panel = shell.panel();
    QVERIFY(isPopupWithoutTaskbarEntry(panel));
    shell.openPanel();
    QVERIFY(QTest::qWaitForWindowActive(&panel));

    QTest::mouseClick(child<ToggleSwitch>(panel, "dockSwitch"), Qt::LeftButton);
    QCOMPARE(m_preferences->storedValue(Preference::ShowInDock), std::optional<bool>(true));
    QVERIFY(hasTaskbarEntry(panel));
    QVERIFY(panel.isVisible());
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    auto *label = child<IconLabel>(panel, "dockLabel");
    QCOMPARE(label->iconName(), IconName::Dock);
    QCOMPARE(label->color(), PanelStyle::positiveGreen(panel.palette()));

    // An ordinary window stays open on focus loss.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTest::qWait(50);
    QVERIFY(panel.isVisible());
}

void TestPanelShell::dockSwitchOff_storesFalseAndMakesPopupWithoutTaskbarEntry()
{
    m_preferences->setShowInDock(true);
    QVERIFY(m_preferences->flush().ok());
    AppShell shell(m_fakes->services(), withTray);
    launchAndWait(shell);
    PanelWindow &panel = shell.panel();
    QVERIFY(hasTaskbarEntry(panel));
    QVERIFY(QTest::qWaitForWindowActive(&panel));

    QTest::mouseClick(child<ToggleSwitch>(panel, "dockSwitch"), Qt::LeftButton);
    QCOMPARE(m_preferences->storedValue(Preference::ShowInDock), std::optional<bool>(false));
    QVERIFY(isPopupWithoutTaskbarEntry(panel));
    // The panel the user is working in stays open.
    QVERIFY(panel.isVisible());
    // Making the popup swaps the native window; losing the old one's focus is not
    // the user leaving.
    QTest::qWait(200);
    QVERIFY(panel.isVisible());
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    // Leaving it now does close it.
    {
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(!panel.isVisible());
    }
    auto *label = child<IconLabel>(panel, "dockLabel");
    QCOMPARE(label->iconName(), IconName::RectangleSlash);
    QCOMPARE(label->color(), label->palette().color(QPalette::WindowText));
    QCOMPARE(label->text(), QStringLiteral("Show in Dock"));
}

void TestPanelShell::openingPanel_doesNotChangePolicy()
{
    AppShell shell(m_fakes->services(), withTray);
    launchAndWait(shell);
    m_preferences->resetCounts();
    for (int i = 0; i < 2; ++i) {
        shell.togglePanel();
        QVERIFY(shell.panel().isVisible());
        QVERIFY(isPopupWithoutTaskbarEntry(shell.panel()));
        shell.togglePanel();
        QVERIFY(!shell.panel().isVisible());
    }
    QCOMPARE(m_preferences->writeCount(), 0);
}

void TestPanelShell::policyChangedInStore_isAppliedOnce()
{
    AppShell shell(m_fakes->services(), withTray);
    QSignalSpy changes(&shell.panel(), &PanelWindow::showInDockChanged);
    m_preferences->setShowInDock(true);
    QVERIFY(m_preferences->flush().ok());
    m_preferences->setShowInDock(true);
    QVERIFY(m_preferences->flush().ok());
    QCOMPARE(changes.size(), 1);
    QVERIFY(hasTaskbarEntry(shell.panel()));
    QVERIFY(child<ToggleSwitch>(shell.panel(), "dockSwitch")->isChecked());
    m_preferences->setShowInDock(false);
    QVERIFY(m_preferences->flush().ok());
    QCOMPARE(changes.size(), 2);
    QVERIFY(isPopupWithoutTaskbarEntry(shell.panel()));
}

void TestPanelShell::popup_closesOnEscape()
{
    AppShell shell(m_fakes->services(), withTray);
    shell.openPanel();
    QVERIFY(QTest::qWaitForWindowActive(&shell.panel()));
    QTest::keyClick(&shell.panel(), Qt::Key_Escape);
    QVERIFY(!shell.panel().isVisible());
}

void TestPanelShell::popup_closesWhenAnotherWindowIsActivated()
{
    AppShell shell(m_fakes->services(), withTray);
    QSignalSpy dismissed(&shell.panel(), &PanelWindow::dismissedByFocusLoss);
    shell.openPanel();
    QVERIFY(QTest::qWaitForWindowActive(&shell.panel()));
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTRY_VERIFY(!shell.panel().isVisible());
    QCOMPARE(dismissed.size(), 1);
}

void TestPanelShell::trayClickRightAfterFocusLoss_doesNotReopen()
{
    AppShell shell(m_fakes->services(), withTray);
    shell.openPanel();
    QVERIFY(QTest::qWaitForWindowActive(&shell.panel()));
    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!shell.panel().isVisible());
    // The click on the tray icon that took the focus away arrives now.
    shell.togglePanel();
    QVERIFY(!shell.panel().isVisible());
    QTest::qWait(400);
    shell.togglePanel();
    QVERIFY(shell.panel().isVisible());
}

void TestPanelShell::trayActivation_togglesPanel()
{
    AppShell shell(m_fakes->services(), withTray);
    emit shell.trayIcon()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(shell.panel().isVisible());
    emit shell.trayIcon()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(!shell.panel().isVisible());
    emit shell.trayIcon()->activated(QSystemTrayIcon::Context);
    QVERIFY(!shell.panel().isVisible());
}

void TestPanelShell::reopenedPopup_startsFresh_windowKeepsItsPlace()
{
    AppShell shell(m_fakes->services(), withTray);
    for (int i = 0; i < 40; ++i) {
        m_fakes->clipboard.setText(QStringLiteral("https://example.org/%1").arg(i));
        m_fakes->timers.tickAll();
    }
    QTRY_COMPARE(shell.manager().urls().size(), 40);
    for (const bool popup : {true, false}) {
        m_preferences->setShowInDock(!popup);
        QVERIFY(m_preferences->flush().ok());
        shell.openPanel();
        CategoryView *list = shell.panel().contentView().categoryView();
        QScrollBar *scroll = list->findChild<QAbstractScrollArea *>()->verticalScrollBar();
        QTest::keyClicks(list->findChild<QLineEdit *>(QStringLiteral("searchField")),
                         QStringLiteral("example"));
        QTRY_VERIFY(scroll->maximum() > 0);
        scroll->setValue(scroll->maximum());
        shell.panel().hide();
        shell.openPanel();
        // The popup is opened for a new look-up; a window is as the user left it.
        QCOMPARE(list->searchText().isEmpty(), popup);
        QCOMPARE(scroll->value() == 0, popup);
        shell.panel().hide();
    }
}

void TestPanelShell::showingAndHidingPanel_startsAndStopsTimer()
{
    AppShell shell(m_fakes->services(), withTray);
    const ManualPollTimers &timers = m_fakes->timers;
    // The history polls from its creation on, shown or not.
    QCOMPARE(timers.runningCount(), 1);
    shell.openPanel();
    QCOMPARE(timers.runningCount(), 2);
    shell.togglePanel();
    QCOMPARE(timers.runningCount(), 1);
    // Flipping the policy re-creates the window: still one timer per appearance.
    shell.openPanel();
    m_preferences->setShowInDock(true);
    QVERIFY(m_preferences->flush().ok());
    QVERIFY(shell.panel().isVisible());
    QCOMPARE(timers.runningCount(), 2);
    shell.panel().close();
    QCOMPARE(timers.runningCount(), 1);
}

void TestPanelShell::dockRow_showsLabelIconAndColour()
{
    AppShell shell(m_fakes->services(), withTray);
    auto *label = child<IconLabel>(shell.panel(), "dockLabel");
    auto *toggle = child<ToggleSwitch>(shell.panel(), "dockSwitch");
    QCOMPARE(label->text(), QStringLiteral("Show in Dock"));
    QCOMPARE(toggle->accessibleName(), QStringLiteral("Show in Dock"));
    QVERIFY(!toggle->isChecked());
    QCOMPARE(label->iconName(), IconName::RectangleSlash);
    QCOMPARE(child<QPushButton>(shell.panel(), "quitButton")->text(), QStringLiteral("Quit"));
}

void TestPanelShell::dockAndQuit_stayUsableWhileConfirmationShows()
{
    AppShell shell(m_fakes->services(), withTray);
    PanelWindow &panel = shell.panel();
    shell.openPanel();
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    QTest::mouseClick(child<QPushButton>(panel, "clearHistoryButton"), Qt::LeftButton);
    QVERIFY(panel.contentView().isClearConfirmationShown());

    auto *dock = child<ToggleSwitch>(panel, "dockSwitch");
    QWidget *hit = panel.childAt(dock->mapTo(&panel, dock->rect().center()));
    QCOMPARE(hit, dock);
    QTest::mouseClick(panel.windowHandle(), Qt::LeftButton, {},
                      dock->mapTo(&panel, dock->rect().center()));
    QCOMPARE(m_preferences->storedValue(Preference::ShowInDock), std::optional<bool>(true));

    QSignalSpy quit(&panel, &PanelWindow::quitRequested);
    auto *quitButton = child<QPushButton>(panel, "quitButton");
    QCOMPARE(panel.childAt(quitButton->mapTo(&panel, quitButton->rect().center())), quitButton);
    QTest::mouseClick(quitButton, Qt::LeftButton);
    QCOMPARE(quit.size(), 1);
    QVERIFY(panel.contentView().isClearConfirmationShown());
}

void TestPanelShell::tabOrder_visitsAllControlsInReadingOrder_data()
{
    QTest::addColumn<QString>("category");
    QTest::newRow("first category") << QStringLiteral("URL");
    // A list made after a category switch takes the same place.
    QTest::newRow("after switching") << QStringLiteral("Text");
}

void TestPanelShell::tabOrder_visitsAllControlsInReadingOrder()
{
    QFETCH(QString, category);
    m_preferences->setShowInDock(true);
    QVERIFY(m_preferences->flush().ok());
    AppShell shell(m_fakes->services(), withTray);
    PanelWindow &panel = shell.panel();
    // The stored policy applies at launch.
    launchAndWait(shell);
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    const QString segmentName = QStringLiteral("segment") + category;
    auto *first = panel.findChild<QAbstractButton *>(segmentName);
    QVERIFY(first);
    QTest::mouseClick(first, Qt::LeftButton);
    QCOMPARE(categoryName(panel.contentView().selectedCategory()), category);
    first->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), first);

    QList<QWidget *> visited{first};
    for (int i = 0; i < 30; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *now = QApplication::focusWidget();
        QVERIFY(now);
        if (now == first)
            break;
        visited.append(now);
    }
    QStringList names;
    for (const QWidget *widget : visited)
        names.append(widget->objectName());
    const QString trail = names.join(QLatin1Char(' '));

    // The segments are one stop, as a radio group is; arrow keys move within.
    QCOMPARE(names.filter(QRegularExpression(QStringLiteral("^segment"))).size(), 1);
    const QStringList order{segmentName,
                            QStringLiteral("privacySwitch"),
                            QStringLiteral("exportButton"),
                            QStringLiteral("clearHistoryButton"),
                            QStringLiteral("dockSwitch"),
                            QStringLiteral("quitButton")};
    qsizetype last = -1;
    for (const QString &name : order) {
        const qsizetype at = names.indexOf(name);
        QVERIFY2(at > last, qPrintable(trail));
        last = at;
    }
    // The list's own controls (its search field at least) come between the privacy
    // switch and the buttons.
    const QWidget *list = panel.contentView().categoryView();
    bool listReached = false;
    for (qsizetype i = names.indexOf(QStringLiteral("privacySwitch")) + 1;
         i < names.indexOf(QStringLiteral("exportButton")); ++i)
        listReached = listReached || list->isAncestorOf(visited.at(i));
    QVERIFY2(listReached, qPrintable(trail));
}

void TestPanelShell::exportDialogOverPopup_keepsPanelOpen()
{
    AppShell shell(m_fakes->services(), withTray);
    PanelWindow &panel = shell.panel();
    shell.openPanel();
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    QTest::mouseClick(child<QPushButton>(panel, "exportButton"), Qt::LeftButton);
    auto *dialog = panel.findChild<QDialog *>(QStringLiteral("exportFileDialog"));
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QTest::qWait(50);
    QVERIFY(panel.isVisible());
    dialog->reject();
    QVERIFY(panel.isVisible());
}

QTEST_MAIN(TestPanelShell)
#include "tst_panelshell.moc"
