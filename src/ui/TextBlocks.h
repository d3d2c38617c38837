#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// A text cut into blocks for display: at every line break, and inside very long
// lines every few thousand characters (at a space when there is one nearby, never
// inside a user-perceived character), so that no block needs a long layout.
// Blocks share the text's storage. Texts of 2^32 units and more are shown up to
// that length.
class TextBlocks final
{
public:
    static constexpr qsizetype defaultMaxBlock = 4096;

    explicit TextBlocks(const QString &text = {}, qsizetype maxBlock = defaultMaxBlock);

    const QString &text() const { return m_text; }
    qsizetype count() const { return qsizetype(m_starts.size()); }
    // The block's characters, without the line break that ends it.
    QStringView block(qsizetype index) const;
    qsizetype start(qsizetype index) const { return m_starts[std::size_t(index)]; }

private:
    qsizetype cutInsideLine(qsizetype from, qsizetype lineEnd) const;

    QString m_text;
    qsizetype m_maxBlock;
    // Where each block starts; where it ends follows from the next start and the
    // line break before it. Four bytes each: a 50 MB text of short lines has
    // hundreds of thousands of blocks.
    std::vector<quint32> m_starts;
};

// Sums of block heights that can be changed one at a time, so that the y of any
// block and the block at any y cost a logarithm of the count.
class HeightSums final
{
public:
    void assign(const std::vector<int> &heights);
    qsizetype count() const { return qsizetype(m_heights.size()); }
    int height(qsizetype index) const { return m_heights[std::size_t(index)]; }
    void setHeight(qsizetype index, int height);
    // Sum of the heights of the blocks before `index`.
    qint64 top(qsizetype index) const;
    qint64 total() const { return top(count()); }
    // The block covering `y` (the last one for y past the end).
    qsizetype indexAt(qint64 y) const;

private:
    std::vector<int> m_heights;
    std::vector<qint64> m_tree; // Fenwick tree, 1-based
};
