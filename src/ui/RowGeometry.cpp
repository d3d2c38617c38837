#include "RowGeometry.h"

#include <algorithm>

void RowGeometry::reset(int rowCount)
{
    m_rowCount = rowCount;
    m_entries.clear();
}

int RowGeometry::add(const Adjustment &adjustment)
{
    const int id = m_nextId++;
    m_entries.push_back({id, adjustment});
    return id;
}

void RowGeometry::setHeight(int id, int height)
{
    for (Entry &entry : m_entries) {
        if (entry.id == id)
            entry.adjustment.height = height;
    }
}

void RowGeometry::remove(int id)
{
    std::erase_if(m_entries, [id](const Entry &entry) { return entry.id == id; });
}

const RowGeometry::Adjustment *RowGeometry::find(int id) const
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [id](const Entry &entry) { return entry.id == id; });
    return it == m_entries.end() ? nullptr : &it->adjustment;
}

void RowGeometry::insertRows(int first, int count)
{
    m_rowCount += count;
    for (Entry &entry : m_entries) {
        if (entry.adjustment.row >= first)
            entry.adjustment.row += count;
    }
}

void RowGeometry::removeRows(int first, int count)
{
    const int end = first + count;
    std::erase_if(m_entries, [first, end](const Entry &entry) {
        return !entry.adjustment.gap && entry.adjustment.row >= first && entry.adjustment.row < end;
    });
    for (Entry &entry : m_entries) {
        int &row = entry.adjustment.row;
        if (row >= end)
            row -= count;
        else if (row > first)
            row = first; // a gap inside the removed rows
    }
    m_rowCount -= count;
}

int RowGeometry::rowTop(int row) const
{
    int top = row * m_baseHeight;
    for (const Entry &entry : m_entries) {
        const Adjustment &a = entry.adjustment;
        if (a.gap ? a.row <= row : a.row < row)
            top += a.height;
    }
    return top;
}

int RowGeometry::rowHeight(int row) const
{
    int height = m_baseHeight;
    for (const Entry &entry : m_entries) {
        if (!entry.adjustment.gap && entry.adjustment.row == row)
            height += entry.adjustment.height;
    }
    return std::max(0, height);
}

int RowGeometry::gapTop(int id) const
{
    const Adjustment *gap = find(id);
    if (!gap)
        return 0;
    int top = gap->row * m_baseHeight;
    // Gaps above the same row lie in the order they were added.
    bool addedBefore = true;
    for (const Entry &entry : m_entries) {
        if (entry.id == id) {
            addedBefore = false;
            continue;
        }
        const Adjustment &a = entry.adjustment;
        if (a.row < gap->row || (a.gap && a.row == gap->row && addedBefore))
            top += a.height;
    }
    return top;
}

int RowGeometry::totalHeight() const
{
    int total = m_rowCount * m_baseHeight;
    for (const Entry &entry : m_entries)
        total += entry.adjustment.height;
    return total;
}

int RowGeometry::firstRowEndingBelow(int y) const
{
    // Row bottoms grow with the row, so the answer is found by bisection.
    int low = 0;
    int high = m_rowCount;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (rowTop(mid) + rowHeight(mid) > y)
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

int RowGeometry::rowAt(int y) const
{
    if (y < 0)
        return -1;
    const int row = firstRowEndingBelow(y);
    if (row >= m_rowCount || rowTop(row) > y)
        return -1;
    return row;
}
