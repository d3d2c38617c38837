#include "WordTagger.h"

#include "UnicodeText.h"

#include <QChar>
#include <QTextBoundaryFinder>
#include <QVarLengthArray>

#include <array>
#include <bit>

using namespace Qt::StringLiterals;

namespace {

// One bit per kind of character; a token's kinds are the union of its characters'.
enum Kind : unsigned {
    Letter = 1u << 0,
    Number = 1u << 1,
    Symbol = 1u << 2,
    Other = 1u << 3,
    Currency = 1u << 4,
    Pictograph = 1u << 5,
    Mark = 1u << 6,
    Space = 1u << 7,
    Punctuation = 1u << 8,
};

unsigned categoryKind(char32_t c)
{
    // Before the category: tab and line breaks are controls too.
    if (QChar::isSpace(c))
        return Space;
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return Mark;
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return Number;
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return Space;
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return Other;
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
        return Letter;
    case QChar::Punctuation_Connector:
    case QChar::Punctuation_Dash:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other:
        return Punctuation;
    case QChar::Symbol_Math:
    case QChar::Symbol_Modifier:
        return Symbol;
    case QChar::Symbol_Currency:
        return Currency;
    case QChar::Symbol_Other:
        return Pictograph;
    }
    return Other;
}

// Nearly every character of a large text is ASCII.
const std::array<unsigned short, 128> &asciiKinds()
{
    static const auto kinds = [] {
        std::array<unsigned short, 128> table{};
        for (char32_t ascii = 0; ascii < table.size(); ++ascii)
            table[ascii] = static_cast<unsigned short>(categoryKind(ascii));
        return table;
    }();
    return kinds;
}

unsigned kindOf(char32_t c)
{
    return c < asciiKinds().size() ? asciiKinds()[c] : categoryKind(c);
}

unsigned kindsOf(QStringView segment)
{
    const auto &ascii = asciiKinds();
    unsigned kinds = 0;
    for (qsizetype i = 0; i < segment.size();) {
        const char16_t unit = segment[i].unicode();
        if (unit < ascii.size()) {
            kinds |= ascii[unit];
            ++i;
        } else {
            kinds |= categoryKind(nextCodePoint(segment, &i));
        }
    }
    return kinds;
}

// Kinds of the first code point of each user-perceived character only.
unsigned baseKinds(QStringView segment)
{
    // Enough for emoji sequences without touching the heap.
    std::array<unsigned char, 128> attributes;
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, segment, attributes.data(),
                                 static_cast<qsizetype>(attributes.size()));
    unsigned kinds = 0;
    for (qsizetype start = 0; start >= 0 && start < segment.size();
         start = clusters.toNextBoundary()) {
        qsizetype at = start;
        kinds |= kindOf(nextCodePoint(segment, &at));
    }
    return kinds;
}

std::optional<WordTag> tagFor(QStringView segment, unsigned kinds)
{
    if (kinds & Letter)
        return WordTag::Word;
    if (kinds & Number)
        return WordTag::Number;
    if (!std::has_single_bit(kinds))
        kinds = baseKinds(segment);
    if (kinds & Symbol)
        return WordTag::Symbol;
    if (kinds & Other)
        return WordTag::Other;
    if (kinds & Currency)
        return WordTag::Currency;
    if (kinds & Pictograph)
        return WordTag::Pictograph;
    if (kinds & Mark)
        return WordTag::Mark;
    return std::nullopt;
}

constexpr qsizetype blockSize = 16 * 1024;

// Length of the block from `start`: about blockSize, ending just after a line feed.
qsizetype blockLength(QStringView text, qsizetype start)
{
    if (text.size() - start <= blockSize)
        return text.size() - start;
    const qsizetype lineFeed = text.indexOf(u'\n', start + blockSize - 1);
    return lineFeed < 0 ? text.size() - start : lineFeed + 1 - start;
}

} // namespace

QLatin1StringView wordTagName(WordTag tag)
{
    switch (tag) {
    case WordTag::Word:
        return "Word"_L1;
    case WordTag::Number:
        return "Number"_L1;
    case WordTag::Symbol:
        return "Symbol"_L1;
    case WordTag::Other:
        return "Other"_L1;
    case WordTag::Currency:
        return "Currency"_L1;
    case WordTag::Pictograph:
        return "Pictograph"_L1;
    case WordTag::Mark:
        return "Mark"_L1;
    }
    return {};
}

void enumerateWordTokens(QStringView text, const WordTokenVisitor &visit)
{
    // No word runs across a line feed, so the text is segmented a block of lines at a
    // time: the working memory stays small and a visitor that stops early spares the
    // rest of the text.
    QVarLengthArray<unsigned char, blockSize + 1> attributes;
    for (qsizetype blockStart = 0; blockStart < text.size();) {
        const QStringView block = text.sliced(blockStart, blockLength(text, blockStart));
        attributes.resize(block.size() + 1);
        QTextBoundaryFinder words(QTextBoundaryFinder::Word, block, attributes.data(),
                                  attributes.size());
        qsizetype start = 0;
        for (qsizetype end = words.toNextBoundary(); end > start;
             start = end, end = words.toNextBoundary()) {
            const QStringView segment = block.sliced(start, end - start);
            const unsigned kinds = kindsOf(segment);
            if (kinds == Space || kinds == Punctuation)
                continue;
            if (!visit(segment, tagFor(segment, kinds)))
                return;
        }
        blockStart += block.size();
    }
}
