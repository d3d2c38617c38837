#include "TextSearch.h"

#include <QTest>
#include <QTextBoundaryFinder>

using namespace Qt::StringLiterals;

// The search field's matching: case, canonical equivalence, accents and
// user-perceived characters.
class TextSearchTest final : public QObject
{
    Q_OBJECT

private slots:
    void emptyNeedle_matchesEverything()
    {
        const TextSearch search;
        QVERIFY(search.isEmpty());
        QVERIFY(search.matches(QString()));
        QVERIFY(search.matches(u"anything"_s));
    }

    void caseDiffers_matchesAtStartMiddleAndEnd_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("expected");
        QTest::newRow("start") << u"ABC and more"_s << true;
        QTest::newRow("middle") << u"xxABCxx"_s << true;
        QTest::newRow("end") << u"the end ABC"_s << true;
        QTest::newRow("exactly Abc") << u"Abc"_s << true;
        QTest::newRow("mixed") << u"aBc"_s << true;
        QTest::newRow("split by a blank") << u"ab c"_s << false;
        QTest::newRow("only a prefix") << u"xxab"_s << false;
        QTest::newRow("empty item") << QString() << false;
    }
    void caseDiffers_matchesAtStartMiddleAndEnd()
    {
        QFETCH(QString, item);
        QFETCH(bool, expected);
        QCOMPARE(TextSearch(u"abc"_s).matches(item), expected);
    }

    void upperCaseNeedle_matchesLowerCaseItem()
    {
        QVERIFY(TextSearch(u"HELLO"_s).matches(u"say hello"_s));
        QVERIFY(TextSearch(u"Σ"_s).matches(u"ς and σ"_s));
        QVERIFY(TextSearch(u"straße"_s).matches(u"STRAẞE"_s));
    }

    void plainLetter_doesNotMatchAccentedLetter_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("expected");
        QTest::newRow("e in precomposed é") << u"e"_s << u"caf\u00e9"_s << false;
        QTest::newRow("e in decomposed é") << u"e"_s << u"cafe\u0301"_s << false;
        QTest::newRow("E in decomposed É") << u"e"_s << u"E\u0301T\u00c9"_s << false;
        QTest::newRow("decomposed é finds precomposed") << u"e\u0301"_s << u"caf\u00e9"_s << true;
        QTest::newRow("precomposed é finds decomposed") << u"\u00e9"_s << u"cafe\u0301"_s << true;
        QTest::newRow("é finds É") << u"\u00e9"_s << u"CAF\u00c9"_s << true;
        QTest::newRow("é does not find e") << u"\u00e9"_s << u"cafe"_s << false;
        QTest::newRow("e with no precomposed mark") << u"a"_s << u"a\u20dd"_s << false;
        QTest::newRow("plain e next to é") << u"e"_s << u"\u00e9e"_s << true;
        QTest::newRow("reordered marks") << u"q\u0323\u0301"_s << u"xq\u0301\u0323"_s << true;
        QTest::newRow("expands in NFC") << u"\u0915\u093c"_s << u"\u0958"_s << true;
    }
    void plainLetter_doesNotMatchAccentedLetter()
    {
        QFETCH(QString, needle);
        QFETCH(QString, item);
        QFETCH(bool, expected);
        QCOMPARE(TextSearch(needle).matches(item), expected);
    }

    void matchInsideCluster_isRejected_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("expected");
        const QString thumbsUpMedium = u"\U0001F44D\U0001F3FD"_s;
        QTest::newRow("emoji without its modifier") << u"\U0001F44D"_s << thumbsUpMedium << false;
        QTest::newRow("emoji with its modifier")
            << thumbsUpMedium << (u"ok "_s + thumbsUpMedium) << true;
        QTest::newRow("half of a flag") << u"\U0001F1E9"_s << u"\U0001F1E9\U0001F1EA"_s << false;
        QTest::newRow("second flag of two")
            << u"\U0001F1EB\U0001F1F7"_s << u"\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7"_s << true;
        QTest::newRow("flag straddling two")
            << u"\U0001F1EA\U0001F1EB"_s << u"\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7"_s << false;
        QTest::newRow("CR of CR LF") << u"a\r"_s << u"a\r\nb"_s << false;
        QTest::newRow("whole CR LF") << u"a\r\n"_s << u"a\r\nb"_s << true;
        QTest::newRow("Hangul jamo without its vowel")
            << u"\u1100"_s << u"\u1100\u1161\u11a8"_s << false;
        QTest::newRow("ZWJ family member")
            << u"\U0001F469"_s << u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_s << false;
    }
    void matchInsideCluster_isRejected()
    {
        QFETCH(QString, needle);
        QFETCH(QString, item);
        QFETCH(bool, expected);
        QCOMPARE(TextSearch(needle).matches(item), expected);
    }

    void longRunOfFlags_keepsPairsAcrossTheWindow()
    {
        // Pairs of regional indicators are counted from the run's start, which lies
        // far before the match.
        QString flags;
        for (int i = 0; i < 200; ++i)
            flags += u"\U0001F1E9\U0001F1EA"_s;
        QVERIFY(TextSearch(u"\U0001F1E9\U0001F1EA"_s).matches(flags));
        QVERIFY(!TextSearch(u"\U0001F1EA\U0001F1E9"_s).matches(flags));
    }

    void turkishLocale_foldsDottedAndDotlessI()
    {
        const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
        QVERIFY(TextSearch(u"i"_s, turkish).matches(u"\u0130STANBUL"_s));
        QVERIFY(!TextSearch(u"i"_s, turkish).matches(u"IRMAK"_s));
        QVERIFY(TextSearch(u"\u0131"_s, turkish).matches(u"IRMAK"_s));
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QVERIFY(TextSearch(u"i"_s, english).matches(u"IRMAK"_s));
    }

    void textReadAsUtf8_matchesAsDecoded()
    {
        const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        // Split at '|': ASCII, texts plainly in NFC, and texts that are not.
        const QStringList texts =
            u"|a|ABC and more|xxab|IRMAK|irmak|a\r\nb|\r\n\r\n|kelvin|sss ss s|tail abA|aaab|"
            u"caf\u00e9 abc|\u00e9a\u00e9|a\u20dd ab|\u0600ab|\u0130stanbul|lo\u017fs|"
            u"cafe\u0301 abc|\U0001F44Dab\u200d|\u65e5\u672c abc\r|\u00e9\u212a\u037e"_s.split(
                u'|');
        const QStringList needles =
            u"a|abc|AB|i|I|\u0131|\u212a|k|;|\u00e9|\r|\n|\r\n|b\r|\nb|aab|ss|"
            u"abA| |longer than any"_s.split(u'|');
        int answered = 0;
        for (const QLocale &locale : {english, turkish}) {
            for (const QString &needle : needles) {
                const TextSearch search(needle, locale);
                for (const QString &text : texts) {
                    const bool expected = search.matches(text);
                    for (const bool known : {false, TextSearch::isCanonical(text)}) {
                        const std::optional<bool> read = search.matchesUtf8(text.toUtf8(), known);
                        QVERIFY2(!read || *read == expected, qPrintable(needle + u" in "_s + text));
                        answered += read ? 1 : 0;
                    }
                }
            }
        }
        // Read so: every ASCII text, and a text plainly in NFC for an ASCII needle.
        QVERIFY(answered > 1000);
        QCOMPARE(TextSearch(u"ab"_s).matchesUtf8(u"caf\u00e9 ab"_s.toUtf8()), std::optional(true));
        QCOMPARE(TextSearch(u"\u212a"_s).matchesUtf8("OK"), std::optional(true));
        QCOMPARE(TextSearch(u"\u00e9"_s).matchesUtf8(u"caf\u00e9"_s.toUtf8()), std::nullopt);
        QCOMPARE(TextSearch(u"s"_s).matchesUtf8(u"lo\u017fs"_s.toUtf8()), std::nullopt);
        // Otherwise only a text holding no character the needle can start with is told.
        QCOMPARE(
            TextSearch(u"\u0416"_s).matchesUtf8(u"\u0434\u0430\u043d\u043d\u044b\u0435"_s.toUtf8()),
            std::optional(false));
        QCOMPARE(TextSearch(u"\u0416"_s).matchesUtf8(u"\u0436\u0443\u043a"_s.toUtf8()),
                 std::nullopt);
    }

    void caseFolding_neverLeavesAPlane()
    {
        // The matcher relies on this to pick the units a match can start with.
        for (char32_t c = 0; c <= 0x10FFFF; ++c) {
            if (c >= 0xD800 && c < 0xE000)
                continue;
            if ((c > 0xFFFF) != (QChar::toCaseFolded(c) > 0xFFFF))
                QFAIL(qPrintable(u"U+%1 folds to another plane"_s.arg(uint(c), 0, 16)));
        }
    }

    void narrows_data()
    {
        QTest::addColumn<QString>("broader");
        QTest::addColumn<QString>("narrower");
        QTest::addColumn<bool>("expected");
        QTest::newRow("from empty") << QString() << u"a"_s << true;
        QTest::newRow("one more letter") << u"ab"_s << u"abc"_s << true;
        QTest::newRow("case differs") << u"AB"_s << u"abc"_s << true;
        QTest::newRow("same") << u"abc"_s << u"abc"_s << true;
        QTest::newRow("shorter") << u"abc"_s << u"ab"_s << false;
        QTest::newRow("other letters") << u"ab"_s << u"ax"_s << false;
        QTest::newRow("combining accent composes") << u"e"_s << u"e\u0301"_s << false;
        QTest::newRow("enclosing mark") << u"a"_s << u"a\u20dd"_s << false;
        QTest::newRow("to empty") << u"a"_s << QString() << false;
    }
    void narrows()
    {
        QFETCH(QString, broader);
        QFETCH(QString, narrower);
        QFETCH(bool, expected);
        QCOMPARE(TextSearch(narrower).narrows(TextSearch(broader)), expected);
    }

    void hugeItem_matchNearTheEndIsFound()
    {
        QString item(8 * 1024 * 1024, u'x');
        item += u"Needle\u00e9"_s;
        QVERIFY(TextSearch(u"needle"_s).matches(item));
        QVERIFY(!TextSearch(u"needlee"_s).matches(item));
    }

    void isGraphemeBoundary_agreesWithWholeTextSegmentation()
    {
        const QString text = u"a\u0301b\r\n\U0001F44D\U0001F3FD\u00e9e\u20dd\U0001F1E9\U0001F1EA"
                             u"\U0001F1EB\U0001F1F7\u1100\u1161x\U0001F468\u200D\U0001F469"
                             u"\u0915\u094D\u0937"_s;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
        for (qsizetype i = 0; i <= text.size(); ++i) {
            finder.setPosition(i);
            QVERIFY2(TextSearch::isGraphemeBoundary(text, i) == finder.isAtBoundary(),
                     qPrintable(QString::number(i)));
        }
    }
};

QTEST_GUILESS_MAIN(TextSearchTest)
#include "tst_textsearch.moc"
