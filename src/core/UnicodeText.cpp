#include "UnicodeText.h"

#include "UnitScan.h"

#include <QLocale>
#include <QTextBoundaryFinder>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Below this every code point is in NFC and composes with nothing before it.
constexpr char16_t firstComposingUnit = 0x0300;

// How far back from a position the boundary check starts, and how far it may go
// back over combining marks and the like to find a character that starts a cluster.
constexpr qsizetype contextBefore = 16;
constexpr qsizetype maxContextBefore = 1024;

struct CodePointRange
{
    char32_t first;
    char32_t last;
};

bool isRegionalIndicator(char32_t codePoint)
{
    return codePoint >= 0x1F1E6 && codePoint <= 0x1F1FF;
}

// Code points that can continue a cluster begun before them (marks, joiners,
// emoji modifiers, flag halves). Generous on purpose: treating one too many as a
// continuation only widens the window the boundary check looks at.
bool mayContinueCluster(char32_t codePoint)
{
    if (isRegionalIndicator(codePoint))
        return true;
    switch (QChar::category(codePoint)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
    case QChar::Symbol_Modifier:
    case QChar::Letter_Modifier:
        return true;
    default:
        return false;
    }
}

// Code points from U+02B0 on that can join the one after them into a cluster:
// Hangul jamo and syllables, and the prepended letters that are no format
// character (those are in mayContinueCluster()). The Thai and Lao vowels that
// end a cluster as spacing marks are here too, and so are lone surrogates. (Below
// U+02B0 only CR joins, before LF: see standsAlone().)
bool mayStartLongerCluster(char32_t codePoint)
{
    static constexpr std::array<CodePointRange, 12> ranges{{{0x0D4E, 0x0D4E},
                                                            {0x0E33, 0x0E33},
                                                            {0x0EB3, 0x0EB3},
                                                            {0x1100, 0x11FF},
                                                            {0xA960, 0xA97F},
                                                            {0xAC00, 0xDFFF},
                                                            {0x111C2, 0x111C3},
                                                            {0x1193F, 0x11941},
                                                            {0x11A3A, 0x11A3A},
                                                            {0x11A84, 0x11A89},
                                                            {0x11D46, 0x11D46},
                                                            {0x11F02, 0x11F02}}};
    return std::any_of(ranges.begin(), ranges.end(), [codePoint](const CodePointRange &range) {
        return codePoint >= range.first && codePoint <= range.last;
    });
}

qsizetype codePointStart(QStringView text, qsizetype index)
{
    if (index > 0 && QChar::isLowSurrogate(text.utf16()[index]) &&
        QChar::isHighSurrogate(text.utf16()[index - 1]))
        return index - 1;
    return index;
}

bool sameCharacter(QStringView a, QStringView b)
{
    if (a == b)
        return true;
    // Lone characters below U+0300 have no other canonical form.
    if (a.size() == 1 && b.size() == 1 && a[0].unicode() < firstComposingUnit &&
        b[0].unicode() < firstComposingUnit)
        return false;
    return canonicallyEqual(a.toString(), b.toString());
}

// The blocks common in copied text whose code points are in NFC by themselves and
// never the second of a composed pair. Combining marks, Hangul jamo and the
// few characters that NFC replaces lie outside them.
constexpr std::array<CodePointRange, 9> plainBasicRanges{{{0x0000, 0x02FF},
                                                          {0x0400, 0x0482},
                                                          {0x048A, 0x052F},
                                                          {0x2010, 0x2064},
                                                          {0x20A0, 0x20C0},
                                                          {0x3041, 0x3096},
                                                          {0x30A1, 0x30FA},
                                                          {0x4E00, 0x9FFF},
                                                          {0xAC00, 0xD7A3}}};
constexpr CodePointRange plainEmoji{0x1F300, 0x1FAFF};

// One bit per code point of the Basic Multilingual Plane: a text is judged with
// one look-up per character.
using PlainBits = std::array<quint64, 0x10000 / 64>;
const PlainBits &plainBasicBits()
{
    static const PlainBits bits = [] {
        PlainBits made{};
        for (const CodePointRange &range : plainBasicRanges)
            for (char32_t c = range.first; c <= range.last; ++c)
                made[c / 64] |= quint64(1) << (c % 64);
        return made;
    }();
    return bits;
}

bool composesWithNothing(char32_t codePoint, const PlainBits &basic)
{
    if (codePoint < 0x10000)
        return (basic[codePoint / 64] >> (codePoint % 64)) & 1;
    return codePoint >= plainEmoji.first && codePoint <= plainEmoji.last;
}

} // namespace

bool standsAlone(char32_t codePoint)
{
    // Latin without its modifier letters: only CR joins, and the soft hyphen is
    // a format character.
    if (codePoint < 0x02B0)
        return codePoint != u'\r' && codePoint != 0x00AD;
    return !mayContinueCluster(codePoint) && !mayStartLongerCluster(codePoint);
}

bool isPlainlyCanonicalUtf8(QByteArrayView utf8)
{
    const PlainBits &basic = plainBasicBits();
    const auto *byte = reinterpret_cast<const uchar *>(utf8.data());
    const uchar *const end = byte + utf8.size();
    while (byte < end) {
        // ASCII, most of nearly every text, is passed over eight bytes at a time.
        if (end - byte >= 8) {
            quint64 eight = 0;
            std::memcpy(&eight, byte, 8);
            if (const quint64 high = qFromLittleEndian(eight) & 0x8080808080808080; high != 0) {
                byte += qCountTrailingZeroBits(high) / 8;
            } else {
                byte += 8;
                continue;
            }
        } else if (*byte < 0x80) {
            ++byte;
            continue;
        }
        // The sequence's length and the least code point it may encode: a longer
        // sequence for a smaller one is invalid.
        qsizetype length = 0;
        char32_t least = 0;
        if (*byte >= 0xC2 && *byte <= 0xDF) {
            length = 2;
            least = 0x80;
        } else if (*byte >= 0xE0 && *byte <= 0xEF) {
            length = 3;
            least = 0x800;
        } else if (*byte >= 0xF0 && *byte <= 0xF4) {
            length = 4;
            least = 0x10000;
        } else {
            return false;
        }
        if (end - byte < length)
            return false;
        char32_t codePoint = *byte & (0x7F >> length);
        for (qsizetype i = 1; i < length; ++i) {
            if ((byte[i] & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (byte[i] & 0x3F);
        }
        // The blocks allowed hold no surrogates and nothing above U+10FFFF.
        if (codePoint < least || !composesWithNothing(codePoint, basic))
            return false;
        byte += length;
    }
    return true;
}

bool mayNeedComposing(QStringView text)
{
    return findUnitAtLeast(text.utf16(), 0, text.size(), firstComposingUnit) < text.size();
}

QString canonicalForm(const QString &text)
{
    if (!mayNeedComposing(text))
        return text;
    return text.normalized(QString::NormalizationForm_C);
}

bool canonicallyEqual(const QString &a, const QString &b)
{
    // Same storage: the clipboard hands back the text it read last time, so this
    // keeps an unchanged clipboard's tick from comparing megabytes.
    if (isSameStorage(a, b))
        return true;
    if (a == b)
        return true;
    // Composing shortens a text at most fourfold (no character decomposes into
    // more than four units) and lengthens it at most threefold, so texts of very
    // different lengths never compose to one: a short copy after a long one is
    // told apart without reading the long one through.
    constexpr qsizetype apart = 16;
    if (a.size() > apart * b.size() || b.size() > apart * a.size())
        return false;
    return canonicalForm(a) == canonicalForm(b);
}

bool isCanonical(const QString &text)
{
    if (!mayNeedComposing(text))
        return true;
    // normalized() hands back the same storage when the text is already in NFC.
    return text.normalized(QString::NormalizationForm_C).constData() == text.constData();
}

bool isGraphemeBoundary(QStringView text, qsizetype position)
{
    const qsizetype size = text.size();
    if (position <= 0 || position >= size)
        return true;
    const char16_t before = text.utf16()[position - 1];
    const char16_t after = text.utf16()[position];
    // Between two ASCII characters only CR LF stays together.
    if (before < 0x80 && after < 0x80)
        return !(before == u'\r' && after == u'\n');

    // Start the window at a character that cannot continue a cluster from further
    // back, so that the window's clusters are the text's clusters.
    qsizetype start = codePointStart(text, std::max<qsizetype>(0, position - contextBefore));
    const qsizetype limit = std::max<qsizetype>(0, position - maxContextBefore);
    while (start > limit) {
        qsizetype next = start;
        if (!mayContinueCluster(nextCodePoint(text, &next)))
            break;
        start = codePointStart(text, start - 1);
    }
    const qsizetype end = std::min(size, position + 2);

    // The finder wants one byte per unit and one more; most windows fit here.
    std::array<uchar, 256> buffer{};
    const QStringView window = text.sliced(start, end - start);
    const bool fits = window.size() < qsizetype(buffer.size());
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window.data(), window.size(),
                               fits ? buffer.data() : nullptr, fits ? qsizetype(buffer.size()) : 0);
    finder.setPosition(position - start);
    return finder.isAtBoundary();
}

GraphemeEnds leadingGraphemeEnds(QStringView text, qsizetype count)
{
    // A boundary depends only on what precedes it and the code point after it, so
    // segmenting a prefix gives the text's own boundaries up to two units (one
    // surrogate pair) before the prefix's end. The prefix grows until it holds
    // `count` of those, or is the whole text.
    QVarLengthArray<uchar, 512> attributes;
    // The finder works out every position of its window up front: start small,
    // as most callers want a handful of characters.
    qsizetype window = std::min(text.size(), std::max<qsizetype>(32, 4 * count));
    for (;;) {
        const bool whole = window == text.size();
        const qsizetype reliable = whole ? window : window - 2;
        attributes.resize(window + 1);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.first(window),
                                   attributes.data(), attributes.size());
        GraphemeEnds ends;
        for (qsizetype at = finder.toNextBoundary();
             at > 0 && at <= reliable && ends.size() < count; at = finder.toNextBoundary())
            ends.append(at);
        if (whole || ends.size() == count)
            return ends;
        window = std::min(text.size(), 2 * window);
    }
}

bool startsWithCharacters(QStringView text, QStringView prefix)
{
    const GraphemeEnds prefixEnds = leadingGraphemeEnds(prefix, prefix.size());
    const GraphemeEnds textEnds = leadingGraphemeEnds(text, prefixEnds.size());
    if (textEnds.size() < prefixEnds.size())
        return false;
    qsizetype textStart = 0;
    qsizetype prefixStart = 0;
    for (qsizetype i = 0; i < prefixEnds.size(); ++i) {
        if (!sameCharacter(text.sliced(textStart, textEnds[i] - textStart),
                           prefix.sliced(prefixStart, prefixEnds[i] - prefixStart)))
            return false;
        textStart = textEnds[i];
        prefixStart = prefixEnds[i];
    }
    return true;
}

QString displayText(const QString &text, qsizetype length)
{
    // Each character takes at least one unit.
    if (text.size() <= length)
        return text;
    // Most texts are made of code points that are characters by themselves: their
    // first `length` are the row, found without the segmentation's tables, which
    // would take most of the time `brimvale --list` needs.
    for (qsizetype at = 0, count = 0; at < text.size(); ++count) {
        qsizetype next = at;
        if (!standsAlone(nextCodePoint(text, &next)))
            break;
        if (count == length)
            return text.first(at) + QStringLiteral("...");
        at = next;
        if (at == text.size())
            return text;
    }
    const GraphemeEnds ends = leadingGraphemeEnds(text, length);
    if (ends.isEmpty() || ends.size() < length || ends.back() == text.size())
        return text;
    return text.first(ends.back()) + QStringLiteral("...");
}

CaseFolding caseFoldingFor(const QLocale &locale)
{
    const QLocale::Language language = locale.language();
    return language == QLocale::Turkish || language == QLocale::Azerbaijani ? CaseFolding::Turkic
                                                                            : CaseFolding::Default;
}

char32_t foldCase(char32_t codePoint, CaseFolding folding)
{
    const bool turkic = folding == CaseFolding::Turkic;
    // ASCII, the bulk of most texts, folds without a table lookup.
    if (codePoint < 0x80) {
        if (codePoint < U'A' || codePoint > U'Z')
            return codePoint;
        return turkic && codePoint == U'I' ? U'\u0131' : codePoint + (U'a' - U'A');
    }
    if (turkic && codePoint == U'\u0130')
        return U'i';
    return QChar::toCaseFolded(codePoint);
}
