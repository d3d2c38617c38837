#pragma once

#include <QtGlobal>

#include <array>
#include <initializer_list>

// Scans over UTF-16 units that look at eight units at a time where the compiler
// allows. The preview's line breaks, the search's first letters and the check for
// texts that may not be in NFC all go through here: they scan texts of tens of
// megabytes in which most blocks of units hold nothing of interest.

// Looks for any of a few units.
class UnitScan final
{
public:
    static constexpr std::size_t maxUnits = 4;

    // One to maxUnits units.
    explicit UnitScan(std::initializer_list<char16_t> units);
    UnitScan(const char16_t *units, std::size_t count);

    bool contains(char16_t unit) const;
    // The first position in [from, to) whose unit is one of ours, or `to`.
    qsizetype find(const char16_t *text, qsizetype from, qsizetype to) const;

private:
    template <std::size_t count>
    qsizetype findAmong(const char16_t *text, qsizetype from, qsizetype to) const;

    static constexpr std::size_t lanes = 8;
    // Each unit once per lane, so that a scan loads its comparands instead of
    // building them: the preview calls find() once per line.
    alignas(16) std::array<char16_t, lanes * maxUnits> m_repeated{};
    std::size_t m_count = 0;
};

// The first position in [from, to) whose unit is `least` or above, or `to`.
qsizetype findUnitAtLeast(const char16_t *text, qsizetype from, qsizetype to, char16_t least);
