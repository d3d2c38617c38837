#include "TextSearch.h"

#include <QHash>
#include <QMutex>
#include <QTextBoundaryFinder>

#include <array>
#include <bitset>
#include <cstring>

namespace {

// Below this every code point is in NFC and composes with nothing before it, so a
// text made only of such units is its own canonical form.
constexpr char16_t firstComposingUnit = 0x0300;

// How far back from a position the boundary check starts, and how far it may go
// back over combining marks and the like to find a character that starts a cluster.
constexpr qsizetype contextBefore = 16;
constexpr qsizetype maxContextBefore = 1024;

char32_t codePointAt(QStringView text, qsizetype *index)
{
    const char16_t unit = text.utf16()[*index];
    ++*index;
    if (QChar::isHighSurrogate(unit) && *index < text.size()) {
        const char16_t low = text.utf16()[*index];
        if (QChar::isLowSurrogate(low)) {
            ++*index;
            return QChar::surrogateToUcs4(unit, low);
        }
    }
    return unit;
}

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

qsizetype codePointStart(QStringView text, qsizetype index)
{
    if (index > 0 && QChar::isLowSurrogate(text.utf16()[index]) &&
        QChar::isHighSurrogate(text.utf16()[index - 1]))
        return index - 1;
    return index;
}

// Whether the text holds a unit from which NFC could differ. Found without
// branching, so that the loop vectorises.
bool mayCompose(const QString &text)
{
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    char16_t largest = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        largest = std::max(largest, units[i]);
    return largest >= firstComposingUnit;
}

bool isTurkic(const QLocale &locale)
{
    return locale.language() == QLocale::Turkish || locale.language() == QLocale::Azerbaijani;
}

} // namespace

TextSearch::TextSearch(const QString &needle, const QLocale &locale)
    : m_needle(needle), m_turkic(isTurkic(locale))
{
    const QString canonical = needle.normalized(QString::NormalizationForm_C);
    for (qsizetype i = 0; i < canonical.size();)
        m_folded.push_back(fold(codePointAt(canonical, &i)));
    if (m_folded.empty())
        return;

    m_firstUnits = firstUnitsFor(m_folded.front(), m_turkic);
}

struct TextSearch::FirstUnits
{
    std::bitset<0x10000> all;
    // When there are this few, as a list the scan can compare many units against
    // at once; otherwise `few` is empty.
    static constexpr std::size_t maxFew = 4;
    std::array<char16_t, maxFew> few{};
    std::size_t fewCount = 0;
};

std::shared_ptr<const TextSearch::FirstUnits> TextSearch::firstUnitsFor(char32_t folded,
                                                                        bool turkic)
{
    // Finding the units folding to a letter takes a pass over the 65,536 of them,
    // and a search usually starts with the letter the last one started with.
    static QMutex mutex;
    static QHash<quint64, std::shared_ptr<const FirstUnits>> known;
    const quint64 key = (quint64(folded) << 1) | (turkic ? 1 : 0);
    const QMutexLocker locker(&mutex);
    if (const auto found = known.constFind(key); found != known.constEnd())
        return *found;

    auto units = std::make_shared<FirstUnits>();
    if (folded > 0xFFFF) {
        // Case folding never leaves a plane, so only a surrogate pair can match.
        for (char32_t unit = 0xD800; unit < 0xDC00; ++unit)
            units->all.set(unit);
    } else {
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            if (!QChar::isSurrogate(unit) && fold(unit, turkic) == folded)
                units->all.set(unit);
        }
    }
    if (units->all.count() <= FirstUnits::maxFew) {
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            if (units->all[unit])
                units->few[units->fewCount++] = char16_t(unit);
        }
    }
    if (known.size() > 256)
        known.clear();
    known.insert(key, units);
    return units;
}

char32_t TextSearch::fold(char32_t codePoint, bool turkic)
{
    // ASCII, the bulk of most texts, folds without a table lookup.
    if (codePoint < 0x80) {
        if (codePoint < U'A' || codePoint > U'Z')
            return codePoint;
        return turkic && codePoint == U'I' ? U'\u0131' : codePoint + (U'a' - U'A');
    }
    if (turkic) {
        if (codePoint == U'I')
            return U'\u0131';
        if (codePoint == U'\u0130')
            return U'i';
    }
    return QChar::toCaseFolded(codePoint);
}

qsizetype TextSearch::nextCandidate(const char16_t *units, qsizetype from, qsizetype last) const
{
    const FirstUnits &first = *m_firstUnits;
    qsizetype i = from;
#if defined(__GNUC__)
    if (first.fewCount > 0) {
        // Eight units at a time against each candidate unit; most blocks hold none.
        using Lanes = unsigned short __attribute__((vector_size(16)));
        constexpr int width = 8;
        std::array<Lanes, FirstUnits::maxFew> wanted{};
        for (std::size_t k = 0; k < FirstUnits::maxFew; ++k) {
            // Unused slots repeat the first unit, which changes nothing.
            const unsigned short unit = first.few[k < first.fewCount ? k : 0];
            for (int lane = 0; lane < width; ++lane)
                wanted[k][lane] = unit;
        }
        for (; i + width - 1 <= last; i += width) {
            Lanes block;
            std::memcpy(&block, units + i, sizeof block);
            const auto hits = (block == wanted[0]) | (block == wanted[1]) | (block == wanted[2]) |
                              (block == wanted[3]);
            std::array<std::uint64_t, 2> halves{};
            std::memcpy(halves.data(), &hits, sizeof halves);
            if ((halves[0] | halves[1]) != 0)
                break;
        }
    }
#endif
    for (; i <= last; ++i) {
        if (first.all[units[i]])
            return i;
    }
    return -1;
}

bool TextSearch::isCanonical(const QString &text)
{
    if (!mayCompose(text))
        return true;
    // normalized() hands back the same storage when the text is already in NFC.
    return text.normalized(QString::NormalizationForm_C).constData() == text.constData();
}

bool TextSearch::matches(const QString &text) const
{
    if (m_folded.empty())
        return true;
    if (!mayCompose(text))
        return matchesCanonical(text);
    return matchesCanonical(text.normalized(QString::NormalizationForm_C));
}

bool TextSearch::matchesCanonical(QStringView canonical) const
{
    if (m_folded.empty())
        return true;
    // Every code point of the needle takes at least one unit.
    const qsizetype last = canonical.size() - qsizetype(m_folded.size());
    const char16_t *units = canonical.utf16();
    for (qsizetype i = nextCandidate(units, 0, last); i >= 0;
         i = nextCandidate(units, i + 1, last)) {
        qsizetype end = 0;
        if (matchesAt(canonical, i, &end) && isGraphemeBoundary(canonical, i) &&
            isGraphemeBoundary(canonical, end))
            return true;
    }
    return false;
}

bool TextSearch::matchesAt(QStringView text, qsizetype start, qsizetype *end) const
{
    qsizetype i = start;
    for (const char32_t wanted : m_folded) {
        if (i >= text.size() || fold(codePointAt(text, &i)) != wanted)
            return false;
    }
    *end = i;
    return true;
}

bool TextSearch::narrows(const TextSearch &broader) const
{
    if (broader.m_folded.empty())
        return true;
    if (broader.m_turkic != m_turkic || broader.m_folded.size() > m_folded.size() ||
        !std::equal(broader.m_folded.begin(), broader.m_folded.end(), m_folded.begin()))
        return false;
    // "a" followed by a combining mark is a longer needle but finds no "a" at all.
    const QString canonical = m_needle.normalized(QString::NormalizationForm_C);
    qsizetype offset = 0;
    for (std::size_t n = 0; n < broader.m_folded.size(); ++n)
        codePointAt(canonical, &offset);
    return isGraphemeBoundary(canonical, offset);
}

bool TextSearch::isGraphemeBoundary(QStringView text, qsizetype position)
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
        if (!mayContinueCluster(codePointAt(text, &next)))
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
