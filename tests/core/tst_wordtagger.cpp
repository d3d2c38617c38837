#include "WordTagger.h"

#include <QTest>
#include <QTextBoundaryFinder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// "token:Tag" for each enumerated token, "token:-" when it has no tag.
QStringList taggedTokens(const QString &text)
{
    QStringList result;
    enumerateWordTokens(text, [&result](QStringView token, std::optional<WordTag> tag) {
        result.append(token.toString() + u':' + (tag ? QString(wordTagName(*tag)) : u"-"_s));
        return true;
    });
    return result;
}

} // namespace

// Which word tokens the tagger enumerates and which tag each one gets.
class WordTaggerTest final : public QObject
{
    Q_OBJECT

private slots:
    void whitespaceAndPunctuationOnly_enumerateNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("spaces and line breaks") << u"  \n \r\n\t "_s;
        QTest::newRow("other white space") << u"\u00A0\u2003\u2028\u3000\u0085"_s;
        QTest::newRow("braces and semicolon") << u"{};"_s;
        QTest::newRow("mixed punctuation") << u"...!? \"'()[]-_ @#%&*/\\"_s;
        QTest::newRow("non-Latin punctuation") << u"\u3001\u3002\u00AB\u00BB\u2014"_s;
        QTest::newRow("underscores") << u"__"_s;
    }
    void whitespaceAndPunctuationOnly_enumerateNothing()
    {
        QFETCH(QString, text);
        QCOMPARE(taggedTokens(text), QStringList());
    }

    void text_givesWordTokensInOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("assignment")
            << u"x = 1"_s << QStringList{u"x:Word"_s, u"=:Symbol"_s, u"1:Number"_s};
        QTest::newRow("prose with signs")
            << u"Costs $5 at 20\u00B0C \U0001F44D"_s
            << QStringList{u"Costs:Word"_s, u"$:Currency"_s,
                           u"5:Number"_s,   u"at:Word"_s,
                           u"20:Number"_s,  u"\u00B0:Pictograph"_s,
                           u"C:Word"_s,     u"\U0001F44D:Pictograph"_s};
        QTest::newRow("terminal colours")
            << u"\x1b[31mred\x1b[0m"_s
            << QStringList{u"\x1b:Other"_s, u"31mred:Word"_s, u"\x1b:Other"_s, u"0m:Word"_s};
        QTest::newRow("contraction, decimal, identifier")
            << u"don't stop, 3.14 foo_bar."_s
            << QStringList{u"don't:Word"_s, u"stop:Word"_s, u"3.14:Number"_s, u"foo_bar:Word"_s};
        QTest::newRow("url with query")
            << u"https://example.com/?a=1;b=2"_s
            << QStringList{u"https:Word"_s, u"example:Word"_s, u"com:Word"_s,
                           u"a:Word"_s,     u"=:Symbol"_s,     u"1:Number"_s,
                           u"b:Word"_s,     u"=:Symbol"_s,     u"2:Number"_s};
        QTest::newRow("accent on a dot")
            << u"www.\u0301example.com"_s
            << QStringList{u"www:Word"_s, u".\u0301:-"_s, u"example:Word"_s, u"com:Word"_s};
        QTest::newRow("operators apart")
            << u"a+b|c~d"_s << QStringList{u"a:Word"_s, u"+:Symbol"_s, u"b:Word"_s, u"|:Symbol"_s,
                                           u"c:Word"_s, u"~:Symbol"_s, u"d:Word"_s};
        QTest::newRow("leading byte order mark")
            << u"\uFEFFhello"_s << QStringList{u"\uFEFF:Other"_s, u"hello:Word"_s};
        QTest::newRow("combining accents stay in the word")
            << u"e\u0301te\u0301 na\u0308ive"_s
            << QStringList{u"e\u0301te\u0301:Word"_s, u"na\u0308ive:Word"_s};
    }
    void text_givesWordTokensInOrder()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(taggedTokens(text), expected);
    }

    void singleCharacter_taggedByItsCategory_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tag");
        QTest::newRow("letter") << u"a"_s << u"Word"_s;
        QTest::newRow("ideograph") << u"\u4E2D"_s << u"Word"_s;
        QTest::newRow("digit") << u"7"_s << u"Number"_s;
        QTest::newRow("Arabic-Indic digit") << u"\u0663"_s << u"Number"_s;
        QTest::newRow("vulgar fraction") << u"\u00BD"_s << u"Number"_s;
        for (const QString &math : {u"+"_s, u"="_s, u"<"_s, u">"_s, u"|"_s, u"~"_s, u"\u2211"_s})
            QTest::addRow("math %s", qPrintable(math)) << math << u"Symbol"_s;
        for (const QString &modifier : {u"^"_s, u"`"_s, u"\u00A8"_s})
            QTest::addRow("modifier U+%04X", modifier[0].unicode()) << modifier << u"Symbol"_s;
        QTest::newRow("escape") << u"\x1b"_s << u"Other"_s;
        QTest::newRow("delete") << u"\x7f"_s << u"Other"_s;
        QTest::newRow("zero-width space") << u"\u200B"_s << u"Other"_s;
        QTest::newRow("private use") << u"\uE000"_s << u"Other"_s;
        QTest::newRow("unassigned") << u"\u0378"_s << u"Other"_s;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << u"Other"_s;
        QTest::newRow("dollar") << u"$"_s << u"Currency"_s;
        QTest::newRow("euro") << u"\u20AC"_s << u"Currency"_s;
        QTest::newRow("degree") << u"\u00B0"_s << u"Pictograph"_s;
        QTest::newRow("copyright") << u"\u00A9"_s << u"Pictograph"_s;
        QTest::newRow("emoji") << u"\U0001F600"_s << u"Pictograph"_s;
        QTest::newRow("combining mark alone") << u"\u0301"_s << u"Mark"_s;
    }
    void singleCharacter_taggedByItsCategory()
    {
        QFETCH(QString, text);
        QFETCH(QString, tag);
        QCOMPARE(taggedTokens(text), QStringList{text + u':' + tag});
    }

    void mixedToken_taggedByDocumentedRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tag");
        // A letter or a number decides.
        QTest::newRow("letter with modifier arrowhead") << u"a\u02C2b"_s << u"Word"_s;
        QTest::newRow("soft hyphen inside a word") << u"co\u00ADoperate"_s << u"Word"_s;
        QTest::newRow("byte order mark after a word") << u"hello\uFEFF"_s << u"Word"_s;
        QTest::newRow("katakana with sound mark and square word")
            << u"\u30AB\u309B\u3300"_s << u"Word"_s;
        QTest::newRow("keycap digit") << u"1\uFE0F\u20E3"_s << u"Number"_s;
        // What rides on a base character does not count.
        QTest::newRow("emoji with skin tone") << u"\U0001F44D\U0001F3FD"_s << u"Pictograph"_s;
        QTest::newRow("family joined by ZWJ")
            << u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_s << u"Pictograph"_s;
        QTest::newRow("flag") << u"\U0001F1EB\U0001F1F7"_s << u"Pictograph"_s;
        QTest::newRow("currency with accent") << u"\u20AC\u0301"_s << u"Currency"_s;
        QTest::newRow("plus with overlay") << u"+\u0338"_s << u"Symbol"_s;
        QTest::newRow("escape with accent") << u"\x1b\u0301"_s << u"Other"_s;
        QTest::newRow("skin tone alone") << u"\U0001F3FD"_s << u"Symbol"_s;
        QTest::newRow("two stray marks") << u"\u0301\u0302"_s << u"Mark"_s;
        // Soft hyphen is a character of its own after a space, so it counts.
        QTest::newRow("space then soft hyphen") << u" \u00AD"_s << u"Other"_s;
        // White space or punctuation kept as a word only by what rides on it.
        QTest::newRow("space with accent") << u" \u0301"_s << u"-"_s;
        QTest::newRow("space with joiner") << u" \u200D"_s << u"-"_s;
        QTest::newRow("keycap number sign") << u"#\uFE0F\u20E3"_s << u"-"_s;
    }
    void mixedToken_taggedByDocumentedRule()
    {
        QFETCH(QString, text);
        QFETCH(QString, tag);
        QCOMPARE(taggedTokens(text), QStringList{text + u':' + tag});
    }

    void visitorReturnsFalse_enumerationStops()
    {
        QStringList seen;
        enumerateWordTokens(u"one two three four", [&seen](QStringView token, auto) {
            seen.append(token.toString());
            return seen.size() < 2;
        });
        QCOMPARE(seen, QStringList({u"one"_s, u"two"_s}));
    }

    void tokens_areViewsIntoTheTextInOrder()
    {
        const QString text = u"alpha, beta = gamma; \x1b 42"_s;
        const QChar *previousEnd = text.constData();
        int count = 0;
        enumerateWordTokens(text, [&](QStringView token, auto) {
            const QChar *begin = token.data();
            const bool inOrder =
                begin >= previousEnd && begin + token.size() <= text.constData() + text.size();
            previousEnd = begin + token.size();
            ++count;
            return inOrder;
        });
        QCOMPARE(count, 6);
        QCOMPARE(previousEnd, text.constData() + text.size());
    }

    void longText_everyTokenEnumerated()
    {
        QString text;
        for (int i = 0; i < 20000; ++i)
            text += u"word "_s + QString::number(i) + u", "_s;
        text += u'+';
        qsizetype words = 0;
        qsizetype numbers = 0;
        std::optional<WordTag> last;
        enumerateWordTokens(text, [&](QStringView, std::optional<WordTag> tag) {
            if (tag == WordTag::Word)
                ++words;
            if (tag == WordTag::Number)
                ++numbers;
            last = tag;
            return true;
        });
        QCOMPARE(words, 20000);
        QCOMPARE(numbers, 20000);
        QCOMPARE(last, std::optional(WordTag::Symbol));
    }

    void longMultiLineText_segmentedAsInOnePass()
    {
        // Lines that start with what could join the line before if the text were
        // cut in the wrong place.
        const QStringList lines{
            u"plain words, 3.14 and x = 1"_s,
            u"\u0301accent first \U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA flags"_s,
            u"\U0001F468\u200D\U0001F469\u200D\U0001F467 family \u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22"_s,
            u"\u200Dafter joiner co\u00ADoperate"_s,
            u"'quoted' don't \x1b[0m"_s,
            u"\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8 \U0001F44D\U0001F3FD"_s,
        };
        QString text;
        for (int i = 0; text.size() < 100000; ++i)
            text += lines[i % lines.size()] + (i % 2 ? u"\r\n"_s : u"\n"_s);

        QList<std::pair<qsizetype, qsizetype>> expected;
        QTextBoundaryFinder words(QTextBoundaryFinder::Word, text);
        qsizetype start = 0;
        for (qsizetype end = words.toNextBoundary(); end > 0;
             start = end, end = words.toNextBoundary()) {
            const QStringView segment = QStringView(text).sliced(start, end - start);
            const auto isSpace = [](QChar c) { return c.isSpace(); };
            const auto isPunct = [](QChar c) { return c.isPunct(); };
            if (!std::all_of(segment.begin(), segment.end(), isSpace) &&
                !std::all_of(segment.begin(), segment.end(), isPunct))
                expected.append({start, end - start});
        }

        QList<std::pair<qsizetype, qsizetype>> actual;
        enumerateWordTokens(text, [&](QStringView token, auto) {
            actual.append({token.data() - text.constData(), token.size()});
            return true;
        });
        QVERIFY(expected.size() > 10000);
        QCOMPARE(actual, expected);
    }

    void codeTags_haveTheNamesTheClassifierLooksFor()
    {
        QCOMPARE(wordTagName(WordTag::Symbol), "Symbol"_L1);
        QCOMPARE(wordTagName(WordTag::Other), "Other"_L1);
        for (WordTag tag : {WordTag::Word, WordTag::Number, WordTag::Currency, WordTag::Pictograph,
                            WordTag::Mark}) {
            const QLatin1StringView name = wordTagName(tag);
            QVERIFY(!name.isEmpty());
            QVERIFY(name != "Symbol"_L1 && name != "Other"_L1);
        }
    }
};

QTEST_GUILESS_MAIN(WordTaggerTest)
#include "tst_wordtagger.moc"
