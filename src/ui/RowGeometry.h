#pragma once

#include <vector>

// Vertical positions of the list's rows. Every row has the same height except a
// few: the one with an open preview is taller, one that is coming in grows from
// nothing, and a row that was removed leaves a gap that closes. Those few are kept
// as adjustments, so that finding a row costs a search over the rows, never a
// pass over a hundred thousand heights.
class RowGeometry final
{
public:
    struct Adjustment
    {
        int row = 0;
        int height = 0;   // added to the row's height, or the gap's own height
        bool gap = false; // a gap lies just above `row` (row == rowCount: at the end)
    };

    void reset(int rowCount);
    void setBaseHeight(int height) { m_baseHeight = height; }
    int baseHeight() const { return m_baseHeight; }
    int rowCount() const { return m_rowCount; }

    int add(const Adjustment &adjustment); // returns an id
    void setHeight(int id, int height);
    void remove(int id);
    // Null when the id is gone (its row was removed, or the list reset).
    const Adjustment *find(int id) const;

    // Adjustments follow their rows; a removed row's own adjustments go with it.
    void insertRows(int first, int count);
    void removeRows(int first, int count);

    int rowTop(int row) const;
    int rowHeight(int row) const;
    int gapTop(int id) const;
    int totalHeight() const;
    // The row covering `y`, or -1 for a gap or outside the rows.
    int rowAt(int y) const;
    // The first row whose bottom lies below `y` (rowCount when none).
    int firstRowEndingBelow(int y) const;

    template <typename Visit> void forEachGap(Visit visit) const
    {
        for (const Entry &entry : m_entries) {
            if (entry.adjustment.gap)
                visit(entry.id, entry.adjustment);
        }
    }

private:
    struct Entry
    {
        int id = 0;
        Adjustment adjustment;
    };

    int m_rowCount = 0;
    int m_baseHeight = 0;
    int m_nextId = 1;
    std::vector<Entry> m_entries;
};
