// A text decoded in pieces must come out exactly as decoding it whole does.
#include "ClipboardTextDecoder.h"

#include <QRandomGenerator>
#include <QTest>

using Encoding = ClipboardTextDecoder::Encoding;

namespace {

QString decodeInPieces(const QByteArray &bytes, Encoding encoding, QRandomGenerator &random)
{
    ClipboardTextDecoder decoder(encoding);
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype n = std::min<qsizetype>(bytes.size() - at, random.bounded(1, 40));
        decoder.append(QByteArrayView(bytes).sliced(at, n));
        at += n;
    }
    return decoder.finish();
}

QString decodeWhole(QByteArray bytes, Encoding encoding)
{
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    return encoding == Encoding::Utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

} // namespace

class ClipboardTextDecoderTest final : public QObject
{
    Q_OBJECT

private slots:
    void randomBytesInRandomPieces_sameAsWhole_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::newRow("UTF-8 less trailing NULs") << int(Encoding::Utf8);
        QTest::newRow("Latin-1 less trailing NULs") << int(Encoding::Latin1);
    }

    void randomBytesInRandomPieces_sameAsWhole()
    {
        QFETCH(int, encoding);
        // Valid and broken sequences, byte order marks, NULs and ASCII mixed, so
        // that pieces end inside sequences and at every kind of byte.
        const QByteArray parts[] = {"a",    "\xc3\xa9",     "\xe6\x97\xa5", "\xf0\x9f\x91\x8d",
                                    "\0",   "\xef\xbb\xbf", "\xff",         "\xc3",
                                    "\x82", "\xe2\x82",     "\n",           "\xed\xa0\x80"};
        QRandomGenerator random(12345);
        for (int round = 0; round < 500; ++round) {
            QByteArray bytes;
            const int count = random.bounded(0, 60);
            for (int i = 0; i < count; ++i) {
                const QByteArray &part = parts[random.bounded(int(std::size(parts)))];
                bytes += part.isEmpty() ? QByteArray(1, '\0') : part;
            }
            const auto as = static_cast<Encoding>(encoding);
            QCOMPARE(decodeInPieces(bytes, as, random), decodeWhole(bytes, as));
            // A byte at a time, so that runs of NULs at the end span pieces too.
            ClipboardTextDecoder bytewise(as);
            for (const char byte : std::as_const(bytes))
                bytewise.append(QByteArrayView(&byte, 1));
            QCOMPARE(bytewise.finish(), decodeWhole(bytes, as));
        }
    }

    void nothingAppended_emptyText()
    {
        ClipboardTextDecoder decoder(Encoding::Utf8);
        QVERIFY(decoder.finish().isEmpty());
    }

    void longTextWithoutAscii_keptWhole()
    {
        const QByteArray bytes = QByteArray("\xe6\x97\xa5").repeated(100000);
        ClipboardTextDecoder decoder(Encoding::Utf8);
        for (qsizetype at = 0; at < bytes.size(); at += 4096)
            decoder.append(
                QByteArrayView(bytes).sliced(at, std::min<qsizetype>(4096, bytes.size() - at)));
        QCOMPARE(decoder.finish(), QString(100000, QChar(0x65e5)));
    }
};

QTEST_APPLESS_MAIN(ClipboardTextDecoderTest)
#include "tst_clipboardtextdecoder.moc"
