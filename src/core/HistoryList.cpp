#include "HistoryList.h"

#include "HistoryIndex.h"
#include "RowText.h"
#include "UnicodeText.h"

#include "HistoryStore.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

HistoryList::HistoryList(Category category, HistoryIndex &index, QObject *parent)
    : TextListModel(parent), m_category(category), m_index(index)
{
}

QString HistoryList::textAt(int row) const
{
    return StoredList::textOf(utf8At(row));
}

QStringView HistoryList::textView(int row, QString &scratch) const
{
    const QByteArrayView utf8 = utf8At(row);
    // A text takes no more UTF-16 units than UTF-8 bytes. Never shrunk, so the
    // scratch stops growing once it has held the longest text.
    if (scratch.size() < utf8.size())
        scratch.resize(utf8.size());
    QChar *begin = scratch.data();
    QStringDecoder decoder = StoredList::textDecoder();
    return {begin, decoder.appendToBuffer(begin, utf8)};
}

int HistoryList::rowOfItemId(qint64 id) const
{
    std::size_t at = 0;
    if (m_falls == 0) {
        at = std::size_t(std::lower_bound(m_ids.begin(), m_ids.end(), id) - m_ids.begin());
    } else {
        at = std::size_t(std::find(m_ids.begin(), m_ids.end(), id) - m_ids.begin());
    }
    if (at >= m_ids.size() || m_ids[at] != id)
        return -1;
    return int(m_ids.size() - 1 - at);
}

bool HistoryList::holds(int row, const QString &canonical) const
{
    return canonicalForm(textAt(row)) == canonical;
}

QStringList HistoryList::toStringList() const
{
    QStringList texts;
    texts.reserve(size());
    for (int row = 0; row < size(); ++row)
        texts.append(textAt(row));
    return texts;
}

bool HistoryList::isPinned(int row) const
{
    return std::find(m_pins.begin(), m_pins.end(), itemIdAt(row)) != m_pins.end();
}

void HistoryList::setPinned(int row, bool pinned)
{
    if (row < 0 || row >= size() || isPinned(row) == pinned)
        return;
    if (pinned)
        m_pins.push_back(itemIdAt(row));
    else
        std::erase(m_pins, itemIdAt(row));
    emit pinChanged(row, pinned);
}

void HistoryList::keepPinsOfHeldItems()
{
    std::erase_if(m_pins, [this](qint64 id) { return rowOfItemId(id) < 0; });
}

int HistoryList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

QVariant HistoryList::data(const QModelIndex &index, int role) const
{
    // Views and testers may ask with an index that names no row; that is no fault.
    if (!index.isValid() || index.model() != this || index.row() >= size() ||
        index.parent().isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return displayTextOfUtf8(utf8At(index.row()));
    case TextRole:
        return textAt(index.row());
    default:
        return {};
    }
}

QHash<int, QByteArray> HistoryList::roleNames() const
{
    auto names = TextListModel::roleNames();
    names.insert(TextRole, "text");
    return names;
}

quint64 HistoryList::hashAt(std::size_t at, QString &scratch) const
{
    if (m_starts[at] < 0)
        return m_ownBlocks[ownBlockOf(m_starts[at])].hash;
    return HistoryIndex::hashOfUtf8(utf8Inside(at), scratch);
}

quint64 HistoryList::hashAt(std::size_t at) const
{
    QString scratch;
    return hashAt(at, scratch);
}

void HistoryList::append(QByteArrayView utf8, qint64 id)
{
    Q_ASSERT(utf8.size() <= std::numeric_limits<quint32>::max());
    m_starts.push_back(m_utf8.size());
    m_lengths.push_back(quint32(utf8.size()));
    m_ids.push_back(id);
    m_utf8.append(utf8);
}

void HistoryList::appendOwnBlock(QByteArray utf8, quint64 hash, qint64 id)
{
    std::size_t block = m_ownBlocks.size();
    if (m_freeOwnBlocks.empty()) {
        m_ownBlocks.push_back({});
    } else {
        block = m_freeOwnBlocks.back();
        m_freeOwnBlocks.pop_back();
    }
    m_lengths.push_back(quint32(utf8.size()));
    m_ownBlocks[block] = {std::move(utf8), hash};
    m_starts.push_back(startOfOwnBlock(block));
    m_ids.push_back(id);
}

void HistoryList::forgetOwnBlocks()
{
    m_ownBlocks.clear();
    m_freeOwnBlocks.clear();
}

void HistoryList::prepend(HistoryItem item, const HistoryIndex::Key &key)
{
    const qint64 id = item.storeId != 0 ? item.storeId : m_index.provisionalId();
    beginInsertRows({}, 0, 0);
    QByteArray utf8 = key.utf8.isNull() ? item.text.toUtf8() : key.utf8;
    if (utf8.size() >= ownBlockBytes)
        appendOwnBlock(std::move(utf8), key.hash, id);
    else
        append(utf8, id);
    if (m_ids.size() > 1 && !risesAt(m_ids.size() - 2))
        ++m_falls;
    m_index.add(key.hash, tag(), id);
    endInsertRows();
}

void HistoryList::removeAt(int row)
{
    beginRemoveRows({}, row, row);
    const std::size_t at = inside(row);
    m_index.remove(hashAt(at), tag(), m_ids[at]);
    std::erase(m_pins, m_ids[at]);
    // The pairs around the row give way to one pair of its neighbours.
    if (at > 0 && !risesAt(at - 1))
        --m_falls;
    if (!risesAt(at))
        --m_falls;
    if (const qint64 start = m_starts[at]; start < 0) {
        m_ownBlocks[ownBlockOf(start)] = {};
        m_freeOwnBlocks.push_back(ownBlockOf(start));
    } else {
        m_garbage += m_lengths[at];
    }
    m_starts.erase(m_starts.begin() + qsizetype(at));
    m_lengths.erase(m_lengths.begin() + qsizetype(at));
    m_ids.erase(m_ids.begin() + qsizetype(at));
    if (at > 0 && !risesAt(at - 1))
        ++m_falls;
    if (m_garbage >= minGarbageToCompact && m_garbage * 2 > m_utf8.size())
        compact();
    endRemoveRows();
}

void HistoryList::forgetIndexed()
{
    if (!m_ids.empty())
        m_index.removeList(tag());
}

void HistoryList::reset(QList<HistoryItem> items)
{
    beginResetModel();
    forgetIndexed();
    forgetOwnBlocks();
    m_utf8.clear();
    m_starts.clear();
    m_lengths.clear();
    m_ids.clear();
    m_garbage = 0;
    qsizetype bytes = 0;
    for (const HistoryItem &item : std::as_const(items))
        bytes += item.text.size();
    m_utf8.reserve(bytes);
    // Items not stored are numbered oldest first, so that their ids rise too.
    for (auto item = items.crbegin(); item != items.crend(); ++item)
        append(item->text.toUtf8(), item->storeId != 0 ? item->storeId : m_index.provisionalId());
    items.clear();
    m_utf8.squeeze();
    indexAll();
    keepPinsOfHeldItems();
    endResetModel();
}

std::vector<quint64> HistoryList::hashesOf(const StoredList &stored)
{
    std::vector<quint64> hashes(std::size_t(stored.size()));
    QString scratch;
    for (qsizetype i = 0; i < stored.size(); ++i)
        hashes[std::size_t(i)] = HistoryIndex::hashOfUtf8(stored.utf8At(i), scratch);
    return hashes;
}

void HistoryList::reset(StoredList stored, std::vector<quint64> hashes, std::vector<qint64> pins)
{
    beginResetModel();
    forgetIndexed();
    forgetOwnBlocks();
    // The stored texts stay where they are in their block; only the order of
    // the rows turns round.
    const std::size_t count = stored.ids.size();
    // Like the others, room for new items: untouched, it takes no memory.
    m_lengths.reserve(count + count / 2);
    m_lengths.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        m_lengths[count - 1 - i] = quint32(stored.ends[i] - (i == 0 ? 0 : stored.ends[i - 1]));
    // Each text's end becomes its start where it is: the ends move one on.
    m_starts = std::move(stored.ends);
    if (count > 0) {
        std::move_backward(m_starts.begin(), m_starts.end() - 1, m_starts.end());
        m_starts.front() = 0;
    }
    std::reverse(m_starts.begin(), m_starts.end());
    m_ids = std::move(stored.ids);
    std::reverse(m_ids.begin(), m_ids.end());
    m_utf8 = std::move(stored.utf8);
    m_garbage = 0;
    Q_ASSERT(hashes.size() == count);
    indexAll(&hashes);
    m_pins = std::move(pins);
    keepPinsOfHeldItems();
    endResetModel();
}

void HistoryList::setStoreId(int row, qint64 id)
{
    const std::size_t at = inside(row);
    if (m_ids[at] == id)
        return;
    m_index.changeItem(hashAt(at), tag(), m_ids[at], id);
    const auto fallsAround = [&] {
        return (at > 0 && !risesAt(at - 1) ? 1 : 0) + (!risesAt(at) ? 1 : 0);
    };
    m_falls -= fallsAround();
    std::replace(m_pins.begin(), m_pins.end(), m_ids[at], id);
    m_ids[at] = id;
    m_falls += fallsAround();
}

void HistoryList::countFalls()
{
    m_falls = 0;
    for (std::size_t at = 0; at < m_ids.size(); ++at)
        if (!risesAt(at))
            ++m_falls;
}

void HistoryList::indexAll(const std::vector<quint64> *storedHashes)
{
    countFalls();
    m_index.reserve(m_index.size() + qsizetype(m_ids.size()));
    QString scratch;
    constexpr std::size_t ahead = 16;
    std::array<quint64, ahead> hashes{};
    // In the order the texts lie in their block, which the processor reads ahead.
    const std::size_t size = m_ids.size();
    const bool backwards = size > 1 && m_starts.front() > m_starts.back();
    const auto inBlockOrder = [&](std::size_t i) { return backwards ? size - 1 - i : i; };
    for (std::size_t first = 0; first < size; first += ahead) {
        const std::size_t count = std::min(ahead, size - first);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = inBlockOrder(first + i);
            hashes[i] = storedHashes ? (*storedHashes)[size - 1 - at] : hashAt(at, scratch);
            m_index.prefetch(hashes[i]);
        }
        for (std::size_t i = 0; i < count; ++i)
            m_index.add(hashes[i], tag(), m_ids[inBlockOrder(first + i)]);
    }
}

void HistoryList::compact()
{
    QByteArray packed;
    packed.reserve(m_utf8.size() - m_garbage);
    for (std::size_t at = 0; at < m_starts.size(); ++at) {
        const qint64 start = m_starts[at];
        if (start < 0)
            continue;
        m_starts[at] = packed.size();
        packed.append(m_utf8.constData() + start, m_lengths[at]);
    }
    m_utf8 = std::move(packed);
    m_garbage = 0;
}
