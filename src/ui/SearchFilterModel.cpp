#include "SearchFilterModel.h"

#include "HistoryList.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <numeric>

namespace {

// Below this many candidates one thread does the search; above, the cores share
// it in slices of this size.
constexpr std::size_t slice = 4096;

enum Form : std::uint8_t { Unknown = 0, Canonical = 1, NotCanonical = 2 };

} // namespace

SearchFilterModel::SearchFilterModel(HistoryList &source, QObject *parent)
    : QAbstractListModel(parent), m_source(source), m_pool(new QThreadPool(this))
{
    m_pool->setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
    m_forms.assign(std::size_t(m_source.rowCount()), Unknown);
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
        m_forms.assign(std::size_t(m_source.rowCount()), Unknown);
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

bool SearchFilterModel::passes(int sourceRow)
{
    // Safe from several threads: each row's form is written by one of them only.
    const QString &item = m_source.textAt(sourceRow);
    std::uint8_t &form = m_forms[std::size_t(sourceRow)];
    if (form == Unknown)
        form = TextSearch::isCanonical(item) ? Canonical : NotCanonical;
    return form == Canonical ? m_search.matchesCanonical(item) : m_search.matches(item);
}

std::vector<int> SearchFilterModel::matchingRows(const std::vector<int> &candidates)
{
    if (m_search.isEmpty())
        return candidates;
    const std::size_t slices = (candidates.size() + slice - 1) / slice;
    std::vector<std::vector<int>> found(slices);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t s = next++; s < slices; s = next++) {
            const std::size_t end = std::min(candidates.size(), (s + 1) * slice);
            for (std::size_t i = s * slice; i < end; ++i) {
                if (passes(candidates[i]))
                    found[s].push_back(candidates[i]);
            }
        }
    };
    const int helpers = slices > 1 ? std::min(int(slices) - 1, m_pool->maxThreadCount()) : 0;
    QSemaphore finished;
    for (int i = 0; i < helpers; ++i) {
        m_pool->start([&] {
            work();
            finished.release();
        });
    }
    work();
    finished.acquire(helpers);

    std::vector<int> rows;
    for (const std::vector<int> &part : found)
        rows.insert(rows.end(), part.begin(), part.end());
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
    return m_source.textAt(m_rows.at(std::size_t(row)));
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
    m_forms.insert(m_forms.begin() + first, std::size_t(count), Unknown);
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
    m_forms.erase(m_forms.begin() + first, m_forms.begin() + last + 1);
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
