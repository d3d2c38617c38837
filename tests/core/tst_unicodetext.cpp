#include "GuardedText.h"
#include "RowText.h"
#include "UnicodeText.h"
#include "UnitScan.h"

#include <QLocale>
#include <QTest>
#include <QTextBoundaryFinder>

#include <array>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Every boundary of the whole text after 0, as the reference the shortcuts must agree with.
std::vector<qsizetype> allGraphemeEnds(const QString &text)
{
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        ends.push_back(at);
    return ends;
}

// Small fixed generator: the same texts on every run.
class Picker final
{
public:
    std::size_t below(std::size_t n)
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return std::size_t(m_state >> 33) % n;
    }

private:
    std::uint64_t m_state = 0x7e57;
};

} // namespace

// The shared text helpers: canonical form, user-perceived characters, case
// folding, and the scan for a few units.
class UnicodeTextTest final : public QObject
{
    Q_OBJECT

private slots:
    void nextCodePoint_joinsPairsAndKeepsLoneSurrogates()
    {
        const QString text = u"a\U0001F44D"_s + QChar(0xD83D) + u"b"_s + QChar(0xDC4D);
        qsizetype i = 0;
        QCOMPARE(nextCodePoint(text, &i), U'a');
        QCOMPARE(i, 1);
        QCOMPARE(nextCodePoint(text, &i), U'\U0001F44D');
        QCOMPARE(i, 3);
        QCOMPARE(nextCodePoint(text, &i), char32_t(0xD83D));
        QCOMPARE(i, 4);
        QCOMPARE(nextCodePoint(text, &i), U'b');
        QCOMPARE(nextCodePoint(text, &i), char32_t(0xDC4D));
        QCOMPARE(i, text.size());
        // A high surrogate at the very end stands for itself.
        const QString cut = u"x"_s + QChar(0xD83D);
        i = 1;
        QCOMPARE(nextCodePoint(cut, &i), char32_t(0xD83D));
        QCOMPARE(i, 2);
    }

    void canonicalForm_isNfcAndSharesStorageWhenAlreadyNfc_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("ascii") << u"plain text"_s;
        QTest::newRow("latin-1 precomposed") << u"caf\u00E9 cr\u00E8me"_s;
        QTest::newRow("just below U+0300") << u"a\u02FF"_s;
        QTest::newRow("decomposed") << u"cafe\u0301"_s;
        QTest::newRow("marks out of order") << u"a\u0302\u0323"_s;
        QTest::newRow("Kelvin sign") << u"\u212A"_s;
        QTest::newRow("Hangul syllable") << u"\uAC00"_s;
        QTest::newRow("Hangul jamo") << u"\u1100\u1161"_s;
        QTest::newRow("Hangul jamo, three to one") << u"\u1100\u1161\u11A8"_s;
        // Alpha with three marks: four units that compose to one, the most there is.
        QTest::newRow("Greek, four to one") << u"\u03B1\u0313\u0300\u0345"_s.repeated(3);
        QTest::newRow("emoji") << u"\U0001F44D\U0001F3FD"_s;
    }
    void canonicalForm_isNfcAndSharesStorageWhenAlreadyNfc()
    {
        QFETCH(QString, text);
        const QString nfc = text.normalized(QString::NormalizationForm_C);
        QCOMPARE(canonicalForm(text), nfc);
        const bool alreadyNfc = nfc == text;
        QCOMPARE(isCanonical(text), alreadyNfc);
        if (alreadyNfc)
            QCOMPARE(canonicalForm(text).constData(), text.constData());
        QVERIFY(canonicallyEqual(text, nfc));
        QVERIFY(canonicallyEqual(nfc, text.normalized(QString::NormalizationForm_D)));
        // Only a unit from U+0300 on can make a text other than its NFC.
        if (!mayNeedComposing(text))
            QVERIFY(alreadyNfc);
    }

    void mayNeedComposing_looksForUnitsFromU0300()
    {
        QVERIFY(!mayNeedComposing(u""));
        QVERIFY(!mayNeedComposing(QString(1000, u'a') + u"\u00FF\u02FF"_s));
        QVERIFY(mayNeedComposing(QString(1000, u'a') + u"\u0300"_s));
        QVERIFY(mayNeedComposing(u"\u0300"_s + QString(1000, u'a')));
        QVERIFY(mayNeedComposing(u"\U0001F44D"));
        QVERIFY(!canonicallyEqual(u"e"_s, u"E"_s));
        QVERIFY(!canonicallyEqual(u"e"_s, u"\u00E9"_s));
        QVERIFY(!canonicallyEqual(u"e"_s, QString()));
    }

    void leadingGraphemeEnds_agreesWithWholeTextSegmentation()
    {
        // Clusters of every length and kind, shifted so that surrogate pairs and
        // long clusters fall across every place the prefix windows end.
        const QString mixed = u"a\u0301b\r\n\U0001F44D\U0001F3FD\u00E9e\u20DD\U0001F1E9\U0001F1EA"
                              u"\U0001F1EB\U0001F1F7\u1100\u1161x\U0001F468\u200D\U0001F469"
                              u"o\u0301\u0302\u0303\u0304\u0305\u0306 "_s;
        for (qsizetype shift = 0; shift < 40; ++shift) {
            const QString text = QString(shift, u'.') + mixed.repeated(6);
            const std::vector<qsizetype> expected = allGraphemeEnds(text);
            for (const qsizetype count : {0, 1, 2, 7, 8, 9, 31, 60, 100, 1000}) {
                const GraphemeEnds ends = leadingGraphemeEnds(text, count);
                const std::size_t wanted = std::min(std::size_t(count), expected.size());
                QCOMPARE(std::size_t(ends.size()), wanted);
                for (std::size_t i = 0; i < wanted; ++i)
                    QCOMPARE(ends[qsizetype(i)], expected[i]);
            }
        }
    }

    // Its shortcut for texts of characters that stand alone must cut where the
    // segmentation does, next to whatever can join a cluster. (Thai is left out:
    // Qt's segmentation of a Thai run splits the surrogate pairs in it.)
    void displayText_cutsWhereTheSegmentationDoes()
    {
        const QStringList pieces{u"a"_s,          u"\u00E9"_s, u"\u0436"_s, u"\u65E5"_s,
                                 u"\U0001F44D"_s, u"\t"_s,     u"\u0301"_s, u"\u200D"_s,
                                 u"\U0001F1E9"_s, u"\u1100"_s, u"\u1161"_s, u"\uAC00"_s,
                                 u"\r"_s,         u"\n"_s,     u"\u0D4E"_s, u"\uFE0F"_s,
                                 u"\U0001F3FD"_s, u"\u0600"_s, u"\u2028"_s, QString(QChar(0xD800))};
        Picker pick;
        for (int round = 0; round < 20000; ++round) {
            const qsizetype length = round % 3 == 0 ? 100 : qsizetype(1 + pick.below(6));
            // Stand-alone characters, as copied text mostly is, with one in `odds`
            // picked from all pieces.
            const std::size_t odds = std::array<std::size_t, 4>{1, 4, 60, 400}[round % 4];
            QString text;
            const qsizetype size = length + qsizetype(pick.below(std::size_t(length) + 8));
            while (text.size() < size)
                text += pieces.at(qsizetype(pick.below(odds) == 0
                                                ? pick.below(std::size_t(pieces.size()))
                                                : pick.below(6)));
            const std::vector<qsizetype> ends = allGraphemeEnds(text);
            const QString expected = qsizetype(ends.size()) <= length
                                         ? text
                                         : text.first(ends[std::size_t(length - 1)]) + u"..."_s;
            QCOMPARE(displayText(text, length), expected);
            if (length != displayTextLength)
                continue;
            // A row cut from the stored bytes is the row the panel shows, whatever
            // the bytes (overlong, surrogate, too large or cut short here and there).
            QByteArray utf8 = text.toUtf8();
            static const char *const strays[] = {"\xC0\x80",         "\xE0\x80\x80", "\xED\xA0\x80",
                                                 "\xF4\x90\x80\x80", "\x80",         "\xE2\x82"};
            if (round % 2 == 1)
                utf8.insert(qsizetype(pick.below(std::size_t(utf8.size()))),
                            strays[pick.below(std::size(strays))]);
            QByteArray row;
            appendRowLineUtf8(row, utf8);
            QCOMPARE(row, rowLineOfUtf8(utf8).toUtf8());
        }
    }

    void leadingGraphemeEnds_readsOnlyTheBeginningOfAHugeText()
    {
        const GuardedText huge(64 * 1024 * 1024, 8 * 2048, u'a');
        QVERIFY(huge.isValid());
        const GraphemeEnds ends = leadingGraphemeEnds(huge.text(), 1000);
        QCOMPARE(ends.size(), 1000);
        QCOMPARE(ends.back(), 1000);
        QVERIFY(startsWithCharacters(huge.text(), u"aaaa"));
        QVERIFY(!startsWithCharacters(huge.text(), u"www."));
    }

    void caseFolding_followsTheLocale()
    {
        QCOMPARE(caseFoldingFor(QLocale(QLocale::Turkish)), CaseFolding::Turkic);
        QCOMPARE(caseFoldingFor(QLocale(QLocale::Azerbaijani)), CaseFolding::Turkic);
        QCOMPARE(caseFoldingFor(QLocale(QLocale::English)), CaseFolding::Default);
        QCOMPARE(caseFoldingFor(QLocale(QLocale::German)), CaseFolding::Default);

        QCOMPARE(foldCase(U'I', CaseFolding::Default), U'i');
        QCOMPARE(foldCase(U'I', CaseFolding::Turkic), U'\u0131');
        QCOMPARE(foldCase(U'\u0130', CaseFolding::Turkic), U'i');
        QCOMPARE(foldCase(U'i', CaseFolding::Turkic), U'i');
        QCOMPARE(foldCase(U'A', CaseFolding::Turkic), U'a');
        for (const CaseFolding folding : {CaseFolding::Default, CaseFolding::Turkic}) {
            QCOMPARE(foldCase(U'Z', folding), U'z');
            QCOMPARE(foldCase(U'z', folding), U'z');
            QCOMPARE(foldCase(U'@', folding), U'@');
            QCOMPARE(foldCase(U'[', folding), U'[');
            QCOMPARE(foldCase(U'\u03A3', folding), U'\u03C3');         // capital sigma
            QCOMPARE(foldCase(U'\u03C2', folding), U'\u03C3');         // final sigma
            QCOMPARE(foldCase(U'\u1E9E', folding), U'\u00DF');         // capital sharp s
            QCOMPARE(foldCase(U'\U00010400', folding), U'\U00010428'); // Deseret
            QCOMPARE(foldCase(U'\u00E9', folding), U'\u00E9');
        }
    }

    void unitScan_findsWhatAPlainLoopFinds()
    {
        const std::array<char16_t, 9> alphabet{u'a',      u'b',   u'\n',  u'\r', u'\u2029',
                                               u'\u00E9', 0xD83D, 0xDC4D, u' '};
        Picker pick;
        QString text;
        for (int i = 0; i < 700; ++i)
            text += QChar(alphabet[pick.below(alphabet.size())]);
        // Long stretches without a hit, where the scan goes eight units at a time.
        text.insert(300, QString(97, u'x'));
        const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
        const qsizetype size = text.size();

        const std::vector<std::vector<char16_t>> sets{
            {u'\n'}, {u'a', u'b'}, {u'\n', u'\r', u'\u2029'}, {u'\u00E9', 0xD83D, u'b', u' '},
            {u'x'},  {u'z'}};
        for (const auto &set : sets) {
            const UnitScan scan(set.data(), set.size());
            for (const char16_t unit : alphabet) {
                const bool inSet = std::find(set.begin(), set.end(), unit) != set.end();
                QCOMPARE(scan.contains(unit), inSet);
            }
            for (qsizetype from = 0; from <= size; from += 1 + from / 50) {
                for (const qsizetype to : {from, from + 1, from + 7, from + 8, from + 9, size}) {
                    if (to > size)
                        continue;
                    qsizetype expected = from;
                    while (expected < to &&
                           std::find(set.begin(), set.end(), units[expected]) == set.end())
                        ++expected;
                    QCOMPARE(scan.find(units, from, to), expected);
                }
            }
        }
    }

    void findUnitAtLeast_findsWhatAPlainLoopFinds()
    {
        Picker pick;
        QString text;
        for (int i = 0; i < 600; ++i)
            text += QChar(char16_t(pick.below(8) == 0 ? 0x2FF + pick.below(3) : pick.below(0x2FF)));
        text.insert(200, QString(50, u'\u00FF'));
        text += QChar(0xFFFF);
        const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
        const qsizetype size = text.size();
        for (const char16_t least : {char16_t(0x300), char16_t(0x2FF), char16_t(0x8000),
                                     char16_t(0xFFFF), char16_t(1), char16_t(0)}) {
            for (qsizetype from = 0; from <= size; from += 1 + from / 40) {
                for (const qsizetype to : {from, from + 3, from + 8, from + 17, size}) {
                    if (to > size)
                        continue;
                    qsizetype expected = from;
                    while (expected < to && units[expected] < least)
                        ++expected;
                    QCOMPARE(findUnitAtLeast(units, from, to, least), expected);
                }
            }
        }
    }

    void unitScan_readsNothingPastTheEnd()
    {
        const GuardedText guarded(4 * 2048, 2048, u'a');
        QVERIFY(guarded.isValid());
        const auto *units = reinterpret_cast<const char16_t *>(guarded.text().constData());
        const UnitScan scan{u'\n', u'\r'};
        for (qsizetype from = 0; from < 16; ++from)
            QCOMPARE(scan.find(units, from, 2048), 2048);
        QCOMPARE(scan.find(units, 2040, 2045), 2045);
        for (qsizetype from = 0; from < 16; ++from)
            QCOMPARE(findUnitAtLeast(units, from, 2048, u'b'), 2048);
        QVERIFY(!mayNeedComposing(guarded.text().first(2048)));
    }
};

QTEST_GUILESS_MAIN(UnicodeTextTest)
#include "tst_unicodetext.moc"
