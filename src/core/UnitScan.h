#pragma once

#include <QtGlobal>

#include <array>
#include <initializer_list>

// Looks for any of a few UTF-16 units, eight units at a time where the compiler
// allows. The preview's line breaks and the search's first letters are found with
// it: both scan texts of tens of megabytes in which most blocks hold none.
class UnitScan final
{
public:
    static constexpr std::size_t maxUnits = 4;

    // One to maxUnits units.
    explicit UnitScan(std::initializer_list<char16_t> units);
    UnitScan(const char16_t *units, std::size_t count);

    bool contains(char16_t unit) const
    {
        return unit == m_units[0] || unit == m_units[1] || unit == m_units[2] || unit == m_units[3];
    }
    // The first position in [from, to) whose unit is one of ours, or `to`.
    qsizetype find(const char16_t *text, qsizetype from, qsizetype to) const;

private:
    // Unused slots repeat the first unit, which changes nothing.
    std::array<char16_t, maxUnits> m_units{};
};
