// The tray icon's context menu, through the QSystemTrayIcon's own menu as a tray
// host shows it, and the panel's "Start at Login" switch over an autostart entry.
#include "AppShell.h"
#include "ContentView.h"
#include "IconLabel.h"
#include "MemoryAutostartEntry.h"
#include "PanelTestHelpers.h"
#include "PanelWindow.h"
#include "StartAtLoginRow.h"
#include "ToggleSwitch.h"
#include "TrayMenu.h"
#include "XdgAutostartEntry.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

using namespace PanelTest;
using namespace Qt::StringLiterals;

namespace {

const LaunchOptions withTray{.showPanel = false, .trayAvailable = true};

QStringList actionTexts(const QMenu &menu)
{
    QStringList texts;
    for (const QAction *action : menu.actions())
        texts.append(action->isSeparator() ? u"--"_s : action->text());
    return texts;
}

QAction *actionNamed(const QMenu &menu, const QString &text)
{
    for (QAction *action : menu.actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

} // namespace

class TestTrayMenu final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fakes = std::make_unique<FakeServices>();
        QVERIFY(m_fakes->store.isValid());
    }
    void cleanup() { m_fakes.reset(); }

    void menu_offersShowPrivacySeparatorQuit()
    {
        AppShell shell(m_fakes->services(), withTray);
        QMenu *menu = shell.trayIcon()->contextMenu();
        QVERIFY(menu);
        QCOMPARE(actionTexts(*menu),
                 QStringList({u"Show Brimvale"_s, u"Privacy Mode"_s, u"--"_s, u"Quit"_s}));
        QVERIFY(actionNamed(*menu, u"Privacy Mode"_s)->isCheckable());
    }

    void showHide_followsThePanel_andOpensAndClosesIt()
    {
        AppShell shell(m_fakes->services(), withTray);
        QMenu *menu = shell.trayIcon()->contextMenu();
        actionNamed(*menu, u"Show Brimvale"_s)->trigger();
        QTRY_VERIFY(shell.panel().isVisible());
        QCOMPARE(actionTexts(*menu).constFirst(), u"Hide Brimvale"_s);

        actionNamed(*menu, u"Hide Brimvale"_s)->trigger();
        QTRY_VERIFY(!shell.panel().isVisible());
        QCOMPARE(actionTexts(*menu).constFirst(), u"Show Brimvale"_s);

        // Opened another way (a left click), the menu says so too.
        emit shell.trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(shell.panel().isVisible());
        QCOMPARE(actionTexts(*menu).constFirst(), u"Hide Brimvale"_s);
    }

    void privacyMode_inStepWithThePanelsSwitch_bothWays()
    {
        AppShell shell(m_fakes->services(), withTray);
        QMenu *menu = shell.trayIcon()->contextMenu();
        QAction *privacy = actionNamed(*menu, u"Privacy Mode"_s);
        auto *privacySwitch = child<ToggleSwitch>(shell.panel(), "privacySwitch");
        QVERIFY(!privacy->isChecked());

        privacy->trigger();
        QVERIFY(privacy->isChecked());
        QCOMPARE(m_fakes->preferences.storedValue(Preference::PrivacyMode),
                 std::optional<bool>(true));
        QVERIFY(privacySwitch->isChecked());

        shell.openPanel();
        QTest::mouseClick(privacySwitch, Qt::LeftButton);
        QVERIFY(!privacySwitch->isChecked());
        QVERIFY(!privacy->isChecked());
        QCOMPARE(m_fakes->preferences.storedValue(Preference::PrivacyMode),
                 std::optional<bool>(false));
    }

    void leftClick_stillToggles_rightClickDoesNotOpenThePanel()
    {
        AppShell shell(m_fakes->services(), withTray);
        emit shell.trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(shell.panel().isVisible());
        emit shell.trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!shell.panel().isVisible());
        emit shell.trayIcon()->activated(QSystemTrayIcon::Context);
        QVERIFY(!shell.panel().isVisible());
    }

    // "Start at Login" sits below "Show in Dock" and above "Quit".
    void startAtLogin_isBelowShowInDock()
    {
        MemoryAutostartEntry entry;
        Services services = m_fakes->services();
        services.autostart = &entry;
        AppShell shell(services, withTray);
        shell.openPanel();
        QVERIFY(QTest::qWaitForWindowExposed(&shell.panel()));
        auto *dock = child<ToggleSwitch>(shell.panel(), "dockSwitch");
        auto *login = child<ToggleSwitch>(shell.panel(), "startAtLoginSwitch");
        auto *quit = child<QPushButton>(shell.panel(), "quitButton");
        const int dockY = dock->mapTo(&shell.panel(), QPoint()).y();
        const int loginY = login->mapTo(&shell.panel(), QPoint()).y();
        const int quitY = quit->mapTo(&shell.panel(), QPoint()).y();
        QVERIFY2(dockY < loginY && loginY < quitY,
                 qPrintable(u"%1 %2 %3"_s.arg(dockY).arg(loginY).arg(quitY)));
        QCOMPARE(child<IconLabel>(shell.panel(), "startAtLoginLabel")->text(), u"Start at Login"_s);
        QCOMPARE(login->accessibleName(), u"Start at Login"_s);
        QCOMPARE(dock->nextInFocusChain(), login);
    }

    // The first start ever made the entry; the switch then changes the file both
    // ways, and reads a desktop's Hidden=true when the panel is shown again.
    void startAtLogin_writesAndRemovesTheFile_andReadsHidden()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(u"autostart/io.github.brimvale.Brimvale.desktop"_s);
        XdgAutostartEntry entry(path, {}, u"brimvale --background"_s);
        Services services = m_fakes->services();
        services.autostart = &entry;
        AppShell shell(services, withTray);
        QVERIFY(QFileInfo::exists(path));
        shell.openPanel();
        auto *login = child<ToggleSwitch>(shell.panel(), "startAtLoginSwitch");
        QVERIFY(login->isChecked());

        QTest::mouseClick(login, Qt::LeftButton);
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(!login->isChecked());
        QTest::mouseClick(login, Qt::LeftButton);
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(login->isChecked());

        // Switched off in the desktop's settings while the panel was closed.
        shell.panel().hide();
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("Hidden=true\n");
        file.close();
        shell.openPanel();
        QVERIFY(!login->isChecked());
        QCOMPARE(child<IconLabel>(shell.panel(), "startAtLoginLabel")->iconName(), IconName::Power);
        // Switching on again clears it.
        QTest::mouseClick(login, Qt::LeftButton);
        QVERIFY(login->isChecked());
        QVERIFY(entry.isEnabled());
    }

    void startAtLogin_thatCannotBeWritten_showsWhatTheEntrySays()
    {
        MemoryAutostartEntry entry;
        entry.setOnDisk(true, false);
        entry.setFailWrites(true);
        Services services = m_fakes->services();
        services.autostart = &entry;
        AppShell shell(services, withTray);
        shell.openPanel();
        auto *login = child<ToggleSwitch>(shell.panel(), "startAtLoginSwitch");
        QVERIFY(!login->isChecked());
        QTest::ignoreMessage(QtWarningMsg, "cannot write the autostart entry (test)");
        QTest::mouseClick(login, Qt::LeftButton);
        QCOMPARE(entry.writeCount(), 1);
        QVERIFY(!login->isChecked());
    }

    // "Quit" ends the application's event loop, as main() runs it.
    void quit_endsTheApplication()
    {
        AppShell shell(m_fakes->services(), withTray);
        QAction *quit = actionNamed(*shell.trayIcon()->contextMenu(), u"Quit"_s);
        QSignalSpy aboutToQuit(qApp, &QCoreApplication::aboutToQuit);
        QTimer::singleShot(0, quit, &QAction::trigger);
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(2); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(aboutToQuit.size(), 1);
    }

private:
    std::unique_ptr<FakeServices> m_fakes;
};

QTEST_MAIN(TestTrayMenu)
#include "tst_traymenu.moc"
