// XcbClipboard against owners that misbehave (clipboard_owner) and a very large
// text, on the real X server of DISPLAY with xclip for ordinary copies. Skipped
// without an X server.
#include "X11ClipboardTest.h"
#include "XcbClipboard.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using namespace X11ClipboardTest;

class XcbClipboardOwnersTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const char *reason = missing())
            QSKIP(reason);
        auto opened = XcbClipboard::open(this);
        auto *clipboard = std::get_if<std::unique_ptr<XcbClipboard>>(&opened);
        if (!clipboard)
            QFAIL(qPrintable(std::get<QString>(opened)));
        m_clipboard = clipboard->release();
    }

    void init()
    {
        copyWithXclip("before the owner");
        QVERIFY(readsSoon(u"before the owner"_s));
    }

    void cleanup() { m_owners.clear(); }

    void silentOwner_givenUpAfterTheTimeLimit_nextCopyRead()
    {
        QSignalSpy changes(m_clipboard, &Clipboard::changed);
        QElapsedTimer since;
        startOwner({u"silent"_s});
        since.start();
        QTRY_VERIFY(m_clipboard->reading());
        // While the owner is asked, the last text read stays what is served.
        QCOMPARE(m_clipboard->readText(), std::optional(u"before the owner"_s));
        QTRY_VERIFY_WITH_TIMEOUT(!m_clipboard->reading(), timeoutMs);
        QVERIFY2(since.elapsed() >= XcbClipboard::answerTimeout.count() - 100,
                 QByteArray::number(since.elapsed()));
        QCOMPARE(m_clipboard->readText(), std::nullopt);
        QVERIFY(changes.isEmpty());

        copyWithXclip("after the silent owner");
        QVERIFY2(readsSoon(u"after the silent owner"_s), describe(m_clipboard->readText()));
        QCOMPARE(changes.size(), 1);
    }

    void ownerStartsIncrAndExits_readsNone_nextCopyRead()
    {
        QProcess &owner = startOwner({u"incr-then-exit"_s});
        QTRY_COMPARE_WITH_TIMEOUT(owner.state(), QProcess::NotRunning, timeoutMs);
        QVERIFY2(readsSoon(std::nullopt), describe(m_clipboard->readText()));
        QVERIFY(!m_clipboard->reading());
        copyWithXclip("after the INCR owner");
        QVERIFY2(readsSoon(u"after the INCR owner"_s), describe(m_clipboard->readText()));
    }

    void ownerAnswersAfterThreeSeconds_givenUp_lateAnswerIgnored()
    {
        startOwner({u"slow"_s, u"3000"_s, u"too late"_s});
        QTRY_VERIFY(m_clipboard->reading());
        QTRY_VERIFY_WITH_TIMEOUT(!m_clipboard->reading(), timeoutMs);
        QCOMPARE(m_clipboard->readText(), std::nullopt);
        // The next copy is read while the slow owner is still busy answering the
        // abandoned read, whose answer then goes to a window that is gone.
        copyWithXclip("after the slow owner");
        QVERIFY2(readsSoon(u"after the slow owner"_s), describe(m_clipboard->readText()));
        QTest::qWait(1500);
        QCOMPARE(m_clipboard->readText(), std::optional(u"after the slow owner"_s));
    }

    // More copies than reads kept at once come while a silent owner holds back
    // what is read after it: it is given up on, and every copy is served, in order.
    void newOwnersDuringASilentRead_allReadInOrder()
    {
        QStringList served;
        QObject serving;
        connect(m_clipboard, &Clipboard::changed, &serving,
                [&] { served.append(m_clipboard->readText().value_or(u"none"_s)); });
        startOwner({u"silent"_s});
        QTRY_VERIFY(m_clipboard->reading());
        QStringList copied;
        for (int i = 1; i <= 12; ++i) {
            copied.append(u"replaces the silent owner %1"_s.arg(i));
            copyWithXclip(copied.last().toUtf8());
            // The reader runs on this thread, which waited for xclip meanwhile.
            QTest::qWait(20);
        }
        QVERIFY2(readsSoon(copied.last()), describe(m_clipboard->readText()));
        served.removeAll(u"before the owner"_s);
        QCOMPARE(served, copied);
    }

    // A script copying in a loop replaces each owner before its answers are in:
    // the replaced owner, asked while it still owned the clipboard, is still read,
    // and its text comes first.
    void ownerReplacedWhileAnswering_bothReadInOrder()
    {
        QStringList served;
        QObject serving;
        connect(m_clipboard, &Clipboard::changed, &serving,
                [&] { served.append(m_clipboard->readText().value_or(u"none"_s)); });
        QProcess &owner = startOwner({u"slow"_s, u"150"_s, u"the replaced owner's"_s});
        QByteArray said;
        QTRY_VERIFY((said += owner.readAllStandardOutput()).contains("asked"));
        copyWithXclip("its successor's");
        QTRY_VERIFY_WITH_TIMEOUT(served.contains(u"its successor's"_s), timeoutMs);
        // xclip takes the clipboard after its start returns, so init()'s copy may
        // be read once more.
        served.removeAll(u"before the owner"_s);
        QCOMPARE(served, QStringList({u"the replaced owner's"_s, u"its successor's"_s}));
    }

    void twentyMegabytesInIncrPieces_readExactly()
    {
        QByteArray line = "line of a large text: Gr\xc3\xbc\xc3\x9f"
                          "e, \xe6\x97\xa5\xe6\x9c\xac, "
                          "\xf0\x9f\x91\x8d\n";
        const QByteArray bytes = line.repeated(20 * 1024 * 1024 / line.size());
        QSignalSpy changes(m_clipboard, &Clipboard::changed);
        startOwner({u"serve"_s, u"--chunk"_s, u"262144"_s, u"UTF8_STRING"_s}, bytes);
        QTRY_VERIFY_WITH_TIMEOUT(!changes.isEmpty(), 30000);
        const std::optional<QString> text = m_clipboard->readText();
        QVERIFY2(text && *text == QString::fromUtf8(bytes), describe(text));
    }

    void largePropertyInOnePiece_readExactly()
    {
        // Several slices of the one property, cut inside multi-byte sequences.
        QByteArray line = "one property: Gr\xc3\xbc\xc3\x9f"
                          "e, \xe6\x97\xa5\xe6\x9c\xac, "
                          "\xf0\x9f\x91\x8d\n";
        const QByteArray bytes = line.repeated(1024 * 1024 / line.size());
        QSignalSpy changes(m_clipboard, &Clipboard::changed);
        startOwner({u"serve"_s, u"UTF8_STRING"_s}, bytes);
        QTRY_VERIFY_WITH_TIMEOUT(!changes.isEmpty(), 10000);
        const std::optional<QString> text = m_clipboard->readText();
        QVERIFY2(text && *text == QString::fromUtf8(bytes), describe(text));
    }

    void secretHintInIncrPieces_textNeverRead()
    {
        // The hint itself comes in pieces; the text, asked for with the targets,
        // is offered but must not be read.
        QProcess &owner = startOwner({u"serve"_s, u"--chunk"_s, u"2"_s,
                                      u"x-kde-passwordManagerHint==secret"_s, u"UTF8_STRING"_s},
                                     "hunter2");
        QVERIFY2(readsSoon(std::nullopt), describe(m_clipboard->readText()));
        QTRY_VERIFY(!m_clipboard->reading());
        QVERIFY(owner.state() == QProcess::Running);
    }

private:
    bool readsSoon(const std::optional<QString> &expected)
    {
        return X11ClipboardTest::readsSoon(*m_clipboard, expected);
    }

    QProcess &startOwner(const QStringList &arguments, const QByteArray &input = {})
    {
        return m_owners.take(QStringLiteral(CLIPBOARD_OWNER), arguments, input);
    }

    // xclip offers `text` until the next owner comes; it forks, so this returns at once.
    static void copyWithXclip(const QByteArray &text)
    {
        QProcess xclip;
        xclip.start(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-i"_s});
        xclip.write(text);
        xclip.closeWriteChannel();
        xclip.waitForFinished(timeoutMs);
    }

    XcbClipboard *m_clipboard = nullptr;
    Owners m_owners;
};

int main(int argc, char **argv)
{
    return exec<XcbClipboardOwnersTest>(argc, argv);
}

#include "tst_xcbclipboardowners.moc"
