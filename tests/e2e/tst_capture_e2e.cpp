#include "E2eSupport.h"

#include <QTest>

// The real brimvale on a real X server, fed by other programs' copies.
class CaptureEndToEndTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!E2eSession::haveDisplay())
            QSKIP("needs an X server: DISPLAY is not set (scripts/test.sh starts Xvfb)");
    }

    void copiesFromOtherPrograms_areSortedIntoTheStore()
    {
        E2eSession session;
        QVERIFY(session.startBrimvale());
        const QString url = QStringLiteral("https://example.com/e2e?a=1;b=2");
        const QString code = QStringLiteral("int main() { return 0; }");
        const QString prose = QStringLiteral("A sentence of plain prose, caf\u00e9 included.");

        QVERIFY(E2eSession::copyWithXclip(url.toUtf8()));
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(QStringLiteral("urls")), QStringList{url},
                                  5000);
        QVERIFY(E2eSession::copyWithXclip(code.toUtf8()));
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(QStringLiteral("codes")), QStringList{code},
                                  5000);
        QVERIFY(E2eSession::copyWithXclip(prose.toUtf8()));
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(QStringLiteral("texts")), QStringList{prose},
                                  5000);

        // Copied again: not recorded twice, not moved.
        QVERIFY(E2eSession::copyWithXclip(url.toUtf8()));
        // Two texts 100 ms apart, well within one polling interval: both are kept.
        QVERIFY(E2eSession::copyWithXclip("quick one"));
        QTest::qWait(100);
        QVERIFY(E2eSession::copyWithXclip("quick two"));
        QTRY_COMPARE_WITH_TIMEOUT(
            session.storedList(QStringLiteral("texts")),
            QStringList({QStringLiteral("quick two"), QStringLiteral("quick one"), prose}), 5000);

        // A password manager's copy is never recorded.
        QProcess secret;
        secret.start(
            QStringLiteral(PLATFORM_HELPER),
            {QStringLiteral("offer"), QStringLiteral("secret"), QStringLiteral("hunter2 e2e")});
        QVERIFY(secret.waitForReadyRead(5000));
        QTest::qWait(1500);
        QVERIFY(E2eSession::copyWithXclip("after the secret"));
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(QStringLiteral("texts")).constFirst(),
                                  QStringLiteral("after the secret"), 5000);
        secret.kill();
        secret.waitForFinished();

        QCOMPARE(session.storedList(QStringLiteral("urls")), QStringList{url});
        QCOMPARE(session.storedList(QStringLiteral("codes")), QStringList{code});
        QCOMPARE(session.storedList(QStringLiteral("texts")),
                 QStringList({QStringLiteral("after the secret"), QStringLiteral("quick two"),
                              QStringLiteral("quick one"), prose}));

        // A restart keeps the history.
        session.stopBrimvale();
        QVERIFY(session.startBrimvale());
        QCOMPARE(session.storedList(QStringLiteral("urls")), QStringList{url});
        QCOMPARE(session.storedList(QStringLiteral("texts")).size(), 4);

        // A text of 5 MB, exactly as copied, though nothing polls the clipboard.
        QByteArray large;
        for (int line = 0; large.size() < 5 * 1024 * 1024; ++line)
            large += "line " + QByteArray::number(line) + " of a long text, copied whole.\n";
        QVERIFY(E2eSession::copyWithXclip(large));
        QTRY_VERIFY_WITH_TIMEOUT(
            session.storedList(QStringLiteral("texts")).constFirst().size() == large.size(), 10000);
        QCOMPARE(session.storedList(QStringLiteral("texts")).constFirst(),
                 QString::fromUtf8(large));

        // A burst, one copy right after the other: every one is seen, in order.
        QStringList expected = session.storedList(QStringLiteral("texts"));
        for (int i = 1; i <= 20; ++i) {
            const QString text = QStringLiteral("burst copy %1").arg(i);
            QVERIFY(E2eSession::copyWithXclip(text.toUtf8()));
            expected.prepend(text);
        }
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(QStringLiteral("texts")).constFirst(),
                                  QStringLiteral("burst copy 20"), 5000);
        QCOMPARE(session.storedList(QStringLiteral("texts")), expected);
    }

    // A second start hands over to the running one (which shows its panel) and
    // leaves at once, without a word and without touching the history.
    void secondInstance_handsOverAndLeavesTheStoreAlone()
    {
        E2eSession session;
        QVERIFY(session.startBrimvale());
        QVERIFY(E2eSession::copyWithXclip("recorded by the first"));
        QTRY_COMPARE_WITH_TIMEOUT(session.storedList(QStringLiteral("texts")).size(), 1, 5000);

        QProcess second;
        second.setProcessEnvironment(session.environment());
        second.start(QStringLiteral(BRIMVALE_BINARY), QStringList{});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardError().trimmed(), QByteArray());
        QCOMPARE(session.storedList(QStringLiteral("texts")),
                 QStringList{QStringLiteral("recorded by the first")});
        QCOMPARE(session.brimvale().state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(CaptureEndToEndTest)
#include "tst_capture_e2e.moc"
