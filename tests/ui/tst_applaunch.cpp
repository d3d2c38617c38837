#include "AppShell.h"
#include "ClipboardManager.h"
#include "ContentView.h"
#include "ManualPollTimers.h"
#include "MemoryAutostartEntry.h"
#include "PanelTestHelpers.h"
#include "PanelWindow.h"
#include "ProgramMessages.h"
#include "StatusIcon.h"
#include "StreamCapture.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>

using namespace PanelTest;

// The program from launch to Quit: the stored Dock policy, the tray, the panel
// opened at launch, and capture before the panel is ever opened.
class TestAppLaunch final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void launchWithShowInDockStored_opensRegularWindow();
    void launchOnEmptyStore_leavesPanelClosedAsPopup();
    void launchWithoutTray_opensPanelAsWindowAndSaysWhy();
    void closingWindowWithoutTray_hidesItAndKeepsRecording();
    void firstStart_saysItStartsAtLogin_once();
    void trayAppearingAfterLaunch_takesThePanelIn();
    void trayNeverAppearing_stopsBeingAskedAfterWaitTime();
    void launchWithShowOption_opensPanel();
    void contentExistsBeforePanelOpens_capturing();
    void trayIcon_isTitledBrimvaleWithAppIcon();
    void quitButton_endsEventLoop();

private:
    std::unique_ptr<FakeServices> m_fakes;
    MemoryPreferences *m_preferences = nullptr;
};

void TestAppLaunch::init()
{
    m_fakes = std::make_unique<FakeServices>();
    m_preferences = &m_fakes->preferences;
    QVERIFY(m_fakes->store.isValid());
}

void TestAppLaunch::cleanup()
{
    m_preferences = nullptr;
    m_fakes.reset();
}

void TestAppLaunch::launchWithShowInDockStored_opensRegularWindow()
{
    m_preferences->setShowInDock(true);
    QVERIFY(m_preferences->flush().ok());
    AppShell app(m_fakes->services(), {.showPanel = false, .trayAvailable = true});
    QVERIFY(!app.panel().isVisible());
    launchAndWait(app);
    PanelWindow &panel = app.panel();
    QVERIFY(panel.isVisible());
    QVERIFY(hasTaskbarEntry(panel));
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    QVERIFY(!QApplication::quitOnLastWindowClosed());
}

void TestAppLaunch::launchOnEmptyStore_leavesPanelClosedAsPopup()
{
    AppShell app(m_fakes->services(), {.showPanel = false, .trayAvailable = true});
    launchAndWait(app);
    QVERIFY(!app.panel().isVisible());
    QVERIFY(isPopupWithoutTaskbarEntry(app.panel()));
    QCOMPARE(m_preferences->writeCount(), 0);
}

void TestAppLaunch::launchWithoutTray_opensPanelAsWindowAndSaysWhy()
{
    const ProgramMessages programMessages;
    StreamCapture errors(stderr);
    AppShell app(m_fakes->services(), {.showPanel = false, .trayAvailable = false});
    launchAndWait(app);
    const QByteArray said = errors.take();
    QVERIFY(!app.hasTray());
    QVERIFY(app.panel().isVisible());
    QVERIFY(hasTaskbarEntry(app.panel()));
    QCOMPARE(said.count('\n'), 1);
    QVERIFY2(said.contains("no system tray"), said.constData());
}

void TestAppLaunch::closingWindowWithoutTray_hidesItAndKeepsRecording()
{
    const ProgramMessages programMessages;
    StreamCapture errors(stderr);
    AppShell app(m_fakes->services(), {.showPanel = false, .trayAvailable = false});
    launchAndWait(app);
    PanelWindow &panel = app.panel();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const auto *note = panel.findChild<QLabel *>(QStringLiteral("closingNote"));
    QVERIFY(note && note->isVisible());
    QVERIFY(note->text().contains(QStringLiteral("brimvale --toggle")));

    // Closed as the window manager closes it, inside the running event loop.
    QTimer::singleShot(50, &app, [&panel] { panel.windowHandle()->close(); });
    QTimer::singleShot(500, &app, [] { QCoreApplication::exit(42); });
    QCOMPARE(QApplication::exec(), 42);
    QVERIFY(!panel.isVisible());
    // Opened again (a second start, --toggle), it is told no more.
    app.obey(InstanceCommand::Toggle);
    QVERIFY(panel.isVisible());
    QVERIFY(!panel.findChild<QLabel *>(QStringLiteral("closingNote")));
}

void TestAppLaunch::firstStart_saysItStartsAtLogin_once()
{
    MemoryAutostartEntry entry;
    Services services = m_fakes->services();
    services.autostart = &entry;
    const auto noteOnStart = [&services] {
        const AppShell app(services, {.showPanel = true, .trayAvailable = true});
        const auto *note = app.panel().findChild<QLabel *>(QStringLiteral("autostartNote"));
        return note ? note->text() : QString();
    };
    QVERIFY(noteOnStart().contains(QStringLiteral("switch below")));
    QVERIFY(entry.isEnabled());
    QCOMPARE(noteOnStart(), QString());
    // An entry that was there before is not ours to announce.
    m_preferences->setValue(Preference::AutostartOffered, false);
    QCOMPARE(noteOnStart(), QString());
}

void TestAppLaunch::trayAppearingAfterLaunch_takesThePanelIn()
{
    bool trayThere = false;
    const LaunchOptions options{.showPanel = false, .trayAvailable = false};
    LateTrayProbe probe;
    probe.isAvailable = [&trayThere] { return trayThere; };
    probe.interval = std::chrono::milliseconds(10);
    AppShell app(m_fakes->services(), options);
    app.setLateTrayProbe(probe);
    const ProgramMessages programMessages;
    StreamCapture errors(stderr);
    launchAndWait(app);
    PanelWindow &panel = app.panel();
    QTest::qWait(50);
    QVERIFY(!app.hasTray());
    QVERIFY(panel.findChild<QLabel *>(QStringLiteral("closingNote")));

    trayThere = true;
    QTRY_VERIFY(app.hasTray());
    // The tray's icon is the way back now, not the application menu.
    QVERIFY(!panel.findChild<QLabel *>(QStringLiteral("closingNote")));
    QVERIFY(!QApplication::quitOnLastWindowClosed());
    QCOMPARE(app.trayIcon()->toolTip(), QStringLiteral("Brimvale — 0 items"));
    // Still open where the user sees it, now a popup as "Show in Dock" is off.
    QVERIFY(panel.isVisible());
    QVERIFY(panel.isPopup());
    const QByteArray said = errors.take();
    QCOMPARE(said.count('\n'), 2);
    QVERIFY2(said.contains("tray is available now"), said.constData());

    // With "Show in Dock" on, the panel stays an ordinary window.
    app.panel().hide();
    m_preferences->setShowInDock(true);
    QVERIFY(m_preferences->flush().ok());
    AppShell docked(m_fakes->services(), options);
    docked.setLateTrayProbe(probe);
    launchAndWait(docked);
    QTRY_VERIFY(docked.hasTray());
    QVERIFY(!docked.panel().isPopup());
    QVERIFY(hasTaskbarEntry(docked.panel()));
}

void TestAppLaunch::trayNeverAppearing_stopsBeingAskedAfterWaitTime()
{
    int asked = 0;
    LateTrayProbe probe;
    probe.isAvailable = [&asked] {
        ++asked;
        return false;
    };
    probe.interval = std::chrono::milliseconds(10);
    probe.waitTime = std::chrono::milliseconds(100);
    const ProgramMessages programMessages;
    StreamCapture errors(stderr);
    AppShell app(m_fakes->services(), {.showPanel = false, .trayAvailable = false});
    app.setLateTrayProbe(probe);
    launchAndWait(app);
    QTRY_VERIFY(asked > 0);
    QTest::qWait(300);
    const int askedByNow = asked;
    QTest::qWait(100);
    QCOMPARE(asked, askedByNow);
    QVERIFY(!app.hasTray());
    QVERIFY(app.panel().isVisible());
}

void TestAppLaunch::launchWithShowOption_opensPanel()
{
    AppShell app(m_fakes->services(), {.showPanel = true, .trayAvailable = true});
    launchAndWait(app);
    QVERIFY(app.panel().isVisible());
    QVERIFY(isPopupWithoutTaskbarEntry(app.panel()));
}

void TestAppLaunch::contentExistsBeforePanelOpens_capturing()
{
    AppShell app(m_fakes->services(), {.showPanel = false, .trayAvailable = true});
    ClipboardManager &manager = app.manager();
    QCOMPARE(m_fakes->timers.runningCount(), 1);
    m_fakes->clipboard.setText(QStringLiteral("copied before the panel was ever opened"));
    m_fakes->timers.tickAll();
    QTRY_COMPARE(manager.texts().size(), 1);
    QVERIFY(!app.panel().isVisible());
}

void TestAppLaunch::trayIcon_isTitledBrimvaleWithAppIcon()
{
    AppShell app(m_fakes->services(), {.showPanel = false, .trayAvailable = true});
    QVERIFY(app.trayIcon());
    QCOMPARE(app.trayIcon()->toolTip(), QStringLiteral("Brimvale — 0 items"));
    // The tooltip counts what the history holds.
    m_fakes->clipboard.setText(QStringLiteral("counted"));
    m_fakes->timers.tickAll();
    QTRY_COMPARE(app.trayIcon()->toolTip(), QStringLiteral("Brimvale — 1 item"));
    const QImage shown = app.trayIcon()->icon().pixmap(QSize(24, 24), 1.0).toImage();
    const QImage appIcon = AppIcon::icon(false).pixmap(QSize(24, 24), 1.0).toImage();
    QCOMPARE(shown, appIcon);
    // The panel window carries the same icon, for the task bar and the window list.
    QCOMPARE(app.panel().windowIcon().pixmap(QSize(24, 24), 1.0).toImage(), appIcon);
}

void TestAppLaunch::quitButton_endsEventLoop()
{
    AppShell app(m_fakes->services(), {.showPanel = true, .trayAvailable = true});
    app.launch();
    bool clicked = false;
    QTimer::singleShot(100, &app, [&] {
        QTest::mouseClick(child<QPushButton>(app.panel(), "quitButton"), Qt::LeftButton);
        clicked = true;
    });
    // Fails the test rather than hanging it when Quit does not end the loop.
    QTimer::singleShot(5000, &app, [] { QCoreApplication::exit(42); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(clicked);
}

QTEST_MAIN(TestAppLaunch)
#include "tst_applaunch.moc"
