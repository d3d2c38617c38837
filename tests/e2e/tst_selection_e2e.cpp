#include "E2eSupport.h"
#include "SqlitePreferences.h"
#include "SwaySession.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString textsKey = u"texts"_s;

// The switch as the next start of a brimvale that is not running reads it.
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
    process.write(input);
    process.closeWriteChannel();
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

} // namespace

// The real brimvale recording the text selected with the mouse: on the X server
// of DISPLAY with xclip and xdotool, and on a headless sway with wl-copy --primary.
class SelectionEndToEndTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!E2eSession::haveDisplay())
            QSKIP("needs an X server: DISPLAY is not set (scripts/test.sh starts Xvfb)");
    }

    void x11Selection_recordedOnceFinished()
    {
        const auto select = [](const QByteArray &text) {
            return run(u"xclip"_s, {u"-selection"_s, u"primary"_s, u"-i"_s}, text);
        };
        E2eSession session;
        QVERIFY(session.startBrimvale());
        session.stopBrimvale();
        setRecordSelection(session, true);
        QVERIFY(select("selected before the start"));
        QVERIFY(session.startBrimvale());
        QTest::qWait(1000);

        // Growing faster than it settles: one item, the finished selection.
        for (const char *step : {"grow", "growing", "growing selection"}) {
            QVERIFY(select(step));
            QTest::qWait(100);
        }
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey), QStringList{u"growing selection"_s},
                                  5000);

        // While the button is held it is not finished, however long it pauses;
        // letting go records it at once.
        QVERIFY(run(u"xdotool"_s, {u"mousemove"_s, u"9"_s, u"9"_s, u"mousedown"_s, u"1"_s}));
        QVERIFY(select("dragged"));
        QTest::qWait(1200);
        QVERIFY(select("dragged further"));
        QTest::qWait(1200);
        QCOMPARE(session.storedList(textsKey), QStringList{u"growing selection"_s});
        QVERIFY(run(u"xdotool"_s, {u"mouseup"_s, u"1"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey),
                                  QStringList({u"dragged further"_s, u"growing selection"_s}), 400);
    }

    void waylandPrimarySelection_recordedOnlyWithTheSwitchOn()
    {
        if (const std::optional<QString> why = SwaySession::unavailable())
            QSKIP(qPrintable(*why));
        SwaySession sway;
        E2eSession session;
        QVERIFY(sway.start());
        session.setEnvironmentValue(u"WAYLAND_DISPLAY"_s, sway.socketPath());
        const auto select = [&sway](const QByteArray &text) {
            return run(u"wl-copy"_s, {u"--primary"_s}, text, sway.clientEnvironment());
        };

        // Off, as by default: a selection is not recorded, a copy is.
        QVERIFY(session.startBrimvale());
        QVERIFY(select("selected while off"));
        QTest::qWait(1500);
        QVERIFY(sway.copy("copied while off"));
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey), QStringList{u"copied while off"_s},
                                  5000);
        session.stopBrimvale();

        // On: the finished selection once, not the one made before the start.
        setRecordSelection(session, true);
        QVERIFY(session.startBrimvale());
        // Longer than a selection takes to settle, had the one before been read.
        QTest::qWait(1000);
        for (const char *step : {"sel", "selected", "selected on sway"}) {
            QVERIFY(select(step));
            QTest::qWait(100);
        }
        const QStringList expected{u"selected on sway"_s, u"copied while off"_s};
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(textsKey), expected, 5000);
        QTest::qWait(1000);
        QCOMPARE(session.storedList(textsKey), expected);
    }
};

QTEST_GUILESS_MAIN(SelectionEndToEndTest)
#include "tst_selection_e2e.moc"
