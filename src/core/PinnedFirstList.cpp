#include "PinnedFirstList.h"

#include "HistoryList.h"

#include <algorithm>

PinnedFirstList::PinnedFirstList(HistoryList &list, QObject *parent)
    : TextListModel(parent), m_list(list)
{
    takePins();
    // The list inserts and removes one row at a time.
    connect(&m_list, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex &, int first, int last) {
                const int row = unpinnedRow(first);
                beginInsertRows({}, row, row + last - first);
            });
    connect(&m_list, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                const auto shift = [&](int &row) {
                    if (row >= first)
                        row += last - first + 1;
                };
                std::for_each(m_pinned.begin(), m_pinned.end(), shift);
                std::for_each(m_excluded.begin(), m_excluded.end(), shift);
                endInsertRows();
            });
    connect(&m_list, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                Q_ASSERT(first == last);
                m_removing = first;
                const int row = rowOfListRow(first);
                beginRemoveRows({}, row, row + last - first);
            });
    connect(&m_list, &QAbstractItemModel::rowsRemoved, this, [this] {
        const int removed = std::exchange(m_removing, -1);
        std::erase(m_pinned, removed);
        std::erase(m_excluded, removed);
        const auto shift = [&](int &row) {
            if (row > removed)
                --row;
        };
        std::for_each(m_pinned.begin(), m_pinned.end(), shift);
        std::for_each(m_excluded.begin(), m_excluded.end(), shift);
        endRemoveRows();
    });
    connect(&m_list, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(&m_list, &QAbstractItemModel::modelReset, this, [this] {
        takePins();
        endResetModel();
    });
    connect(&m_list, &HistoryList::pinChanged, this, &PinnedFirstList::pinChanged);
}

void PinnedFirstList::takePins()
{
    m_pinned.clear();
    for (const qint64 id : m_list.pinnedIds())
        if (const int row = m_list.rowOfItemId(id); row >= 0)
            m_pinned.push_back(row);
    m_excluded = m_pinned;
    std::sort(m_excluded.begin(), m_excluded.end());
}

void PinnedFirstList::exclude(int listRow)
{
    m_excluded.insert(std::lower_bound(m_excluded.begin(), m_excluded.end(), listRow), listRow);
}

void PinnedFirstList::include(int listRow)
{
    const auto at = std::lower_bound(m_excluded.begin(), m_excluded.end(), listRow);
    if (at != m_excluded.end() && *at == listRow)
        m_excluded.erase(at);
}

void PinnedFirstList::pinChanged(int listRow, bool pinned)
{
    if (pinned) {
        const int from = rowOfListRow(listRow);
        beginRemoveRows({}, from, from);
        exclude(listRow);
        endRemoveRows();
        beginInsertRows({}, pinnedCount(), pinnedCount());
        m_pinned.push_back(listRow);
        endInsertRows();
        return;
    }
    const auto at = std::find(m_pinned.begin(), m_pinned.end(), listRow);
    if (at == m_pinned.end())
        return;
    const int from = int(at - m_pinned.begin());
    beginRemoveRows({}, from, from);
    m_pinned.erase(at);
    endRemoveRows();
    // Still excluded, so it counts neither above nor below its place.
    const int to = unpinnedRow(listRow);
    beginInsertRows({}, to, to);
    include(listRow);
    endInsertRows();
}

int PinnedFirstList::unpinnedRow(int listRow) const
{
    const auto above = std::lower_bound(m_excluded.begin(), m_excluded.end(), listRow);
    return pinnedCount() + listRow - int(above - m_excluded.begin());
}

int PinnedFirstList::listRow(int row) const
{
    if (row < pinnedCount())
        return m_pinned[std::size_t(row)];
    // The n-th list row that is not excluded lies past the excluded rows e[i]
    // with e[i] - i <= n, which grows with i: found by bisection.
    const int n = row - pinnedCount();
    std::size_t low = 0;
    std::size_t high = m_excluded.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (m_excluded[mid] - int(mid) <= n)
            low = mid + 1;
        else
            high = mid;
    }
    return n + int(low);
}

int PinnedFirstList::rowOfListRow(int listRow) const
{
    const auto pinned = std::find(m_pinned.begin(), m_pinned.end(), listRow);
    if (pinned != m_pinned.end())
        return int(pinned - m_pinned.begin());
    if (std::binary_search(m_excluded.begin(), m_excluded.end(), listRow))
        return -1;
    return unpinnedRow(listRow);
}

QStringList PinnedFirstList::toStringList() const
{
    QStringList texts;
    texts.reserve(rowCount());
    for (int row = 0; row < rowCount(); ++row)
        texts.append(textAt(row));
    return texts;
}

QString PinnedFirstList::textAt(int row) const
{
    return m_list.textAt(listRow(row));
}

QStringView PinnedFirstList::textView(int row, QString &scratch) const
{
    return m_list.textView(listRow(row), scratch);
}

std::optional<QByteArrayView> PinnedFirstList::utf8View(int row) const
{
    return m_list.utf8At(listRow(row));
}

int PinnedFirstList::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_list.size() - int(m_excluded.size()) + pinnedCount();
}

QVariant PinnedFirstList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() >= rowCount() ||
        index.parent().isValid())
        return {};
    if (role == PinnedRole)
        return isPinned(index.row());
    return m_list.data(m_list.index(listRow(index.row())), role);
}

QHash<int, QByteArray> PinnedFirstList::roleNames() const
{
    auto names = m_list.roleNames();
    names.insert(PinnedRole, "pinned");
    return names;
}
