// The real X11 clipboard, with other processes (xclip, platform_helper,
// clipboard_owner) on the other side. Skipped without an X server. Built twice:
// against QtClipboard, and against XcbClipboard (CLIPBOARD_XCB), which must read
// exactly what Qt reads.
#ifdef CLIPBOARD_XCB
#include "XcbClipboard.h"
#else
#include "QtClipboard.h"
#endif

#include "X11ClipboardTest.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using namespace X11ClipboardTest;

class QtClipboardTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const char *reason = missing())
            QSKIP(reason);
#ifdef CLIPBOARD_XCB
        auto opened = XcbClipboard::open(this);
        auto *clipboard = std::get_if<std::unique_ptr<XcbClipboard>>(&opened);
        if (!clipboard)
            QFAIL(qPrintable(std::get<QString>(opened)));
        m_clipboard = clipboard->release();
#else
        auto *clipboard = new QtClipboard(this);
        QVERIFY(clipboard->cachesReads());
        m_clipboard = clipboard;
#endif
    }

    void init()
    {
        // A known start, so that waiting for a change cannot succeed too early.
        m_clipboard->writeText(u"start of test"_s);
    }

    void cleanup()
    {
        m_owners.clear();
    }

    // Reading what others copied

    void textCopiedElsewhere_readBackExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << u"hello clipboard"_s;
        QTest::newRow("spaces and line ends kept") << u"  indented\r\n\ttab\ntrailing  \n"_s;
        QTest::newRow("beyond ASCII") << u"Grüße, 日本語, 👍🏽, e\u0301"_s;
        QTest::newRow("a megabyte") << u"0123456789abcdef"_s.repeated(64 * 1024);
    }

    void textCopiedElsewhere_readBackExactly()
    {
        QFETCH(QString, text);
        offerWithXclip(text.toUtf8());
        QVERIFY2(readsSoon(text), describe(m_clipboard->readText()));
    }

    void emptyTextCopied_readsEmptyString_notNone()
    {
        offerWithXclip({});
        QVERIFY2(readsSoon(QString()), describe(m_clipboard->readText()));
        QVERIFY(m_clipboard->readText().has_value());
    }

    void onlyAnImageCopied_readsNone()
    {
        offerWithXclip(QByteArray("\x89PNG\r\n\x1a\n", 8), u"image/png"_s);
        QVERIFY2(readsSoon(std::nullopt), describe(m_clipboard->readText()));
    }

    void ownerQuits_readsNone()
    {
        QProcess &owner = offerWithXclip("going away");
        QVERIFY(readsSoon(u"going away"_s));
        owner.kill();
        QVERIFY2(readsSoon(std::nullopt), describe(m_clipboard->readText()));
    }

    // Bytes as owners really send them, read by the one text policy whichever way
    // the clipboard is reached: NULs inside and invalid UTF-8 kept as
    // QString::fromUtf8 keeps them, every NUL at the end dropped, the best text
    // target chosen whatever its case.
    void ownersBytes_readAsQtReadsThem_data()
    {
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<QString>>("expected");
        const QStringList utf8{u"UTF8_STRING"_s};
        QTest::newRow("NULs inside")
            << utf8 << QByteArray("a\0b\0\0c", 6) << std::optional(QString(u"a\0b\0\0c"_s));
        QTest::newRow("one terminating NUL dropped")
            << utf8 << QByteArray("text\0", 5) << std::optional(u"text"_s);
        QTest::newRow("two terminating NULs, both dropped")
            << utf8 << QByteArray("text\0\0", 6) << std::optional(u"text"_s);
        QTest::newRow("only a NUL") << utf8 << QByteArray("\0", 1) << std::optional(QString());
        const QByteArray invalid("ok \xff\xfe bad \xc3 end \xe2\x82", 18);
        QTest::newRow("invalid UTF-8")
            << utf8 << invalid << std::optional(QString::fromUtf8(invalid));
        QTest::newRow("byte order mark")
            << utf8 << QByteArray("\xef\xbb\xbfmarked") << std::optional(u"marked"_s);
        QTest::newRow("STRING is Latin-1")
            << QStringList{u"STRING"_s} << QByteArray("caf\xe9\0") << std::optional(u"caf\u00e9"_s);
        QTest::newRow("TEXT is Latin-1")
            << QStringList{u"TEXT"_s} << QByteArray("na\xefve") << std::optional(u"na\u00efve"_s);
        QTest::newRow("UTF8_STRING before STRING")
            << QStringList{u"STRING"_s, u"UTF8_STRING"_s} << QByteArray("\xc3\xa9")
            << std::optional(u"\u00e9"_s);
        QTest::newRow("text/plain")
            << QStringList{u"text/plain"_s} << QByteArray("plain\0") << std::optional(u"plain"_s);
        QTest::newRow("text/plain;charset=utf-8 before text/plain")
            << QStringList{u"text/plain;charset=utf-8==taken first"_s, u"text/plain"_s}
            << QByteArray("plain") << std::optional(u"taken first"_s);
        QTest::newRow("only text/plain;charset=utf-8: read")
            << QStringList{u"text/plain;charset=utf-8"_s} << QByteArray("read")
            << std::optional(u"read"_s);
        QTest::newRow("type names in any case")
            << QStringList{u"Text/Plain ; Charset=UTF-8"_s} << QByteArray("any case")
            << std::optional(u"any case"_s);
        QTest::newRow("only a URL list: its URLs")
            << QStringList{u"text/uri-list"_s}
            << QByteArray("https://a.example/x\r\nfile:///tmp/a%20b\n\0", 39)
            << std::optional(u"https://a.example/x\nfile:///tmp/a b\n"_s);
        QTest::newRow("only one URL: no line end")
            << QStringList{u"text/uri-list"_s} << QByteArray("https://a.example/x\n")
            << std::optional(u"https://a.example/x"_s);
        QTest::newRow("only a URL list of no URLs")
            << QStringList{u"text/uri-list"_s} << QByteArray("# comment\nnot a url at all\n")
            << std::optional(u"# comment\nnot a url at all\n"_s);
        QTest::newRow("only HTML")
            << QStringList{u"text/html"_s} << QByteArray("<b>x</b>") << std::optional<QString>();
    }

    void ownersBytes_readAsQtReadsThem()
    {
        QFETCH(QStringList, targets);
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<QString>, expected);
        offerWithOwner(targets, bytes);
        QVERIFY2(readsSoon(expected), describe(m_clipboard->readText()));
    }

    void passwordManagerHint_secretWhateverItsCaseAndSpaces_data()
    {
        QTest::addColumn<QString>("hint");
        QTest::addColumn<std::optional<QString>>("expected");
        for (const QString &secret : {u"secret"_s, u"secret\n"_s, u"secret "_s, u"SECRET"_s})
            QTest::addRow("%s", secret.toUtf8().toPercentEncoding().constData())
                << secret << std::optional<QString>();
        QTest::newRow("public") << u"public"_s << std::optional(u"not a password"_s);
    }

    void passwordManagerHint_secretWhateverItsCaseAndSpaces()
    {
        QFETCH(QString, hint);
        QFETCH(std::optional<QString>, expected);
        // A text read first, so that "none" can only come from the helper's copy.
        offerWithXclip("before the helper");
        QVERIFY(readsSoon(u"before the helper"_s));
        offerWithHelper(hint, u"not a password"_s);
        QVERIFY2(readsSoon(expected), describe(m_clipboard->readText()));
        // Left out for its hint alone: the helper does own the clipboard and serve the text.
        QCOMPARE(readWithXclip(), std::optional(QByteArray("not a password")));
    }

    // Remembering the last text

    void unchangedClipboard_readRepeatedly_ownerAskedOnlyOnce()
    {
        QProcess &owner = offerWithXclip("asked once");
        QVERIFY(readsSoon(u"asked once"_s));
        const int served = requestsServed(owner);
        QVERIFY(served > 0);
        for (int i = 0; i < 20; ++i)
            QCOMPARE(m_clipboard->readText(), std::optional(u"asked once"_s));
        QTest::qWait(200);
        QCOMPARE(requestsServed(owner), served);
    }

    void rememberedText_replacedElsewhere_newTextAfterChangeNotice()
    {
        offerWithXclip("first");
        QVERIFY(readsSoon(u"first"_s));
        QSignalSpy changes(m_clipboard, &Clipboard::changed);
        offerWithXclip("second");
        QTRY_VERIFY_WITH_TIMEOUT(!changes.isEmpty(), timeoutMs);
        QVERIFY2(readsSoon(u"second"_s), describe(m_clipboard->readText()));
    }

    void ownWriteAfterRemembering_readGivesTheNewTextAtOnce()
    {
        offerWithXclip("from elsewhere");
        QVERIFY(readsSoon(u"from elsewhere"_s));
        // No event processing in between: the remembered text must not be served.
        m_clipboard->writeText(u"ours"_s);
        QCOMPARE(m_clipboard->readText(), std::optional(u"ours"_s));
        m_clipboard->clear();
        QCOMPARE(m_clipboard->readText(), std::nullopt);
    }

    // Writing

    void writeText_othersReadExactlyThatText()
    {
        offerWithXclip("earlier");
        QVERIFY(readsSoon(u"earlier"_s));
        const QString text = u"copied back: Grüße 👍🏽\n\tend "_s;
        m_clipboard->writeText(text);
        QCOMPARE(m_clipboard->readText(), std::optional(text));
        const std::optional<QByteArray> seen = readWithXclip();
        QVERIFY2(seen == text.toUtf8(), describe(seen));
    }

    void clear_othersFindNothing_readsNone()
    {
        m_clipboard->writeText(u"to be cleared"_s);
        QCOMPARE(readWithXclip(), std::optional(QByteArray("to be cleared")));
        m_clipboard->clear();
        QCOMPARE(m_clipboard->readText(), std::nullopt);
        const std::optional<QByteArray> seen = readWithXclip();
        QVERIFY2(!seen, describe(seen));
    }

private:
    bool readsSoon(const std::optional<QString> &expected)
    {
        return X11ClipboardTest::readsSoon(*m_clipboard, expected);
    }

    // An xclip that owns the clipboard with `data` as `target` until killed.
    QProcess &offerWithXclip(const QByteArray &data, const QString &target = u"UTF8_STRING"_s)
    {
        return m_owners.offer(
            u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-i"_s, u"-quiet"_s, u"-t"_s, target},
            data);
    }

    // clipboard_owner offering `bytes` as each of `targets`, ready when it returns.
    QProcess &offerWithOwner(const QStringList &targets, const QByteArray &bytes)
    {
        return m_owners.take(QStringLiteral(CLIPBOARD_OWNER), QStringList{u"serve"_s} + targets,
                             bytes);
    }

    QProcess &offerWithHelper(const QString &hint, const QString &text)
    {
        return m_owners.take(QStringLiteral(PLATFORM_HELPER), {u"offer"_s, hint, text}, {});
    }

    // How many requests xclip has answered, from the line it prints after each.
    // xclip prints that line after it has sent the text, so a reader that has the
    // text may still be ahead of the line: the count is taken once xclip has been
    // quiet for a while.
    static int requestsServed(QProcess &xclip)
    {
        QByteArray said = xclip.property("said").toByteArray();
        xclip.setReadChannel(QProcess::StandardError);
        do
            said += xclip.readAllStandardError();
        while (xclip.waitForReadyRead(500));
        xclip.setProperty("said", said);
        return int(said.count("selection request number"));
    }

    // `xclip -o`, run while this process keeps serving its own clipboard.
    static std::optional<QByteArray> readWithXclip()
    {
        QProcess reader;
        reader.start(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s});
        QDeadlineTimer deadline(timeoutMs);
        while (reader.state() != QProcess::NotRunning && !deadline.hasExpired())
            QTest::qWait(10);
        if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0)
            return std::nullopt;
        return reader.readAllStandardOutput();
    }

    Clipboard *m_clipboard = nullptr;
    Owners m_owners;
};

int main(int argc, char **argv)
{
    return exec<QtClipboardTest>(argc, argv);
}

#include "tst_qtclipboard.moc"
