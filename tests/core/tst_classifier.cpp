#include "Classifier.h"
#include "UnicodeText.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void addCategoryColumns()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Category>("category");
}

void addRows(Category category, std::initializer_list<std::pair<const char *, QString>> rows)
{
    for (const auto &[name, text] : rows)
        QTest::newRow(name) << text << category;
}

} // namespace

// A failed comparison names the categories rather than their numbers.
template <> char *QTest::toString(const Category &category)
{
    return QTest::toString(categoryName(category));
}

// How categorize sorts texts into Url, Code and Text.
class ClassifierTest final : public QObject
{
    Q_OBJECT

private slots:
    void noTaggedToken_isText_data()
    {
        addCategoryColumns();
        addRows(Category::Text, {
                                    {"empty", QString()},
                                    {"spaces and line breaks", u"  \n "_s},
                                    {"braces and semicolon", u"{};"_s},
                                    {"braces and semicolons on lines", u"{\n  };\n;"_s},
                                    {"punctuation around a brace", u"((;)) {"_s},
                                    {"untagged keycap with a semicolon", u"#\uFE0F\u20E3;"_s},
                                    {"accented space with a brace", u" \u0301{"_s},
                                });
    }
    void noTaggedToken_isText() { checkCategory(); }

    void urlPrefix_isUrl_data()
    {
        addCategoryColumns();
        addRows(Category::Url,
                {
                    {"https with semicolon in query", u"https://example.com/?a=1;b=2"_s},
                    {"http with braces", u"http://example.com/{id}"_s},
                    {"https with a symbol", u"https://example.com/?q=1+2"_s},
                    {"www host", u"www.example.com"_s},
                    {"prefix alone", u"www."_s},
                    {"http prefix alone", u"http://"_s},
                    {"url then prose on a new line", u"https://x.com\nsee this;"_s},
                    {"func in the address", u"https://example.com/functions"_s},
                });
    }
    void urlPrefix_isUrl() { checkCategory(); }

    void notAUrlPrefix_fallsBackToCodeTest_data()
    {
        addCategoryColumns();
        addRows(Category::Text, {
                                    {"www in capitals", u"WWW.EXAMPLE.COM"_s},
                                    {"http in capitals", u"HTTP://X.COM"_s},
                                    {"leading space", u" https://x.com"_s},
                                    {"leading tab", u"\thttps://x.com"_s},
                                    {"address after a word", u"see https://x.com"_s},
                                    {"accent joins the dot", u"www.\u0301example.com"_s},
                                    {"accent joins a w", u"ww\u0301w.example.com"_s},
                                    {"shorter than the prefix", u"www"_s},
                                    {"one slash short", u"http:/example.com"_s},
                                    {"prefix without its dot", u"wwwexample.com"_s},
                                });
        addRows(Category::Code,
                {
                    {"http in capitals with semicolon", u"HTTP://X.COM/a;b"_s},
                    {"leading space with equals sign", u" https://x.com/?a=1"_s},
                    {"accent joins the dot, semicolon", u"www.\u0301example.com;"_s},
                });
    }
    void notAUrlPrefix_fallsBackToCodeTest() { checkCategory(); }

    void codeSubstringOrCodeTag_isCode_data()
    {
        addCategoryColumns();
        addRows(Category::Code, {
                                    {"assignment", u"x = 1"_s},
                                    {"statement with semicolon", u"int x;"_s},
                                    {"pair of braces", u"a {b}"_s},
                                    {"lone brace", u"if (ok) {"_s},
                                    {"semicolon in prose", u"first; second"_s},
                                    {"functional in lower case", u"functional programming"_s},
                                    {"func inside a word", u"the defunct parser"_s},
                                    {"comparison", u"a < b"_s},
                                    {"power", u"2^10"_s},
                                    {"backticks", u"run `make` now"_s},
                                    {"pipe", u"ls | wc"_s},
                                    {"tilde", u"~user"_s},
                                    {"terminal colours", u"\x1b[31mred\x1b[0m"_s},
                                    {"zero-width space", u"zero\u200Bwidth"_s},
                                    {"private-use character", u"price \uE000"_s},
                                    {"skin tone alone on its line", u"look\n\U0001F3FD"_s},
                                });
    }
    void codeSubstringOrCodeTag_isCode() { checkCategory(); }

    void proseWithoutCodeSigns_isText_data()
    {
        addCategoryColumns();
        addRows(Category::Text,
                {
                    {"Functional in capitals", u"Functional programming"_s},
                    {"FUNC in capitals", u"FUNC"_s},
                    {"currency degrees emoji", u"Costs $5 at 20\u00B0C \U0001F44D"_s},
                    {"emoji with skin tone", u"Nice work \U0001F44D\U0001F3FD"_s},
                    {"emoji family", u"us \U0001F468\u200D\U0001F469\u200D\U0001F467"_s},
                    {"soft hyphen", u"co\u00ADoperate"_s},
                    {"skin tone riding on a space", u"look \U0001F3FD"_s},
                    {"punctuated sentence",
                     u"Hello, world! It's 3.14 (roughly) - fine: \"yes\" / no?"_s},
                    {"Japanese", u"\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8"_s},
                    {"Thai", u"\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22"_s},
                    {"Greek question mark is not a semicolon", u"x\u037E"_s},
                    {"multiple lines", u"Dear Ann,\n\nsee you at 10.\r\nBob"_s},
                });
    }
    void proseWithoutCodeSigns_isText() { checkCategory(); }

    void longText_isDecidedByItsLastToken_data()
    {
        addCategoryColumns();
        QString prose;
        for (int i = 0; i < 20000; ++i)
            prose += u"Plain words, number "_s + QString::number(i) + u".\n"_s;
        QTest::newRow("prose") << prose << Category::Text;
        QTest::newRow("prose then a plus") << prose + u'+' << Category::Code;
        QTest::newRow("prose then a semicolon") << prose + u';' << Category::Code;
        QTest::newRow("address then prose") << u"www.x.org "_s + prose << Category::Url;
        QTest::newRow("braces and semicolons only")
            << u"{ };\n"_s.repeated(50000) << Category::Text;
    }
    void longText_isDecidedByItsLastToken() { checkCategory(); }

    void startsWithCharacters_comparesWholeCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("expected");
        QTest::newRow("exact") << u"www."_s << u"www."_s << true;
        QTest::newRow("longer text") << u"https://a"_s << u"https://"_s << true;
        QTest::newRow("empty prefix") << u"abc"_s << QString() << true;
        QTest::newRow("empty text") << QString() << u"www."_s << false;
        QTest::newRow("shorter text") << u"www"_s << u"www."_s << false;
        QTest::newRow("other case") << u"Www.a"_s << u"www."_s << false;
        QTest::newRow("accent on the last character") << u"www.\u0301a"_s << u"www."_s << false;
        QTest::newRow("accent on the first character") << u"w\u0301ww."_s << u"www."_s << false;
        QTest::newRow("decomposed text, precomposed prefix")
            << u"e\u0301cole"_s << u"\u00E9c"_s << true;
        QTest::newRow("precomposed text, decomposed prefix")
            << u"\u00E9cole"_s << u"e\u0301c"_s << true;
        QTest::newRow("marks in other order") << u"a\u0323\u0302b"_s << u"a\u0302\u0323"_s << true;
        QTest::newRow("Kelvin sign is K") << u"\u212Aelvin"_s << u"Kel"_s << true;
        QTest::newRow("Angstrom sign is A with ring") << u"\u212B"_s << u"\u00C5"_s << true;
        QTest::newRow("base letter of an accented one") << u"\u00E9"_s << u"e"_s << false;
        QTest::newRow("emoji with skin tone vs bare emoji")
            << u"\U0001F44D\U0001F3FDx"_s << u"\U0001F44D"_s << false;
        const QString longCharacter = u"a"_s + QString(80, QChar(0x0301));
        QTest::newRow("long first character, same")
            << longCharacter + u"b"_s << longCharacter << true;
        QTest::newRow("long first character, shorter in prefix")
            << longCharacter + u"b"_s << longCharacter.first(40) << false;
        QTest::newRow("long first character vs bare letter")
            << longCharacter + u"ttps://"_s << u"a"_s << false;
    }
    void startsWithCharacters_comparesWholeCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, prefix);
        QFETCH(bool, expected);
        QCOMPARE(startsWithCharacters(text, prefix), expected);
    }

private:
    static void checkCategory()
    {
        QFETCH(QString, text);
        QFETCH(Category, category);
        QCOMPARE(categorize(text), category);
    }
};

QTEST_GUILESS_MAIN(ClassifierTest)
#include "tst_classifier.moc"
