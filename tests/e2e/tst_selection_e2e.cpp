#include "E2eSupport.h"
#include "SqlitePreferences.h"
#include "SwaySession.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The real brimvale recording the text selected with the mouse, on a real X
// server with xclip and xdotool as the other programs, and on a headless sway
// with wl-copy --primary.
class SelectionEndToEndTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!E2eSession::haveDisplay())
            QSKIP("needs an X server: DISPLAY is not set (scripts/test.sh starts Xvfb)");
    }

    void x11Selection_recordedOnceFinished();
    void waylandPrimarySelection_recordedOnlyWithTheSwitchOn();
};

namespace {

const QString textsKey = u"texts"_s;

// Sets "Record Selected Text" in the store of a brimvale that is not running; it
// reads the value at its next start.
void setRecordSelection(const E2eSession &session, bool on)
{
    SqliteStoreFile file(session.storePath());
    SqlitePreferences preferences(file);
    preferences.setRecordSelection(on);
    QVERIFY(preferences.flush().ok());
}

bool run(const QString &program, const QStringList &arguments, const QByteArray &input = {},
         const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted())
        return false;
    process.write(input);
    process.closeWriteChannel();
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

// Another program selects `text`: xclip owns PRIMARY until someone else does.
bool selectWithXclip(const QByteArray &text)
{
    return run(u"xclip"_s, {u"-selection"_s, u"primary"_s, u"-i"_s}, text);
}

bool xdotool(const QStringList &arguments)
{
    return run(u"xdotool"_s, arguments);
}

} // namespace

void SelectionEndToEndTest::x11Selection_recordedOnceFinished()
{
    E2eSession session;
    QVERIFY(session.startBrimvale());
    session.stopBrimvale();
    setRecordSelection(session, true);
    // Selected before recording was asked for: not recorded.
    QVERIFY(selectWithXclip("selected before the start"));
    QVERIFY(session.startBrimvale());

    // A selection that grows, faster than it settles: one item, the finished one.
    for (const char *step : {"grow", "growing", "growing selection"}) {
        QVERIFY(selectWithXclip(step));
        QTest::qWait(100);
    }
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey), QStringList{u"growing selection"_s},
                              5000);

    // While the mouse button is held the selection is not finished, however long
    // it pauses; letting go records it at once.
    QVERIFY(xdotool({u"mousemove"_s, u"100"_s, u"100"_s, u"mousedown"_s, u"1"_s}));
    QVERIFY(selectWithXclip("dragged"));
    QTest::qWait(1200);
    QVERIFY(selectWithXclip("dragged further"));
    QTest::qWait(1200);
    QCOMPARE(session.storedList(textsKey), QStringList{u"growing selection"_s});
    QVERIFY(xdotool({u"mouseup"_s, u"1"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey),
                              QStringList({u"dragged further"_s, u"growing selection"_s}), 400);

    // Copied as well as selected: one item, as for two copies.
    QVERIFY(E2eSession::copyWithXclip("dragged further"));
    QVERIFY(selectWithXclip("https://example.com/selected"));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(u"urls"_s),
                              QStringList{u"https://example.com/selected"_s}, 5000);
    QCOMPARE(session.storedList(textsKey),
             QStringList({u"dragged further"_s, u"growing selection"_s}));
}

void SelectionEndToEndTest::waylandPrimarySelection_recordedOnlyWithTheSwitchOn()
{
    if (const std::optional<QString> why = SwaySession::unavailable())
        QSKIP(qPrintable(*why));
    SwaySession sway;
    E2eSession session;
    QVERIFY(sway.start());
    session.setEnvironmentValue(u"WAYLAND_DISPLAY"_s, sway.socketPath());
    const auto selectOnSway = [&sway](const QByteArray &text) {
        return run(u"wl-copy"_s, {u"--primary"_s}, text, sway.clientEnvironment());
    };

    // Off, as it is by default: a selection is not recorded, a copy is.
    QVERIFY(session.startBrimvale());
    QVERIFY(selectOnSway("selected while off"));
    QTest::qWait(1500);
    QVERIFY(sway.copy("copied while off"));
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey), QStringList{u"copied while off"_s},
                              5000);
    session.stopBrimvale();

    // On: every finished selection is recorded; the one made before is not.
    setRecordSelection(session, true);
    QVERIFY(session.startBrimvale());
    for (const char *step : {"sel", "selected", "selected on sway"}) {
        QVERIFY(selectOnSway(step));
        QTest::qWait(100);
    }
    QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey),
                              QStringList({u"selected on sway"_s, u"copied while off"_s}), 5000);
    QTest::qWait(1000);
    QCOMPARE(session.storedList(textsKey),
             QStringList({u"selected on sway"_s, u"copied while off"_s}));
    QCOMPARE(session.brimvale().state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(SelectionEndToEndTest)
#include "tst_selection_e2e.moc"
