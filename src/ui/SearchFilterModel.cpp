#include "SearchFilterModel.h"

#include "TextListModel.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <numeric>

namespace {

// Up to this many candidates the GUI thread searches them itself (with the pool's
// help) in a few milliseconds at most, so a short list follows each keystroke at
// once; above, the search runs beside it.
constexpr std::size_t searchedAtOnce = 20000;

} // namespace

SearchFilterModel::SearchFilterModel(QObject *parent)
    : QAbstractProxyModel(parent), m_pool(new QThreadPool(this))
{
    m_pool->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

SearchFilterModel::~SearchFilterModel()
{
    // Its workers read the source and the forms, which may go right after this.
    stopScan();
}

void SearchFilterModel::setSourceModel(QAbstractItemModel *source)
{
    auto *texts = qobject_cast<TextListModel *>(source);
    if (source && !texts)
        qWarning("SearchFilterModel: the source must be a TextListModel");
    if (texts == m_source)
        return;
    stopScan();
    beginResetModel();
    for (const QMetaObject::Connection &connection : m_connections)
        disconnect(connection);
    m_connections.clear();
    m_source = texts;
    m_resetting = false;
    QAbstractProxyModel::setSourceModel(texts);
    if (m_source)
        connectSource();
    m_forms.assign(std::size_t(m_source ? m_source->rowCount() : 0), SearchScan::Unknown);
    refilterAll();
    endResetModel();
}

void SearchFilterModel::connectSource()
{
    const auto take = [this](QMetaObject::Connection connection) {
        m_connections.push_back(std::move(connection));
    };
    take(connect(m_source, &QAbstractItemModel::rowsAboutToBeInserted, this,
                 &SearchFilterModel::sourceRowsAboutToBeInserted));
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
        // A list tells of nothing before it goes: one must not go while a long
        // search reads it (the program's lists outlive their views).
        stopScan();
        beginResetModel();
        m_source = nullptr;
        m_resetting = false;
        m_connections.clear();
        m_rows.clear();
        m_forms.clear();
        m_shown = m_search;
        endResetModel();
    }));
}

void SearchFilterModel::beginSourceReset()
{
    stopScan();
    beginResetModel();
    m_resetting = true;
}

void SearchFilterModel::sourceReset()
{
    // A new list at once, with the search asked for: lists are rarely replaced,
    // and showing the old list's rows meanwhile would be wrong.
    m_forms.assign(std::size_t(m_source->rowCount()), SearchScan::Unknown);
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
    stopScan();
    m_search = TextSearch(text);
    refilter();
}

void SearchFilterModel::setHeld(bool held)
{
    if (held == m_held)
        return;
    m_held = held;
    if (m_held)
        stopScan();
    else
        refilter();
}

void SearchFilterModel::refilter()
{
    // Back to the search shown while the newer one was not shown yet: nothing to do.
    if (!pending() || m_held)
        return;
    if (!m_source || m_search.isEmpty()) {
        show(allRows());
        return;
    }
    std::vector<int> candidates = m_search.narrows(m_shown) ? m_rows : allRows();
    if (candidates.size() <= searchedAtOnce)
        show(matchingRows(m_search, std::move(candidates)));
    else
        startScan(std::move(candidates));
}

void SearchFilterModel::show(std::vector<int> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_shown = m_search;
    endResetModel();
}

void SearchFilterModel::refilterAll()
{
    m_rows = matchingRows(m_search, allRows());
    m_shown = m_search;
}

std::vector<int> SearchFilterModel::allRows() const
{
    std::vector<int> all(static_cast<std::size_t>(m_source ? m_source->rowCount() : 0));
    std::iota(all.begin(), all.end(), 0);
    return all;
}

bool SearchFilterModel::passes(const TextSearch &search, int sourceRow)
{
    return SearchScan::passes(*m_source, m_forms, search, sourceRow, m_scratch);
}

std::vector<int> SearchFilterModel::matchingRows(const TextSearch &search,
                                                 std::vector<int> candidates)
{
    if (search.isEmpty() || candidates.empty())
        return candidates;
    if (candidates.size() == 1)
        return passes(search, candidates.front()) ? candidates : std::vector<int>();
    const auto scan =
        std::make_shared<SearchScan>(*m_source, m_forms, search, std::move(candidates));
    scan->run(*m_pool);
    return scan->takeRows();
}

void SearchFilterModel::startScan(std::vector<int> candidates)
{
    m_scan = std::make_shared<SearchScan>(*m_source, m_forms, m_search, std::move(candidates));
    const quint64 serial = ++m_scanSerial;
    m_scan->start(*m_pool, [this, serial] {
        // On a worker thread; this model outlives it (see stopScan()).
        QMetaObject::invokeMethod(
            this, [this, serial] { scanFinished(serial); }, Qt::QueuedConnection);
    });
}

void SearchFilterModel::scanFinished(quint64 serial)
{
    // A scan cancelled after its last worker had left still sends its rows.
    if (!m_scan || serial != m_scanSerial)
        return;
    const std::shared_ptr<SearchScan> scan = std::move(m_scan);
    show(scan->takeRows());
}

void SearchFilterModel::stopScan()
{
    if (!m_scan)
        return;
    m_scan->cancel();
    m_scan.reset();
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

void SearchFilterModel::sourceRowsAboutToBeInserted(const QModelIndex &parent)
{
    if (!parent.isValid())
        stopScan();
}

void SearchFilterModel::sourceRowsInserted(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid())
        return;
    // Shift first, so that the rows already shown keep their items while the new
    // ones are announced.
    const int count = last - first + 1;
    m_forms.insert(m_forms.begin() + first, std::size_t(count), SearchScan::Unknown);
    const auto position = std::lower_bound(m_rows.begin(), m_rows.end(), first);
    std::for_each(position, m_rows.end(), [count](int &row) { row += count; });

    std::vector<int> added(static_cast<std::size_t>(count));
    std::iota(added.begin(), added.end(), first);
    // Tested against the search shown, as the rows around them were.
    added = matchingRows(m_shown, std::move(added));
    if (!added.empty()) {
        const int row = int(position - m_rows.begin());
        beginInsertRows({}, row, row + int(added.size()) - 1);
        m_rows.insert(m_rows.begin() + row, added.begin(), added.end());
        endInsertRows();
    }
    refilter();
}

void SearchFilterModel::sourceRowsAboutToBeRemoved(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid())
        return;
    stopScan();
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
    refilter();
}

void SearchFilterModel::sourceDataChanged(const QModelIndex &topLeft,
                                          const QModelIndex &bottomRight, const QList<int> &roles)
{
    if (!topLeft.isValid() || topLeft.parent().isValid())
        return;
    // A text changed in place is told of only afterwards: the scan starts again
    // rather than keep what it read before.
    stopScan();
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
        m_forms[std::size_t(sourceRow)] = SearchScan::Unknown;
        const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), sourceRow);
        const int row = int(it - m_rows.begin());
        const bool shown = it != m_rows.end() && *it == sourceRow;
        const bool passing = passes(m_shown, sourceRow);
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
    refilter();
}
