#include "E2eSupport.h"
#include "PingProbe.h"
#include "XdoWindow.h"

#include <QTest>

#include <csignal>
#include <memory>

// The real brimvale on a real X server while clipboard owners misbehave: one that
// never answers, one that starts an INCR transfer and exits, one that answers
// after 3 s. The panel must keep answering, and the next ordinary copy must be
// recorded.
//
// How responsiveness is judged: a probe every 100 ms for 3.5 s, from the moment
// the owner holds the clipboard, past the reader's 2 s limit and the slow owner's
// answer; each probe must be answered within 100 ms. A GUI thread that waits for
// an owner is frozen for seconds (Qt waits 5 s per request), so it misses by far;
// an idle one answers in a few milliseconds even under AddressSanitizer on two
// busy cores, which leaves a wide margin below 100 ms. A control test stops the
// program for 600 ms and checks that the probe notices.
class OwnersEndToEndTest final : public QObject
{
    Q_OBJECT

    static constexpr qint64 answerWithinMs = 100;
    static constexpr int probeEveryMs = 100;
    static constexpr int probeForMs = 3500;

private slots:
    void initTestCase()
    {
        if (!E2eSession::haveDisplay())
            QSKIP("needs an X server: DISPLAY is not set (scripts/test.sh starts Xvfb)");
        if (!XdoWindow::toolFound())
            QSKIP("needs xdotool");
    }

    void hostileOwner_panelKeepsAnswering_nextCopyRecorded_data()
    {
        QTest::addColumn<QStringList>("owner");
        QTest::newRow("never answers") << QStringList{QStringLiteral("silent")};
        QTest::newRow("starts INCR and exits") << QStringList{QStringLiteral("incr-then-exit")};
        QTest::newRow("answers after 3 s") << QStringList{
            QStringLiteral("slow"), QStringLiteral("3000"), QStringLiteral("late text")};
    }

    void hostileOwner_panelKeepsAnswering_nextCopyRecorded()
    {
        QFETCH(QStringList, owner);
        E2eSession session;
        std::unique_ptr<PingProbe> probe = startWithPanel(session);
        QVERIFY(probe);

        QProcess hostile;
        hostile.start(QStringLiteral(CLIPBOARD_OWNER), owner);
        QVERIFY(hostile.waitForReadyRead(5000));
        const QList<qint64> answers = probeRepeatedly(*probe);
        qInfo("%s", describe(answers).constData());
        QVERIFY2(slowest(answers) <= answerWithinMs, describe(answers).constData());

        const QByteArray next = "copied after a hostile owner: " + owner.constFirst().toUtf8();
        QVERIFY(E2eSession::copyWithXclip(next));
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(QStringLiteral("texts")).value(0),
                                  QString::fromUtf8(next), 5000);
        hostile.kill();
        hostile.waitForFinished();
    }

    // The probe itself: a program that does not run cannot answer in time.
    void stoppedProgram_probeNoticesTheFreeze()
    {
        E2eSession session;
        std::unique_ptr<PingProbe> probe = startWithPanel(session);
        QVERIFY(probe);
        const auto pid = static_cast<pid_t>(session.brimvale().processId());
        QVERIFY(::kill(pid, SIGSTOP) == 0);
        // Another process lets it go on while this one waits for the answer.
        QVERIFY(QProcess::startDetached(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("sleep 0.6; kill -CONT %1").arg(pid)}));
        const std::optional<qint64> frozen = probe->ping(5000);
        ::kill(pid, SIGCONT);
        QVERIFY2(frozen, "no answer after the program went on");
        QVERIFY2(*frozen >= 500, QByteArray::number(*frozen).constData());
        QVERIFY(*frozen > answerWithinMs);
    }

private:
    // Starts brimvale with its panel as a window, and a probe on that window once
    // the program has settled (five quick answers in a row).
    std::unique_ptr<PingProbe> startWithPanel(E2eSession &session)
    {
        if (!session.startBrimvale({QStringLiteral("--show")}))
            return nullptr;
        const std::optional<XdoWindow> panel =
            XdoWindow::find(session.brimvale().processId(), QStringLiteral("Brimvale"));
        if (!panel)
            return nullptr;
        auto probe = std::make_unique<PingProbe>(panel->id().toUInt());
        if (!probe->connected())
            return nullptr;
        int quick = 0;
        for (int i = 0; i < 100 && quick < 5; ++i) {
            const std::optional<qint64> answer = probe->ping(1000);
            quick = answer && *answer <= answerWithinMs ? quick + 1 : 0;
            QTest::qWait(50);
        }
        return quick == 5 ? std::move(probe) : nullptr;
    }

    QList<qint64> probeRepeatedly(PingProbe &probe)
    {
        QList<qint64> answers;
        QElapsedTimer since;
        since.start();
        while (since.elapsed() < probeForMs) {
            // Unanswered within 5 s counts as 5 s: frozen either way.
            answers.append(probe.ping(5000).value_or(5000));
            QTest::qWait(probeEveryMs);
        }
        return answers;
    }

    static qint64 slowest(const QList<qint64> &answers)
    {
        return answers.isEmpty() ? 5000 : *std::max_element(answers.begin(), answers.end());
    }

    static QByteArray describe(const QList<qint64> &answers)
    {
        QByteArray text = "answers in ms:";
        for (const qint64 ms : answers)
            text += ' ' + QByteArray::number(ms);
        return text;
    }
};

QTEST_GUILESS_MAIN(OwnersEndToEndTest)
#include "tst_owners_e2e.moc"
