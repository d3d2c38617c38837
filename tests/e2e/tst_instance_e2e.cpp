#include "E2eSupport.h"
#include "SessionBus.h"
#include "Unprivileged.h"
#include "WindowClose.h"
#include "WindowMapState.h"
#include "XdoWindow.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString panelTitle = u"Brimvale"_s;

struct Finished
{
    int exitCode = -1;
    QByteArray standardError;
    QByteArray standardOutput;
};

// A later start of the real binary in the session's environment, run to its end.
Finished runBrimvale(const QProcessEnvironment &env, const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(BRIMVALE_BINARY), arguments);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardError(), process.readAllStandardOutput()};
}

} // namespace

// The real brimvale answering later starts on a real X server: the panel is seen
// mapped and unmapped through the X server. Without a tray (a bare Xvfb) the
// panel opens at launch as a window.
class InstanceEndToEndTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!E2eSession::haveDisplay())
            QSKIP("needs an X server: DISPLAY is not set (scripts/test.sh starts Xvfb)");
        QVERIFY2(XdoWindow::toolFound(), "xdotool is missing: run scripts/install-deps.sh");
        QVERIFY2(!QStandardPaths::findExecutable(u"xwininfo"_s).isEmpty(),
                 "xwininfo is missing: run scripts/install-deps.sh");
    }

    void laterStarts_toggleShowAndQuitTheRunningOne_data()
    {
        QTest::addColumn<bool>("onBus");
        QTest::newRow("local socket, no session bus") << false;
        QTest::newRow("session bus") << true;
    }

    void laterStarts_toggleShowAndQuitTheRunningOne()
    {
        QFETCH(bool, onBus);
        E2eSession session;
        std::unique_ptr<SessionBus> bus;
        if (onBus) {
            QVERIFY2(!QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty(),
                     "dbus-daemon is missing: run scripts/install-deps.sh");
            bus = std::make_unique<SessionBus>();
            QVERIFY(!bus->address().isEmpty());
            session.setEnvironmentVariable(u"DBUS_SESSION_BUS_ADDRESS"_s, bus->address());
        }
        QVERIFY(session.startBrimvale());
        const qint64 pid = session.brimvale().processId();
        const std::optional<XdoWindow> panel = XdoWindow::find(pid, panelTitle);
        QVERIFY(panel);
        const QString socket = session.homePath() + u"/brimvale.socket"_s;
        if (onBus) {
            QVERIFY(!bus->owner(u"io.github.brimvale.Brimvale"_s).isEmpty());
            // Only the bus is left to carry the requests.
            QVERIFY(QFile::remove(socket));
        } else {
            QVERIFY(QFileInfo(socket).exists());
        }

        Finished toggle = runBrimvale(session.environment(), {u"--toggle"_s});
        QCOMPARE(toggle.exitCode, 0);
        QVERIFY(WindowMapState::waitForMapped(panel->id(), false));

        // A plain second start shows the panel and leaves, with nothing to say.
        Finished second = runBrimvale(session.environment(), {});
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(second.standardError, QByteArray());
        QVERIFY(WindowMapState::waitForMapped(panel->id(), true));

        toggle = runBrimvale(session.environment(), {u"--toggle"_s});
        QCOMPARE(toggle.exitCode, 0);
        QVERIFY(WindowMapState::waitForMapped(panel->id(), false));
        toggle = runBrimvale(session.environment(), {u"--toggle"_s});
        QCOMPARE(toggle.exitCode, 0);
        QVERIFY(WindowMapState::waitForMapped(panel->id(), true));

        // --show shows and never hides.
        QCOMPARE(runBrimvale(session.environment(), {u"--show"_s}).exitCode, 0);
        QTest::qWait(300);
        QCOMPARE(WindowMapState::isMapped(panel->id()), std::optional<bool>(true));
        QCOMPARE(runBrimvale(session.environment(), {u"--toggle"_s}).exitCode, 0);
        QVERIFY(WindowMapState::waitForMapped(panel->id(), false));
        QCOMPARE(runBrimvale(session.environment(), {u"--show"_s}).exitCode, 0);
        QVERIFY(WindowMapState::waitForMapped(panel->id(), true));

        // The session's autostart asks nothing of a running Brimvale.
        QCOMPARE(runBrimvale(session.environment(), {u"--toggle"_s}).exitCode, 0);
        QVERIFY(WindowMapState::waitForMapped(panel->id(), false));
        QCOMPARE(runBrimvale(session.environment(), {u"--background"_s}).exitCode, 0);
        QTest::qWait(300);
        QCOMPARE(WindowMapState::isMapped(panel->id()), std::optional<bool>(false));

        const Finished quit = runBrimvale(session.environment(), {u"--quit"_s});
        QCOMPARE(quit.exitCode, 0);
        QVERIFY(session.brimvale().waitForFinished(10000));
        QCOMPARE(session.brimvale().exitStatus(), QProcess::NormalExit);
        QCOMPARE(session.brimvale().exitCode(), 0);
        QVERIFY(!QFileInfo::exists(session.homePath() + u"/brimvale.lock"_s));
        if (onBus)
            QCOMPARE(bus->owner(u"io.github.brimvale.Brimvale"_s), QString());

        const Finished quitAgain = runBrimvale(session.environment(), {u"--quit"_s});
        QCOMPARE(quitAgain.exitCode, 0);
        QCOMPARE(quitAgain.standardError.trimmed(), QByteArray("Brimvale is not running"));
    }

    // The runtime lock finds a Brimvale of the same runtime folder only. One
    // started with another XDG_RUNTIME_DIR on the same history is out of reach of
    // the socket and the bus, but must still not run a second monitor beside it,
    // nor may --quit say that none runs.
    void anotherRuntimeFolder_sameStore_refusesToStart()
    {
        E2eSession session;
        QVERIFY(session.startBrimvale());
        const QByteArray running = QByteArray::number(session.brimvale().processId());
        const QTemporaryDir otherRuntime;
        QVERIFY(otherRuntime.isValid());
        QProcessEnvironment elsewhere = session.environment();
        elsewhere.insert(u"XDG_RUNTIME_DIR"_s, otherRuntime.path());
        const QByteArray dataFolder = QFile::encodeName(session.homePath() + u"/data/brimvale"_s);
        for (const QStringList &arguments :
             {QStringList{}, QStringList{u"--background"_s}, QStringList{u"--quit"_s}}) {
            const Finished second = runBrimvale(elsewhere, arguments);
            const QByteArray said = second.standardError.trimmed();
            QVERIFY2(second.exitCode == 1, said.constData());
            QVERIFY2(!said.contains('\n'), said.constData());
            QVERIFY2(said.contains("already running (process " + running + ")"), said.constData());
            QVERIFY2(said.contains(dataFolder), said.constData());
        }
        QCOMPARE(session.brimvale().state(), QProcess::Running);
        QVERIFY(E2eSession::copyWithXclip("recorded by the first one"));
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(u"texts"_s),
                                  QStringList{u"recorded by the first one"_s}, 5000);
        QCOMPARE(runBrimvale(session.environment(), {u"--quit"_s}).exitCode, 0);
        QVERIFY(session.brimvale().waitForFinished(10000));
        QVERIFY(!QFileInfo::exists(session.storePath() + u".lock"_s));
    }

    // Without a tray (a bare X server, GNOME's usual session) the window is all
    // there is; closing it must not end the recording, only Quit does.
    void closingWindowWithoutTray_keepsRecording_untilShownAgain()
    {
        E2eSession session;
        QVERIFY(session.startBrimvale());
        const qint64 pid = session.brimvale().processId();
        // Brought back by --toggle, then by a start from the application menu.
        for (const QStringList &reopen : {QStringList{u"--toggle"_s}, QStringList{}}) {
            const std::optional<XdoWindow> panel = XdoWindow::find(pid, panelTitle);
            QVERIFY(panel);
            QVERIFY(WindowClose::requestClose(panel->id()));
            // Qt gives up a closed window's X window: it is gone, or unmapped.
            QVERIFY(QTest::qWaitFor([&] { return WindowMapState::isMapped(panel->id()) != true; },
                                    5000));
            const QString copied = u"https://closed.example/"_s + reopen.join(u' ');
            QVERIFY(E2eSession::copyWithXclip(copied.toUtf8()));
            QTRY_VERIFY_WITH_TIMEOUT(session.storedList(u"urls"_s).contains(copied), 5000);
            QCOMPARE(runBrimvale(session.environment(), reopen).exitCode, 0);
        }
        QVERIFY(XdoWindow::find(pid, panelTitle));
    }

    // With none running, --toggle and --show start Brimvale with its panel open;
    // --background starts it without.
    void toggleOrShowWithNoneRunning_startsWithThePanelOpen_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("panelOpen");
        QTest::newRow("--toggle") << u"--toggle"_s << true;
        QTest::newRow("--show") << u"--show"_s << true;
        QTest::newRow("--background") << u"--background"_s << false;
    }

    void toggleOrShowWithNoneRunning_startsWithThePanelOpen()
    {
        QFETCH(QString, option);
        QFETCH(bool, panelOpen);
        E2eSession session;
        QVERIFY(session.startBrimvale({option}));
        const std::optional<XdoWindow> panel =
            XdoWindow::find(session.brimvale().processId(), panelTitle, panelOpen ? 5000 : 1500);
        QCOMPARE(panel.has_value(), panelOpen);
        QCOMPARE(session.brimvale().state(), QProcess::Running);
    }

    void tenStartsAtOnce_leaveOneRunning_andNineThatReachedIt_data()
    {
        QTest::addColumn<bool>("onBus");
        QTest::newRow("local socket, no session bus") << false;
        QTest::newRow("session bus") << true;
    }

    void tenStartsAtOnce_leaveOneRunning_andNineThatReachedIt()
    {
        QFETCH(bool, onBus);
        E2eSession session;
        std::unique_ptr<SessionBus> bus;
        if (onBus) {
            bus = std::make_unique<SessionBus>();
            QVERIFY(!bus->address().isEmpty());
            session.setEnvironmentVariable(u"DBUS_SESSION_BUS_ADDRESS"_s, bus->address());
        }
        // Started back to back: each takes far longer to reach the lock than the
        // next one takes to be spawned.
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int i = 0; i < 10; ++i) {
            auto process = std::make_unique<QProcess>();
            process->setProcessEnvironment(session.environment());
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            starts.push_back(std::move(process));
        }
        for (const auto &process : starts)
            process->start(QStringLiteral(BRIMVALE_BINARY), QStringList{});
        QVERIFY(QTest::qWaitFor(
            [&] {
                int done = 0;
                for (const auto &process : starts)
                    done += process->state() == QProcess::NotRunning ? 1 : 0;
                return done == 9;
            },
            30000));
        QTest::qWait(1000);
        QProcess *survivor = nullptr;
        int reached = 0;
        for (const auto &process : starts) {
            if (process->state() != QProcess::NotRunning) {
                QVERIFY(!survivor);
                survivor = process.get();
            } else if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0) {
                ++reached;
            }
        }
        QVERIFY(survivor);
        QCOMPARE(reached, 9);
        const std::optional<XdoWindow> panel = XdoWindow::find(survivor->processId(), panelTitle);
        QVERIFY(panel);
        QCOMPARE(WindowMapState::isMapped(panel->id()), std::optional<bool>(true));

        QCOMPARE(runBrimvale(session.environment(), {u"--quit"_s}).exitCode, 0);
        QVERIFY(survivor->waitForFinished(10000));
        QCOMPARE(survivor->exitCode(), 0);
    }

    // What a power cut leaves: an empty or garbage lock file stops nothing.
    void garbageLockFile_doesNotStopTheStart()
    {
        E2eSession session;
        QFile lock(session.homePath() + u"/brimvale.lock"_s);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("\xff\xfe garbage, no pid\n");
        lock.close();
        QVERIFY(session.startBrimvale());
        QVERIFY(XdoWindow::find(session.brimvale().processId(), panelTitle));
    }

    // A link at the lock path is not followed: the line names it and why, the
    // lock goes to the data folder instead, and Brimvale runs with its history.
    void symlinkAtTheLockPath_isNamed_andBrimvaleRuns()
    {
        E2eSession session;
        const QString target = session.homePath() + u"/elsewhere"_s;
        QVERIFY(QFile::link(target, session.homePath() + u"/brimvale.lock"_s));
        QProcess &brimvale = session.brimvale();
        brimvale.setProcessChannelMode(QProcess::SeparateChannels);
        brimvale.setProcessEnvironment(session.environment());
        brimvale.start(QStringLiteral(BRIMVALE_BINARY), QStringList{});
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(session.storePath()); }, 10000));
        QTest::qWait(500);
        QCOMPARE(brimvale.state(), QProcess::Running);
        const QByteArray errors = brimvale.readAllStandardError();
        QVERIFY2(errors.contains(QFile::encodeName(session.homePath() + u"/brimvale.lock"_s)),
                 errors.constData());
        QVERIFY2(errors.contains("symbolic link"), errors.constData());
        QVERIFY2(!errors.contains("already running"), errors.constData());
        QVERIFY(!QFileInfo::exists(target));
        QVERIFY(QFileInfo::exists(session.homePath() + u"/data/brimvale/brimvale.lock"_s));
        QVERIFY(E2eSession::copyWithXclip("recorded without the usual lock"));
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(u"texts"_s),
                                  QStringList{u"recorded without the usual lock"_s}, 5000);
    }

    // No XDG_RUNTIME_DIR and a data folder the user cannot write: no lock file can
    // be made. The line says where and why, and Brimvale runs (its history in
    // memory). Run as an unprivileged user, on the offscreen platform, since the
    // X server's access may be the test user's only.
    void noLockFileCanBeMade_isNamed_andBrimvaleRuns()
    {
        if (const auto reason = Unprivileged::cannotRun(QStringLiteral(BRIMVALE_BINARY)))
            QSKIP(qPrintable(*reason));
        E2eSession session;
        const QString data = session.homePath() + u"/data"_s;
        QVERIFY(QDir().mkpath(data + u"/brimvale"_s));
        for (const QString &path : {session.homePath(), data, data + u"/brimvale"_s})
            QVERIFY(Unprivileged::handOver(path));
        QVERIFY(QFile::setPermissions(data + u"/brimvale"_s, QFile::ReadOwner | QFile::ExeOwner));
        QProcessEnvironment env = session.environment();
        env.remove(u"XDG_RUNTIME_DIR"_s);
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        const auto [program, arguments] =
            Unprivileged::command(QStringLiteral(BRIMVALE_BINARY), QStringList{});
        QProcess brimvale;
        brimvale.setProcessEnvironment(env);
        brimvale.start(program, arguments);
        QVERIFY(brimvale.waitForStarted());
        QTest::qWait(2500);
        const QByteArray errors = brimvale.readAllStandardError();
        const bool running = brimvale.state() == QProcess::Running;
        brimvale.terminate();
        if (!brimvale.waitForFinished(5000)) {
            brimvale.kill();
            brimvale.waitForFinished();
        }
        QVERIFY2(running, errors.constData());
        QVERIFY2(errors.contains(QFile::encodeName(data + u"/brimvale/brimvale.lock"_s)),
                 errors.constData());
        QVERIFY2(errors.contains("Permission denied"), errors.constData());
        QVERIFY2(!errors.contains("already running"), errors.constData());
    }

    // From an SSH shell: what needs no window works, what does says why it cannot.
    void withoutADisplay_commandsPrintOrReachTheRunningOne()
    {
        E2eSession session;
        QVERIFY(session.startBrimvale());
        const std::optional<XdoWindow> panel =
            XdoWindow::find(session.brimvale().processId(), panelTitle);
        QVERIFY(panel);
        QProcessEnvironment noDisplay = session.environment();
        for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            noDisplay.remove(name);

        for (const QString &option : {u"--help"_s, u"--version"_s}) {
            const Finished printed = runBrimvale(noDisplay, {option});
            QCOMPARE(printed.exitCode, 0);
            QVERIFY(printed.standardOutput.contains("Brimvale"));
        }
        QCOMPARE(runBrimvale(noDisplay, {u"--toggle"_s}).exitCode, 0);
        QVERIFY(WindowMapState::waitForMapped(panel->id(), false));
        QCOMPARE(runBrimvale(noDisplay, {u"--quit"_s}).exitCode, 0);
        QVERIFY(session.brimvale().waitForFinished(10000));

        const Finished start = runBrimvale(noDisplay, {u"--toggle"_s});
        QCOMPARE(start.exitCode, 1);
        QVERIFY2(start.standardError.contains("no display is available"),
                 start.standardError.constData());
    }

    void help_listsEveryOption()
    {
        E2eSession session;
        QProcess help;
        help.setProcessEnvironment(session.environment());
        help.start(QStringLiteral(BRIMVALE_BINARY), {u"--help"_s});
        QVERIFY(help.waitForFinished(10000));
        QCOMPARE(help.exitCode(), 0);
        const QByteArray text = help.readAllStandardOutput();
        for (const char *option :
             {"--show", "--toggle", "--quit", "--background", "--list", "--null", "--print",
              "--copy", "--delete", "--help", "--version"})
            QVERIFY2(text.contains(option), option);
    }
};

QTEST_GUILESS_MAIN(InstanceEndToEndTest)
#include "tst_instance_e2e.moc"
