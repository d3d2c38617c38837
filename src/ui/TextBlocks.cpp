#include "TextBlocks.h"

#include "UnicodeText.h"
#include "UnitScan.h"

#include <bit>
#include <limits>

namespace {

// Line feed, carriage return and paragraph separator each end a line.
const UnitScan lineEnds{u'\n', u'\r', u'\u2029'};

// Calls `visit` with the position of every line end, in order. A preview may
// scan 50 MB before it shows, so the units are looked at several at a time.
template <typename Visit> void forEachLineEnd(const char16_t *units, qsizetype size, Visit visit)
{
    for (qsizetype at = lineEnds.find(units, 0, size); at < size;
         at = lineEnds.find(units, at + 1, size))
        visit(at);
}

} // namespace

TextBlocks::TextBlocks(const QString &text, qsizetype maxBlock)
    : m_text(text), m_maxBlock(std::max<qsizetype>(maxBlock, 16))
{
    const qsizetype size = std::min<qsizetype>(m_text.size(), std::numeric_limits<quint32>::max());
    const auto *units = reinterpret_cast<const char16_t *>(m_text.utf16());
    qsizetype lines = 1;
    forEachLineEnd(units, size, [&lines](qsizetype) { ++lines; });
    m_starts.reserve(std::size_t(lines + size / m_maxBlock));

    qsizetype from = 0;
    const auto endBlocksAt = [&](qsizetype lineEnd) {
        // Long lines go out as several blocks.
        while (lineEnd - from > m_maxBlock) {
            m_starts.push_back(quint32(from));
            from = cutInsideLine(from, lineEnd);
        }
        m_starts.push_back(quint32(from));
        from = lineEnd + 1;
    };
    forEachLineEnd(units, size, [&](qsizetype at) {
        // The LF of a CR LF ends no second line.
        if (at == from && at > 0 && units[at] == u'\n' && units[at - 1] == u'\r')
            ++from;
        else
            endBlocksAt(at);
    });
    endBlocksAt(size);
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
        if (isGraphemeBoundary(m_text, at))
            return at;
    }
    return limit;
}

QStringView TextBlocks::block(qsizetype index) const
{
    const qsizetype from = m_starts[std::size_t(index)];
    qsizetype end = std::min<qsizetype>(m_text.size(), std::numeric_limits<quint32>::max());
    if (index + 1 < count()) {
        // A block cut inside a line ends where the next one starts; a line ends
        // before its line break.
        end = m_starts[std::size_t(index) + 1];
        if (end - 2 >= from && m_text.at(end - 1) == u'\n' && m_text.at(end - 2) == u'\r')
            end -= 2;
        else if (end - 1 >= from && lineEnds.contains(m_text.at(end - 1).unicode()))
            end -= 1;
    }
    return QStringView(m_text).sliced(from, end - from);
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
