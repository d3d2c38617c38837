#include "UnitScan.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Eight units side by side, and what the scans do with them.
#if defined(__SSE2__)
using Lanes = __m128i;

Lanes load(const char16_t *units)
{
    Lanes lanes;
    std::memcpy(&lanes, units, sizeof lanes);
    return lanes;
}
Lanes repeat(char16_t unit)
{
    return _mm_set1_epi16(static_cast<short>(unit));
}
Lanes equal(Lanes a, Lanes b)
{
    return _mm_cmpeq_epi16(a, b);
}
Lanes either(Lanes a, Lanes b)
{
    return _mm_or_si128(a, b);
}
// Unsigned a >= least as a signed comparison, with the sign bit flipped on both sides.
Lanes atLeast(Lanes a, char16_t least)
{
    const Lanes sign = repeat(0x8000);
    return _mm_cmpgt_epi16(_mm_xor_si128(a, sign),
                           repeat(static_cast<char16_t>((least - 1) ^ 0x8000)));
}
// The first lane set, or -1.
int firstSet(Lanes hits)
{
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    return mask == 0 ? -1 : std::countr_zero(mask) / 2;
}
#define BRIMVALE_UNIT_LANES 1
#elif defined(__GNUC__)
using Lanes = unsigned short __attribute__((vector_size(16)));

Lanes load(const char16_t *units)
{
    Lanes lanes;
    std::memcpy(&lanes, units, sizeof lanes);
    return lanes;
}
Lanes repeat(char16_t unit)
{
    return Lanes{} + static_cast<unsigned short>(unit);
}
Lanes equal(Lanes a, Lanes b)
{
    return reinterpret_cast<Lanes>(a == b);
}
Lanes either(Lanes a, Lanes b)
{
    return a | b;
}
Lanes atLeast(Lanes a, char16_t least)
{
    return reinterpret_cast<Lanes>(a >= repeat(least));
}
int firstSet(Lanes hits)
{
    std::array<std::uint64_t, 2> halves{};
    std::memcpy(halves.data(), &hits, sizeof halves);
    if ((halves[0] | halves[1]) == 0)
        return -1;
    std::array<unsigned short, 8> units{};
    std::memcpy(units.data(), &hits, sizeof units);
    return int(std::find_if(units.begin(), units.end(), [](unsigned short u) { return u != 0; }) -
               units.begin());
}
#define BRIMVALE_UNIT_LANES 1
#endif

constexpr qsizetype width = 8;

} // namespace

UnitScan::UnitScan(std::initializer_list<char16_t> units) : UnitScan(units.begin(), units.size()) {}

UnitScan::UnitScan(const char16_t *units, std::size_t count) : m_count(std::min(count, maxUnits))
{
    Q_ASSERT(count >= 1 && count <= maxUnits);
    for (std::size_t k = 0; k < m_count; ++k)
        std::fill_n(m_repeated.begin() + std::ptrdiff_t(k * lanes), lanes, units[k]);
}

bool UnitScan::contains(char16_t unit) const
{
    for (std::size_t k = 0; k < m_count; ++k) {
        if (m_repeated[k * lanes] == unit)
            return true;
    }
    return false;
}

qsizetype UnitScan::find(const char16_t *text, qsizetype from, qsizetype to) const
{
    // Comparing only with the units there are: most scans look for two or three.
    switch (m_count) {
    case 1:
        return findAmong<1>(text, from, to);
    case 2:
        return findAmong<2>(text, from, to);
    case 3:
        return findAmong<3>(text, from, to);
    case 4:
        return findAmong<4>(text, from, to);
    default:
        return to;
    }
}

template <std::size_t count>
qsizetype UnitScan::findAmong(const char16_t *text, qsizetype from, qsizetype to) const
{
    qsizetype i = from;
#if defined(BRIMVALE_UNIT_LANES)
    Lanes wanted[count];
    for (std::size_t k = 0; k < count; ++k)
        wanted[k] = load(m_repeated.data() + k * lanes);
    for (; i + width <= to; i += width) {
        const Lanes block = load(text + i);
        Lanes hits = equal(block, wanted[0]);
        for (std::size_t k = 1; k < count; ++k)
            hits = either(hits, equal(block, wanted[k]));
        if (const int lane = firstSet(hits); lane >= 0)
            return i + lane;
    }
#endif
    for (; i < to; ++i) {
        for (std::size_t k = 0; k < count; ++k) {
            if (text[i] == m_repeated[k * lanes])
                return i;
        }
    }
    return to;
}

qsizetype findUnitAtLeast(const char16_t *text, qsizetype from, qsizetype to, char16_t least)
{
    // Every unit is at least 0; the lanes below compare with least - 1.
    if (least == 0)
        return std::min(from, to);
    qsizetype i = from;
#if defined(BRIMVALE_UNIT_LANES)
    for (; i + width <= to; i += width) {
        if (const int lane = firstSet(atLeast(load(text + i), least)); lane >= 0)
            return i + lane;
    }
#endif
    for (; i < to; ++i) {
        if (text[i] >= least)
            return i;
    }
    return to;
}
