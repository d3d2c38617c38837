// The real program asked to stop by a signal, as a session ending or a user at a
// terminal does: it quits as its Quit button does.
#include "E2eSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

class StopSignalsE2eTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!E2eSession::haveDisplay())
            QSKIP("no DISPLAY: the end-to-end tests need an X server (scripts/test.sh starts "
                  "Xvfb); these tests did not run");
    }

    void stopSignal_quitsCleanly_historyKept_journalFolded_lockFreed_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void stopSignal_quitsCleanly_historyKept_journalFolded_lockFreed()
    {
        QFETCH(int, signalNumber);
        E2eSession session;
        QVERIFY(session.startBrimvale());
        const QByteArray text = "stopped by signal " + QByteArray::number(signalNumber);
        QVERIFY(E2eSession::copyWithXclip(text));
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(u"texts"_s),
                                  QStringList{QString::fromUtf8(text)}, 10000);
        // While it runs, the journal holds the latest commits.
        QVERIFY(QFileInfo::exists(session.storePath() + u"-wal"_s));

        QProcess &brimvale = session.brimvale();
        QVERIFY(::kill(pid_t(brimvale.processId()), signalNumber) == 0);
        QVERIFY(brimvale.waitForFinished(10000));
        QCOMPARE(brimvale.exitStatus(), QProcess::NormalExit);
        QCOMPARE(brimvale.exitCode(), 0);
        // The last connection to close folds the journal into the file and removes it.
        QVERIFY(!QFileInfo::exists(session.storePath() + u"-wal"_s));
        QCOMPARE(session.storedList(u"texts"_s), QStringList{QString::fromUtf8(text)});

        // The lock went with it, and the next start runs.
        QVERIFY(!QFileInfo::exists(session.environment().value(u"XDG_RUNTIME_DIR"_s) +
                                   u"/brimvale.lock"_s));
        QVERIFY(session.startBrimvale());
        QCOMPARE(brimvale.state(), QProcess::Running);
        QCOMPARE(session.storedList(u"texts"_s), QStringList{QString::fromUtf8(text)});
    }

    // A standard error or socket whose reader left makes a write fail, not the
    // program end with its history unsaved.
    void brokenPipe_isNoReasonToStop()
    {
        E2eSession session;
        // As a terminal starts it; the test runner may ignore SIGPIPE itself, and
        // an ignored signal stays ignored in a child.
        session.brimvale().setChildProcessModifier([] { std::signal(SIGPIPE, SIG_DFL); });
        QVERIFY(session.startBrimvale());
        QFile status(u"/proc/%1/status"_s.arg(session.brimvale().processId()));
        QVERIFY(status.open(QIODevice::ReadOnly));
        const QByteArray lines = status.readAll();
        const qsizetype at = lines.indexOf("\nSigIgn:");
        QVERIFY(at >= 0);
        const quint64 ignored = lines.mid(at + 8, lines.indexOf('\n', at + 1) - at - 8)
                                    .trimmed()
                                    .toULongLong(nullptr, 16);
        QVERIFY(ignored & (quint64(1) << (SIGPIPE - 1)));
    }
};

QTEST_GUILESS_MAIN(StopSignalsE2eTest)
#include "tst_stopsignals_e2e.moc"
