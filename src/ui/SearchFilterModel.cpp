#include "SearchFilterModel.h"

#include "HistoryListModel.h"

#include <algorithm>
#include <numeric>

SearchFilterModel::SearchFilterModel(HistoryListModel &source, QObject *parent)
    : QAbstractListModel(parent), m_source(source)
{
    refilterAll();
    connect(&m_source, &QAbstractItemModel::rowsInserted, this,
            &SearchFilterModel::sourceRowsInserted);
    connect(&m_source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            &SearchFilterModel::sourceRowsAboutToBeRemoved);
    connect(&m_source, &QAbstractItemModel::rowsRemoved, this,
            &SearchFilterModel::sourceRowsRemoved);
    connect(&m_source, &QAbstractItemModel::modelAboutToBeReset, this,
            &SearchFilterModel::beginResetModel);
    connect(&m_source, &QAbstractItemModel::modelReset, this, [this] {
        refilterAll();
        endResetModel();
    });
}

void SearchFilterModel::setSearchText(const QString &text)
{
    if (text == m_search.needle())
        return;
    TextSearch search(text);
    const bool narrower = search.narrows(m_search);
    m_search = std::move(search);
    beginResetModel();
    if (narrower)
        m_rows = matchingRows(m_rows);
    else
        refilterAll();
    endResetModel();
}

void SearchFilterModel::refilterAll()
{
    std::vector<int> all(static_cast<std::size_t>(m_source.rowCount()));
    std::iota(all.begin(), all.end(), 0);
    m_rows = m_search.isEmpty() ? std::move(all) : matchingRows(all);
}

std::vector<int> SearchFilterModel::matchingRows(const std::vector<int> &candidates) const
{
    if (m_search.isEmpty())
        return candidates;
    const QStringList &items = m_source.items();
    std::vector<int> rows;
    for (const int row : candidates) {
        if (m_search.matches(items.at(row)))
            rows.push_back(row);
    }
    return rows;
}

int SearchFilterModel::mapToSource(int row) const
{
    return row >= 0 && std::size_t(row) < m_rows.size() ? m_rows[std::size_t(row)] : -1;
}

int SearchFilterModel::mapFromSource(int sourceRow) const
{
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), sourceRow);
    return it != m_rows.end() && *it == sourceRow ? int(it - m_rows.begin()) : -1;
}

const QString &SearchFilterModel::textAt(int row) const
{
    return m_source.items().at(m_rows.at(std::size_t(row)));
}

int SearchFilterModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant SearchFilterModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    return m_source.data(m_source.index(mapToSource(index.row())), role);
}

QHash<int, QByteArray> SearchFilterModel::roleNames() const
{
    return m_source.roleNames();
}

void SearchFilterModel::sourceRowsInserted(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid())
        return;
    // Shift first, so that the rows already shown keep their items while the new
    // ones are announced.
    const int count = last - first + 1;
    const auto position = std::lower_bound(m_rows.begin(), m_rows.end(), first);
    std::for_each(position, m_rows.end(), [count](int &row) { row += count; });

    std::vector<int> added(static_cast<std::size_t>(count));
    std::iota(added.begin(), added.end(), first);
    added = matchingRows(added);
    if (added.empty())
        return;
    const int row = int(position - m_rows.begin());
    beginInsertRows({}, row, row + int(added.size()) - 1);
    m_rows.insert(m_rows.begin() + row, added.begin(), added.end());
    endInsertRows();
}

void SearchFilterModel::sourceRowsAboutToBeRemoved(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid())
        return;
    const auto from = std::lower_bound(m_rows.begin(), m_rows.end(), first);
    const auto to = std::upper_bound(from, m_rows.end(), last);
    m_removing = from != to;
    if (!m_removing)
        return;
    m_removeFirst = int(from - m_rows.begin());
    m_removeEnd = int(to - m_rows.begin());
    beginRemoveRows({}, m_removeFirst, m_removeEnd - 1);
}

void SearchFilterModel::sourceRowsRemoved(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid())
        return;
    if (m_removing)
        m_rows.erase(m_rows.begin() + m_removeFirst, m_rows.begin() + m_removeEnd);
    const int count = last - first + 1;
    const auto position = std::upper_bound(m_rows.begin(), m_rows.end(), last);
    std::for_each(position, m_rows.end(), [count](int &row) { row -= count; });
    if (m_removing) {
        m_removing = false;
        endRemoveRows();
    }
}
