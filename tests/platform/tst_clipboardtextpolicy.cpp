// Which offered types are read as text, in which order, when a hint marks a copy
// as secret, and how bytes become text: the rules every clipboard reader follows.
#include "ClipboardTextPolicy.h"

#include <QTest>

#include <algorithm>
#include <numeric>

using Encoding = ClipboardTextDecoder::Encoding;

namespace {

// "name as offered/utf8", in the order chosen.
QByteArrayList describe(const QList<ClipboardTextPolicy::TextType> &types,
                        const QList<QByteArray> &offered)
{
    static const char *const encodings[] = {"utf8", "latin1", "urls"};
    QByteArrayList described;
    for (const ClipboardTextPolicy::TextType &type : types) {
        // The index must lead back to the very type named.
        const QByteArray at = offered.value(type.offeredAt) == type.name ? "" : "(wrong index)";
        described.append(type.name + at + '/' + encodings[int(type.encoding)]);
    }
    return described;
}

} // namespace

class ClipboardTextPolicyTest final : public QObject
{
    Q_OBJECT

private slots:
    void textTypes_offeredInAnyOrder_sameChoice_data()
    {
        QTest::addColumn<QList<QByteArray>>("offered");
        QTest::addColumn<QByteArrayList>("expected");
        QTest::newRow("every text type, best first")
            << QList<QByteArray>{"TEXT",
                                 "text/plain",
                                 "STRING",
                                 "UTF8_STRING",
                                 "text/plain;charset=utf-8",
                                 "text/uri-list",
                                 "TARGETS"}
            << QByteArrayList{"UTF8_STRING/utf8", "text/plain;charset=utf-8/utf8",
                              "text/plain/utf8", "STRING/latin1", "TEXT/latin1"};
        QTest::newRow("case and spaces around ';', as offered")
            << QList<QByteArray>{"image/png", "Text/Plain ; Charset=UTF-8", "utf8_string"}
            << QByteArrayList{"utf8_string/utf8", "Text/Plain ; Charset=UTF-8/utf8"};
        QTest::newRow("another charset is not utf-8")
            << QList<QByteArray>{"text/plain;charset=iso-8859-1", "text/plain"}
            << QByteArrayList{"text/plain/utf8"};
        QTest::newRow("X11's Latin-1 alone")
            << QList<QByteArray>{"TARGETS", "string"} << QByteArrayList{"string/latin1"};
        QTest::newRow("html and plain")
            << QList<QByteArray>{"text/html", "text/plain"} << QByteArrayList{"text/plain/utf8"};
        QTest::newRow("a URL list only without text")
            << QList<QByteArray>{"image/png", "text/html", "Text/URI-List"}
            << QByteArrayList{"Text/URI-List/urls"};
        QTest::newRow("no text") << QList<QByteArray>{"image/png", "text/html",
                                                      "x-kde-"
                                                      "passwordManagerHint"}
                                 << QByteArrayList{};
        QTest::newRow("nothing") << QList<QByteArray>{} << QByteArrayList{};
    }

    void textTypes_offeredInAnyOrder_sameChoice()
    {
        QFETCH(QList<QByteArray>, offered);
        QFETCH(QByteArrayList, expected);
        QList<qsizetype> order(offered.size());
        std::iota(order.begin(), order.end(), 0);
        do {
            QList<QByteArray> shuffled;
            for (const qsizetype i : std::as_const(order))
                shuffled.append(offered.at(i));
            QCOMPARE(describe(ClipboardTextPolicy::textTypes(shuffled), shuffled), expected);
        } while (std::next_permutation(order.begin(), order.end()));
    }

    void passwordManagerHint_foundInAnyCase_secretWhateverTheSpaces()
    {
        QCOMPARE(ClipboardTextPolicy::hintType({"text/plain", "x-kde-passwordManagerHint"}),
                 std::optional<qsizetype>(1));
        QCOMPARE(ClipboardTextPolicy::hintType({"X-KDE-PASSWORDMANAGERHINT", "text/plain"}),
                 std::optional<qsizetype>(0));
        QCOMPARE(ClipboardTextPolicy::hintType({"text/plain", "x-kde-other"}), std::nullopt);
        for (const char *secret : {"secret", "secret\n", "secret ", "SECRET", " Secret\r\n"})
            QVERIFY2(ClipboardTextPolicy::hintSaysSecret(secret), secret);
        for (const char *open : {"public", "", "secrets", "sec ret", "not secret"})
            QVERIFY2(!ClipboardTextPolicy::hintSaysSecret(open), open);
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("expected");
        const int utf8 = int(Encoding::Utf8);
        QTest::newRow("NULs inside kept")
            << QByteArray("a\0b\0\0c", 6) << utf8 << QString::fromUtf8("a\0b\0\0c", 6);
        QTest::newRow("every trailing NUL dropped")
            << QByteArray("text\0\0\0", 7) << utf8 << QStringLiteral("text");
        QTest::newRow("only NULs") << QByteArray("\0\0", 2) << utf8 << QString();
        const QByteArray invalid("ok \xff\xfe bad \xc3 end \xe2\x82", 18);
        QTest::newRow("invalid UTF-8 replaced")
            << invalid << utf8 << QStringLiteral("ok \ufffd\ufffd bad \ufffd end \ufffd\ufffd");
        QTest::newRow("leading byte order mark dropped, a later one kept")
            << QByteArray("\xef\xbb\xbfmarked \xef\xbb\xbf") << utf8
            << QStringLiteral("marked \ufeff");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9\0") << int(Encoding::Latin1)
                                 << QStringLiteral("caf\u00e9");
        QTest::newRow("URL list as its URLs")
            << QByteArray("https://a.example/x\r\nfile:///tmp/a%20b\n\0\0", 40)
            << int(Encoding::UriList) << QStringLiteral("https://a.example/x\nfile:///tmp/a b\n");
    }

    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(QString, expected);
        QCOMPARE(ClipboardTextPolicy::decode(bytes, static_cast<Encoding>(encoding)), expected);
    }
};

QTEST_APPLESS_MAIN(ClipboardTextPolicyTest)
#include "tst_clipboardtextpolicy.moc"
