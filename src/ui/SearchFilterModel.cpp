#include "SearchFilterModel.h"

#include "TextListModel.h"

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

SearchFilterModel::SearchFilterModel(QObject *parent)
    : QAbstractProxyModel(parent), m_pool(new QThreadPool(this))
{
    m_pool->setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
}

SearchFilterModel::~SearchFilterModel() = default;

void SearchFilterModel::setSourceModel(QAbstractItemModel *source)
{
    auto *texts = qobject_cast<TextListModel *>(source);
    if (source && !texts)
        qWarning("SearchFilterModel: the source must be a TextListModel");
    if (texts == m_source)
        return;
    beginResetModel();
    for (const QMetaObject::Connection &connection : m_connections)
        disconnect(connection);
    m_connections.clear();
    m_source = texts;
    m_resetting = false;
    QAbstractProxyModel::setSourceModel(texts);
    if (m_source)
        connectSource();
    m_forms.assign(std::size_t(m_source ? m_source->rowCount() : 0), Unknown);
    refilterAll();
    endResetModel();
}

void SearchFilterModel::connectSource()
{
    const auto take = [this](QMetaObject::Connection connection) {
        m_connections.push_back(std::move(connection));
    };
    take(connect(m_source, &QAbstractItemModel::rowsInserted, this,
                 &SearchFilterModel::sourceRowsInserted));
    take(connect(m_source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                 &SearchFilterModel::sourceRowsAboutToBeRemoved));
    take(connect(m_source, &QAbstractItemModel::rowsRemoved, this,
                 &SearchFilterModel::sourceRowsRemoved));
    take(connect(m_source, &QAbstractItemModel::dataChanged, this,
                 &SearchFilterModel::sourceDataChanged));
    take(connect(m_source, &QAbstractItemModel::modelAboutToBeReset, this,
                 &SearchFilterModel::beginSourceReset));
    take(connect(m_source, &QAbstractItemModel::modelReset, this, &SearchFilterModel::sourceReset));
    // A list reordered is taken as a new list: nothing here reorders its rows.
    take(connect(m_source, &QAbstractItemModel::layoutAboutToBeChanged, this,
                 &SearchFilterModel::beginSourceReset));
    take(connect(m_source, &QAbstractItemModel::layoutChanged, this,
                 &SearchFilterModel::sourceReset));
    take(connect(m_source, &QAbstractItemModel::rowsAboutToBeMoved, this,
                 &SearchFilterModel::beginSourceReset));
    take(connect(m_source, &QAbstractItemModel::rowsMoved, this, &SearchFilterModel::sourceReset));
    take(connect(m_source, &QObject::destroyed, this, [this] {
        beginResetModel();
        m_source = nullptr;
        m_resetting = false;
        m_connections.clear();
        m_rows.clear();
        m_forms.clear();
        endResetModel();
    }));
}

void SearchFilterModel::beginSourceReset()
{
    beginResetModel();
    m_resetting = true;
}

void SearchFilterModel::sourceReset()
{
    m_forms.assign(std::size_t(m_source->rowCount()), Unknown);
    refilterAll();
    m_resetting = false;
    endResetModel();
}

bool SearchFilterModel::inStep() const
{
    // The memo of forms has a place for each source row this model has seen.
    return m_source && !m_resetting && std::size_t(m_source->rowCount()) == m_forms.size();
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
    std::vector<int> all(static_cast<std::size_t>(m_source ? m_source->rowCount() : 0));
    std::iota(all.begin(), all.end(), 0);
    m_rows = m_search.isEmpty() ? std::move(all) : matchingRows(all);
}

bool SearchFilterModel::passes(int sourceRow)
{
    // Safe from several threads: each row's form is written by one of them only.
    const QString &item = m_source->textAt(sourceRow);
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

QString SearchFilterModel::textAt(int row) const
{
    return m_source->textAt(m_rows.at(std::size_t(row)));
}

QModelIndex SearchFilterModel::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!m_source || !proxyIndex.isValid() || proxyIndex.model() != this ||
        std::size_t(proxyIndex.row()) >= m_rows.size())
        return {};
    return m_source->index(m_rows[std::size_t(proxyIndex.row())], proxyIndex.column());
}

QModelIndex SearchFilterModel::mapFromSource(const QModelIndex &sourceIndex) const
{
    // Between a change of the source and this model's own announcement of it,
    // which other listeners of the source may see, the rows kept are not the
    // source's: no source row is known to be shown then.
    if (!sourceIndex.isValid() || sourceIndex.model() != m_source || !inStep())
        return {};
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), sourceIndex.row());
    if (it == m_rows.end() || *it != sourceIndex.row())
        return {};
    return createIndex(int(it - m_rows.begin()), sourceIndex.column());
}

QModelIndex SearchFilterModel::index(int row, int column, const QModelIndex &parent) const
{
    return hasIndex(row, column, parent) ? createIndex(row, column) : QModelIndex();
}

QModelIndex SearchFilterModel::parent(const QModelIndex &) const
{
    return {};
}

QModelIndex SearchFilterModel::sibling(int row, int column, const QModelIndex &) const
{
    return index(row, column);
}

int SearchFilterModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SearchFilterModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_source ? 0 : 1;
}

bool SearchFilterModel::hasChildren(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_rows.empty();
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

void SearchFilterModel::sourceDataChanged(const QModelIndex &topLeft,
                                          const QModelIndex &bottomRight, const QList<int> &roles)
{
    if (!topLeft.isValid() || topLeft.parent().isValid())
        return;
    // Rows that stay shown are announced as changed, in runs; a row whose new text
    // passes the search or stops passing comes in or goes.
    int first = -1;
    int last = -1;
    const auto announce = [&] {
        if (first >= 0)
            emit dataChanged(index(first, 0), index(last, 0), roles);
        first = -1;
    };
    for (int sourceRow = topLeft.row(); sourceRow <= bottomRight.row(); ++sourceRow) {
        m_forms[std::size_t(sourceRow)] = Unknown;
        const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), sourceRow);
        const int row = int(it - m_rows.begin());
        const bool shown = it != m_rows.end() && *it == sourceRow;
        const bool passing = passes(sourceRow);
        if (shown && passing) {
            first = first < 0 ? row : first;
            last = row;
            continue;
        }
        if (shown == passing)
            continue;
        announce();
        if (shown) {
            beginRemoveRows({}, row, row);
            m_rows.erase(it);
            endRemoveRows();
        } else {
            beginInsertRows({}, row, row);
            m_rows.insert(it, sourceRow);
            endInsertRows();
        }
    }
    announce();
}
