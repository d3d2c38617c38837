#include "E2eSupport.h"
#include "SwaySession.h"
#include "XdoWindow.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The real brimvale with a Wayland compositor's clipboard: a private headless sway
// whose focus a terminal holds, wl-copy and wl-paste as the other programs. The
// panel itself is on the X server of DISPLAY, where xdotool can work it: the
// clipboard goes through data-control whatever platform Qt runs on.
class WaylandEndToEndTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const std::optional<QString> why = SwaySession::unavailable())
            QSKIP(qPrintable(*why));
        if (!E2eSession::haveDisplay())
            QSKIP("needs an X server for the panel: DISPLAY is not set (scripts/test.sh starts "
                  "Xvfb)");
        QVERIFY2(XdoWindow::toolFound(), "xdotool is missing: run scripts/install-deps.sh");
    }

    void copiesWhileAnotherWindowHasTheFocus_areRecorded();
    void secretMarkedOffer_isNotRecorded();
    void copyBackAndDelete_throughThePanel();
    void listPipedToCopy_isPasted();
    void compositorRestart_saidOnce_thenCopiesRecordedAgain();
};

namespace {

const QString textsKey = u"texts"_s;
const QString urlsKey = u"urls"_s;

// Starts sway, then brimvale on its clipboard with the choice of backend logged
// into `errors`.
bool startOnSway(SwaySession &sway, E2eSession &session, const QString &errors)
{
    if (!sway.start())
        return false;
    session.setEnvironmentValue(u"WAYLAND_DISPLAY"_s, sway.socketPath());
    session.setEnvironmentValue(u"QT_LOGGING_RULES"_s, u"brimvale.platform.clipboard.info=true"_s);
    session.setErrorFile(errors);
    return session.startBrimvale();
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The CPU time the process has used, in clock ticks.
long long cpuTicks(qint64 pid)
{
    const QList<QByteArray> fields =
        contentsOf(u"/proc/%1/stat"_s.arg(pid)).split(')').value(1).split(' ');
    // After the command: state is field 1, utime 12, stime 13.
    return fields.value(12).toLongLong() + fields.value(13).toLongLong();
}

} // namespace

void WaylandEndToEndTest::copiesWhileAnotherWindowHasTheFocus_areRecorded()
{
    SwaySession sway;
    E2eSession session;
    QTemporaryDir logs;
    const QString errors = logs.filePath(u"errors"_s);
    QVERIFY2(startOnSway(sway, session, errors), "sway or brimvale did not start");
    QVERIFY(contentsOf(errors).contains(
        "clipboard: Wayland data-control (zwlr_data_control_manager_v1)"));

    // Two texts 100 ms apart, well within one polling interval: both are kept.
    QVERIFY(sway.copy("quick one"));
    QTest::qWait(100);
    QVERIFY(sway.copy("quick two"));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey),
                              QStringList({u"quick two"_s, u"quick one"_s}), 5000);

    // A burst, one copy right after the other: every one is seen, in order.
    QStringList expected = session.storedList(textsKey);
    for (int i = 1; i <= 20; ++i) {
        const QString text = u"burst copy %1"_s.arg(i);
        QVERIFY(sway.copy(text.toUtf8()));
        expected.prepend(text);
    }
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey).constFirst(), u"burst copy 20"_s, 5000);
    QCOMPARE(session.storedList(textsKey), expected);

    // A text of 5 MB, exactly as copied.
    QByteArray large;
    for (int line = 0; large.size() < 5 * 1024 * 1024; ++line)
        large += "line " + QByteArray::number(line) + " of a long text, copied whole.\n";
    QVERIFY(sway.copy(large));
    QTRY_VERIFY_WITH_TIMEOUT(session.storedList(textsKey).constFirst().size() == large.size(),
                             10000);
    QCOMPARE(session.storedList(textsKey).constFirst(), QString::fromUtf8(large));
    QCOMPARE(session.brimvale().state(), QProcess::Running);
}

void WaylandEndToEndTest::secretMarkedOffer_isNotRecorded()
{
    SwaySession sway;
    E2eSession session;
    QTemporaryDir logs;
    QVERIFY2(startOnSway(sway, session, logs.filePath(u"errors"_s)),
             "sway or brimvale did not start");

    // A password manager's copy: the text and its hint, two types in one offer.
    QProcess secret;
    secret.setProcessEnvironment(sway.clientEnvironment());
    secret.start(QStringLiteral(WAYLAND_OFFER_HELPER),
                 {u"text/plain;charset=utf-8"_s, u"hunter2 on wayland"_s,
                  u"x-kde-passwordManagerHint"_s, u"secret"_s});
    QVERIFY(secret.waitForReadyRead(5000));
    QCOMPARE(secret.readLine().trimmed(), QByteArray("ready"));
    // The same offer with any other hint is recorded: the helper's offers are read.
    QProcess shown;
    shown.setProcessEnvironment(sway.clientEnvironment());
    shown.start(QStringLiteral(WAYLAND_OFFER_HELPER),
                {u"text/plain;charset=utf-8"_s, u"shown on wayland"_s,
                 u"x-kde-passwordManagerHint"_s, u"public"_s});
    QVERIFY(shown.waitForReadyRead(5000));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey), QStringList{u"shown on wayland"_s},
                              5000);
    QVERIFY(sway.copy("after the secret"));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey),
                              QStringList({u"after the secret"_s, u"shown on wayland"_s}), 5000);
    for (const QString &key : {urlsKey, u"codes"_s, textsKey})
        QVERIFY(!session.storedList(key).join(u'\n').contains(u"hunter2"_s));
    for (QProcess *helper : {&secret, &shown}) {
        helper->kill();
        helper->waitForFinished();
    }
}

void WaylandEndToEndTest::copyBackAndDelete_throughThePanel()
{
    SwaySession sway;
    E2eSession session;
    QTemporaryDir logs;
    QVERIFY2(startOnSway(sway, session, logs.filePath(u"errors"_s)),
             "sway or brimvale did not start");
    const QString alpha = u"https://one.example/alpha"_s;
    const QString beta = u"https://two.example/beta"_s;
    const QString gamma = u"https://three.example/gamma"_s;
    const QString delta = u"https://four.example/delta"_s;
    QStringList expected;
    for (const QString &text : {alpha, beta, gamma}) {
        QVERIFY(sway.copy(text.toUtf8()));
        expected.prepend(text);
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(urlsKey), expected, 5000);
    }
    const std::optional<XdoWindow> panel =
        XdoWindow::find(session.brimvale().processId(), u"Brimvale"_s);
    QVERIFY2(panel && panel->focus(), "brimvale's panel did not show");

    // The panel opens with the focus in the search field; Down enters the list.
    QVERIFY(panel->key({u"Down"_s, u"Home"_s, u"Down"_s, u"ctrl+c"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(sway.paste(), std::optional<QByteArray>(beta.toUtf8()), 5000);
    QVERIFY(panel->key({u"End"_s, u"ctrl+c"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(sway.paste(), std::optional<QByteArray>(alpha.toUtf8()), 5000);
    // The copies back were not recorded again, nor moved: a new copy lands on top
    // of the list as it was.
    QVERIFY(sway.copy(delta.toUtf8()));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(urlsKey), QStringList({delta, gamma, beta, alpha}),
                              5000);

    // Deleting the item the clipboard holds empties the clipboard.
    QVERIFY(panel->key({u"Home"_s, u"Delete"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(urlsKey), QStringList({gamma, beta, alpha}), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(sway.paste(), std::nullopt, 5000);

    // Deleting another item leaves the clipboard alone.
    QVERIFY(panel->key({u"Home"_s, u"ctrl+c"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(sway.paste(), std::optional<QByteArray>(gamma.toUtf8()), 5000);
    QVERIFY(panel->key({u"End"_s, u"Delete"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(urlsKey), QStringList({gamma, beta}), 5000);
    QCOMPARE(sway.paste(), std::optional<QByteArray>(gamma.toUtf8()));
}

// A launcher's pipeline, `brimvale --list | wofi --dmenu | brimvale --copy -`, with
// grep choosing the line.
void WaylandEndToEndTest::listPipedToCopy_isPasted()
{
    SwaySession sway;
    E2eSession session;
    QTemporaryDir logs;
    QVERIFY2(startOnSway(sway, session, logs.filePath(u"errors"_s)),
             "sway or brimvale did not start");
    const QByteArray chosen = "chosen line\nand its second line";
    for (const QByteArray &text : {chosen, QByteArray("copied after it")})
        QVERIFY(sway.copy(text));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey).size(), 2, 5000);
    QProcess pipeline;
    pipeline.setProcessEnvironment(session.environment());
    pipeline.start(u"sh"_s, {u"-c"_s, u"\"$0\" --list | grep 'chosen line' | \"$0\" --copy -"_s,
                             QStringLiteral(BRIMVALE_BINARY)});
    QVERIFY(pipeline.waitForFinished(20000));
    QCOMPARE(pipeline.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(sway.paste(), std::optional<QByteArray>(chosen), 5000);
}

void WaylandEndToEndTest::compositorRestart_saidOnce_thenCopiesRecordedAgain()
{
    SwaySession sway;
    E2eSession session;
    QTemporaryDir logs;
    const QString errors = logs.filePath(u"errors"_s);
    QVERIFY2(startOnSway(sway, session, errors), "sway or brimvale did not start");
    const QString socket = sway.socketPath();
    QVERIFY(sway.copy("before the restart"));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey), QStringList{u"before the restart"_s},
                              5000);

    sway.kill();
    QTRY_VERIFY_WITH_TIMEOUT(contentsOf(errors).contains("lost the connection"), 5000);
    // Without a compositor it waits quietly: a busy loop would use a whole second
    // of CPU time here, where a few ticks are the most it may take.
    const qint64 pid = session.brimvale().processId();
    const long long before = cpuTicks(pid);
    QTest::qWait(1000);
    QVERIFY2(cpuTicks(pid) - before < 20, "brimvale is busy without a compositor");
    QCOMPARE(session.brimvale().state(), QProcess::Running);

    QVERIFY2(sway.start(), "the second sway did not start");
    QCOMPARE(sway.socketPath(), socket);
    QVERIFY(sway.copy("after the restart"));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey),
                              QStringList({u"after the restart"_s, u"before the restart"_s}), 5000);
    QCOMPARE(contentsOf(errors).count("lost the connection"), 1);
}

QTEST_GUILESS_MAIN(WaylandEndToEndTest)
#include "tst_wayland_e2e.moc"
