#include "TextSearch.h"

#include "UnitScan.h"

#include <QHash>
#include <QMutex>

#include <bitset>
#include <optional>

TextSearch::TextSearch(const QString &needle, const QLocale &locale)
    : m_needle(needle), m_folding(caseFoldingFor(locale))
{
    const QString canonical = canonicalForm(needle);
    for (qsizetype i = 0; i < canonical.size();)
        m_folded.push_back(fold(nextCodePoint(canonical, &i)));
    if (m_folded.empty())
        return;

    m_firstUnits = firstUnitsFor(m_folded.front(), m_folding);
}

struct TextSearch::FirstUnits
{
    std::bitset<0x10000> all;
    // When there are few enough, the faster scan for them; otherwise `all` is
    // looked up unit by unit.
    std::optional<UnitScan> few;
};

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
