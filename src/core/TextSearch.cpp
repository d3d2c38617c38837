#include "TextSearch.h"

#include "UnitScan.h"

#include <QHash>
#include <QMutex>

#include <algorithm>
#include <bitset>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

bool isAscii(QByteArrayView bytes)
{
    // Eight bytes at a time, looked at after each 64: the compiler turns the inner
    // loop into vector instructions, and a long text stops early at its first
    // non-ASCII block.
    constexpr qsizetype block = 64;
    const char *at = bytes.data();
    const char *const end = at + bytes.size();
    for (; end - at >= block; at += block) {
        quint64 any = 0;
        for (qsizetype i = 0; i < block; i += 8) {
            quint64 word = 0;
            std::memcpy(&word, at + i, 8);
            any |= word;
        }
        if (any & 0x8080808080808080ULL)
            return false;
    }
    for (; at < end; ++at)
        if (uchar(*at) >= 0x80)
            return false;
    return true;
}

// Whether a boundary of user-perceived characters lies at `position` of the text
// `utf8` holds, when the code point on at least one side of it is ASCII. The
// rules then look at the two code points beside it only (ASCII is neither a
// regional indicator nor a pictograph), so those two are all that is decoded.
bool isUtf8GraphemeBoundary(QByteArrayView utf8, qsizetype position)
{
    if (position == 0 || position >= utf8.size())
        return true;
    const uchar before = uchar(utf8[position - 1]);
    const uchar after = uchar(utf8[position]);
    if (before < 0x80 && after < 0x80)
        return before != '\r' || after != '\n';
    const auto isContinuation = [&](qsizetype at) { return (uchar(utf8[at]) & 0xC0) == 0x80; };
    qsizetype from = position - 1;
    while (from > 0 && position - from < 4 && isContinuation(from))
        --from;
    qsizetype to = position + 1;
    while (to < utf8.size() && to - position < 4 && isContinuation(to))
        ++to;
    const QString left = QString::fromUtf8(utf8.sliced(from, position - from));
    const QString window = left + QString::fromUtf8(utf8.sliced(position, to - position));
    return ::isGraphemeBoundary(window, left.size());
}

// Per case folding: the ASCII characters some other character of a text in NFC
// folds to (the long s to s; in Turkic, the dotted capital I to i).
const std::bitset<0x80> &foldedIntoAscii(CaseFolding folding)
{
    static const auto tables = [] {
        std::array<std::bitset<0x80>, 2> made;
        for (const CaseFolding each : {CaseFolding::Default, CaseFolding::Turkic}) {
            // Folding never leaves a plane, so only the first can reach ASCII.
            for (char32_t c = 0x80; c < 0x10000; ++c) {
                const char32_t folded = foldCase(c, each);
                if (folded < 0x80 && !QChar::isSurrogate(c) &&
                    isCanonical(QString(QChar(char16_t(c)))))
                    made[each == CaseFolding::Turkic ? 1 : 0].set(folded);
            }
        }
        return made;
    }();
    return tables[folding == CaseFolding::Turkic ? 1 : 0];
}

} // namespace

struct TextSearch::FirstUnits
{
    std::bitset<0x10000> all;
    // When there are few enough, the faster scan for them; otherwise `all` is
    // looked up unit by unit.
    std::optional<UnitScan> few;
};

TextSearch::TextSearch(const QString &needle, const QLocale &locale)
    : m_needle(needle), m_folding(caseFoldingFor(locale))
{
    const QString canonical = canonicalForm(needle);
    for (qsizetype i = 0; i < canonical.size();)
        m_folded.push_back(fold(nextCodePoint(canonical, &i)));
    if (m_folded.empty())
        return;

    m_firstUnits = firstUnitsFor(m_folded.front(), m_folding);
    for (char32_t byte = 0; byte < 0x80; ++byte) {
        if (fold(byte) == m_folded.front() && m_asciiFirstCount < m_asciiFirst.size())
            m_asciiFirst[m_asciiFirstCount++] = char(byte);
    }
    const std::bitset<0x80> &reachable = foldedIntoAscii(m_folding);
    if (const FirstUnits &first = *m_firstUnits; first.few && m_folded.front() <= 0xFFFF) {
        for (char16_t unit = 0;; ++unit) {
            if (first.all[unit])
                m_firstSources.push_back(QString(QChar(unit)).toUtf8());
            if (unit == 0xFFFF)
                break;
        }
    }
    m_matchesAsBytes = std::all_of(m_folded.begin(), m_folded.end(),
                                   [&](char32_t c) { return c < 0x80 && !reachable[c]; });
}

std::shared_ptr<const TextSearch::FirstUnits> TextSearch::firstUnitsFor(char32_t folded,
                                                                        CaseFolding folding)
{
    // Finding the units folding to a letter takes a pass over the 65,536 of them,
    // and a search usually starts with the letter the last one started with.
    static QMutex mutex;
    static QHash<quint64, std::shared_ptr<const FirstUnits>> known;
    const quint64 key = (quint64(folded) << 1) | (folding == CaseFolding::Turkic ? 1 : 0);
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
            if (!QChar::isSurrogate(unit) && foldCase(unit, folding) == folded)
                units->all.set(unit);
        }
    }
    if (units->all.count() <= UnitScan::maxUnits) {
        std::array<char16_t, UnitScan::maxUnits> few{};
        std::size_t count = 0;
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            if (units->all[unit])
                few[count++] = char16_t(unit);
        }
        if (count > 0)
            units->few.emplace(few.data(), count);
    }
    if (known.size() > 256)
        known.clear();
    known.insert(key, units);
    return units;
}

qsizetype TextSearch::nextCandidate(const char16_t *units, qsizetype from, qsizetype last) const
{
    const FirstUnits &first = *m_firstUnits;
    if (first.few) {
        const qsizetype at = first.few->find(units, from, last + 1);
        return at <= last ? at : -1;
    }
    for (qsizetype i = from; i <= last; ++i) {
        if (first.all[units[i]])
            return i;
    }
    return -1;
}

bool TextSearch::matches(QStringView text) const
{
    if (m_folded.empty())
        return true;
    // Most texts are in NFC, and known so without a copy.
    if (!mayNeedComposing(text))
        return matchesCanonical(text);
    return matchesCanonical(canonicalForm(text.toString()));
}

bool TextSearch::isCanonical(QStringView text)
{
    // Only a text that may need composing is copied to look at its form.
    return !mayNeedComposing(text) || ::isCanonical(text.toString());
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
        if (matchesAt(canonical, i, &end) && ::isGraphemeBoundary(canonical, i) &&
            ::isGraphemeBoundary(canonical, end))
            return true;
    }
    return false;
}

std::optional<bool> TextSearch::matchesUtf8(QByteArrayView utf8, bool knownCanonical) const
{
    if (m_folded.empty())
        return true;
    // In either case the needle's code points are one byte each where they match.
    const bool canonical = knownCanonical || isPlainlyCanonicalUtf8(utf8);
    if ((m_matchesAsBytes && canonical) || (!m_matchesAsBytes && isAscii(utf8)))
        return matchesBytes(utf8);
    // A match starts with a character that folds to the needle's first.
    const std::string_view bytes(utf8.data(), std::size_t(utf8.size()));
    if (canonical && !m_firstSources.empty() &&
        std::none_of(m_firstSources.begin(), m_firstSources.end(), [&](const QByteArray &source) {
            return bytes.find(std::string_view(source.data(), std::size_t(source.size()))) !=
                   std::string_view::npos;
        }))
        return false;
    return std::nullopt;
}

bool TextSearch::matchesBytes(QByteArrayView utf8) const
{
    const qsizetype size = utf8.size();
    const qsizetype count = qsizetype(m_folded.size());
    const qsizetype last = size - count;
    const char *bytes = utf8.data();
    // The next place of each byte a match can start with; memchr looks at many
    // bytes at a time, so each is looked for on its own.
    std::array<qsizetype, 2> next{};
    const auto findFrom = [&](std::size_t k, qsizetype from) -> qsizetype {
        if (from > last)
            return size;
        const void *at = std::memchr(bytes + from, m_asciiFirst[k], std::size_t(last + 1 - from));
        return at ? static_cast<const char *>(at) - bytes : size;
    };
    for (std::size_t k = 0; k < m_asciiFirstCount; ++k)
        next[k] = findFrom(k, 0);
    while (m_asciiFirstCount > 0) {
        const std::size_t k = m_asciiFirstCount == 2 && next[1] < next[0] ? 1 : 0;
        const qsizetype start = next[k];
        if (start > last)
            return false;
        if (matchesBytesAt(bytes, start) && isUtf8GraphemeBoundary(utf8, start) &&
            isUtf8GraphemeBoundary(utf8, start + count))
            return true;
        next[k] = findFrom(k, start + 1);
    }
    return false;
}

bool TextSearch::matchesBytesAt(const char *bytes, qsizetype start) const
{
    for (std::size_t i = 0; i < m_folded.size(); ++i) {
        const uchar byte = uchar(bytes[start + qsizetype(i)]);
        if (byte >= 0x80 || fold(byte) != m_folded[i])
            return false;
    }
    return true;
}

bool TextSearch::matchesAt(QStringView text, qsizetype start, qsizetype *end) const
{
    qsizetype i = start;
    for (const char32_t wanted : m_folded) {
        if (i >= text.size() || fold(nextCodePoint(text, &i)) != wanted)
            return false;
    }
    *end = i;
    return true;
}

bool TextSearch::narrows(const TextSearch &broader) const
{
    if (broader.m_folded.empty())
        return true;
    if (broader.m_folding != m_folding || broader.m_folded.size() > m_folded.size() ||
        !std::equal(broader.m_folded.begin(), broader.m_folded.end(), m_folded.begin()))
        return false;
    // "a" followed by a combining mark is a longer needle but finds no "a" at all.
    const QString canonical = canonicalForm(m_needle);
    qsizetype offset = 0;
    for (std::size_t n = 0; n < broader.m_folded.size(); ++n)
        nextCodePoint(canonical, &offset);
    return ::isGraphemeBoundary(canonical, offset);
}
