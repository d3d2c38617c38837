#include "UnitScan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

UnitScan::UnitScan(std::initializer_list<char16_t> units) : UnitScan(units.begin(), units.size()) {}

UnitScan::UnitScan(const char16_t *units, std::size_t count)
{
    Q_ASSERT(count >= 1 && count <= maxUnits);
    count = std::min(count, maxUnits);
    for (std::size_t k = 0; k < maxUnits; ++k)
        m_units[k] = units[k < count ? k : 0];
}

qsizetype UnitScan::find(const char16_t *text, qsizetype from, qsizetype to) const
{
    qsizetype i = from;
#if defined(__GNUC__)
    using Lanes = unsigned short __attribute__((vector_size(16)));
    constexpr qsizetype width = 8;
    std::array<Lanes, maxUnits> wanted{};
    for (std::size_t k = 0; k < maxUnits; ++k) {
        for (qsizetype lane = 0; lane < width; ++lane)
            wanted[k][lane] = m_units[k];
    }
    for (; i + width <= to; i += width) {
        Lanes block;
        std::memcpy(&block, text + i, sizeof block);
        const auto hits = (block == wanted[0]) | (block == wanted[1]) | (block == wanted[2]) |
                          (block == wanted[3]);
        std::array<std::uint64_t, 2> halves{};
        std::memcpy(halves.data(), &hits, sizeof halves);
        // The hit is in this block; the loop below finds which unit it is.
        if ((halves[0] | halves[1]) != 0)
            break;
    }
#endif
    for (; i < to; ++i) {
        if (contains(text[i]))
            return i;
    }
    return to;
}
