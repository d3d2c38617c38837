#include "TextBlocks.h"

#include "TextSearch.h"

#include <bit>

namespace {

bool endsLine(char16_t unit)
{
    return unit == u'\n' || unit == u'\r' || unit == 0x2029;
}

} // namespace

TextBlocks::TextBlocks(const QString &text, qsizetype maxBlock)
    : m_text(text), m_maxBlock(std::max<qsizetype>(maxBlock, 16))
{
    const auto *units = reinterpret_cast<const char16_t *>(m_text.utf16());
    const qsizetype size = m_text.size();
    qsizetype from = 0;
    for (;;) {
        qsizetype lineEnd = from;
        while (lineEnd < size && !endsLine(units[lineEnd]))
            ++lineEnd;
        // Long lines go out as several blocks.
        while (lineEnd - from > m_maxBlock) {
            const qsizetype cut = cutInsideLine(from, lineEnd);
            m_starts.push_back(from);
            m_ends.push_back(cut);
            from = cut;
        }
        m_starts.push_back(from);
        m_ends.push_back(lineEnd);
        if (lineEnd >= size)
            break;
        qsizetype next = lineEnd + 1;
        if (units[lineEnd] == u'\r' && next < size && units[next] == u'\n')
            ++next;
        from = next;
    }
}

qsizetype TextBlocks::cutInsideLine(qsizetype from, qsizetype lineEnd) const
{
    const qsizetype limit = std::min(lineEnd, from + m_maxBlock);
    const qsizetype earliest = limit - m_maxBlock / 8;
    for (qsizetype at = limit; at > earliest; --at) {
        if (m_text.at(at - 1).isSpace())
            return at;
    }
    for (qsizetype at = limit; at > from + 1; --at) {
        if (TextSearch::isGraphemeBoundary(m_text, at))
            return at;
    }
    return limit;
}

QStringView TextBlocks::block(qsizetype index) const
{
    const qsizetype from = m_starts[std::size_t(index)];
    return QStringView(m_text).sliced(from, m_ends[std::size_t(index)] - from);
}

void HeightSums::assign(const std::vector<int> &heights)
{
    m_heights = heights;
    m_tree.assign(heights.size() + 1, 0);
    for (std::size_t i = 1; i <= heights.size(); ++i) {
        m_tree[i] += heights[i - 1];
        const std::size_t parent = i + (i & (~i + 1));
        if (parent <= heights.size())
            m_tree[parent] += m_tree[i];
    }
}

void HeightSums::setHeight(qsizetype index, int height)
{
    const qint64 delta = height - m_heights[std::size_t(index)];
    m_heights[std::size_t(index)] = height;
    for (std::size_t i = std::size_t(index) + 1; i < m_tree.size(); i += i & (~i + 1))
        m_tree[i] += delta;
}

qint64 HeightSums::top(qsizetype index) const
{
    qint64 sum = 0;
    for (std::size_t i = std::size_t(index); i > 0; i -= i & (~i + 1))
        sum += m_tree[i];
    return sum;
}

qsizetype HeightSums::indexAt(qint64 y) const
{
    if (m_heights.empty())
        return 0;
    // Walk down the tree for the largest prefix whose sum stays at or below y.
    std::size_t position = 0;
    qint64 remaining = y;
    for (std::size_t step = std::bit_floor(m_heights.size()); step > 0; step >>= 1) {
        const std::size_t next = position + step;
        if (next <= m_heights.size() && m_tree[next] <= remaining) {
            position = next;
            remaining -= m_tree[next];
        }
    }
    return std::min<qsizetype>(qsizetype(position), count() - 1);
}
