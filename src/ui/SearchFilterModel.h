#pragma once

#include "SearchScan.h"
#include "TextSearch.h"

#include <QAbstractProxyModel>

#include <cstdint>
#include <memory>
#include <vector>

class QThreadPool;
class TextListModel;

// The rows of a TextListModel whose texts pass the search, in the source's order.
// It keeps the source rows that pass, so that a new row costs one test and a shift
// of that vector, and narrowing the search only looks at the current matches. A
// search through the whole list is shared out over the processor's cores. Texts
// are read through TextListModel::textView(): wrapping 100,000 of them in QVariants
// would cost more than the search itself.
//
// A search through many rows runs beside the GUI thread, which goes on painting:
// the rows of the last search stay shown until the new one's arrive (in one reset),
// and a newer search cancels it. Any change of the source stops it first, as the
// list may only be read from other threads while it does not change; it starts
// again once the change is followed.
class SearchFilterModel final : public QAbstractProxyModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchFilterModel)

public:
    explicit SearchFilterModel(QObject *parent = nullptr);
    ~SearchFilterModel() override;

    // The source must be a TextListModel; any other model is refused with a
    // warning, and the filter stays empty.
    void setSourceModel(QAbstractItemModel *source) override;
    // The search asked for last; the rows shown may still be those of an earlier
    // one while it runs (see isSearching()).
    const QString &searchText() const { return m_search.needle(); }
    // Narrowing or widening the search resets the model, at once for a short list,
    // otherwise once the search has run.
    void setSearchText(const QString &text);
    // Whether a search runs beside the GUI thread, whose rows are not shown yet,
    // or waits while the model is held.
    bool isSearching() const { return m_scan != nullptr || (m_held && pending()); }
    // A held model searches nothing: it keeps the rows it shows, and follows the
    // search asked for meanwhile once it is let go. Another list's search then
    // has the cores to itself.
    void setHeld(bool held);
    bool isHeld() const { return m_held; }
    // The full text shown at `row`, which must be valid.
    QString textAt(int row) const;

    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    // Invalid also while a change of the source is not announced here yet.
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;

private:
    void connectSource();
    void refilterAll();
    void refilter();
    void show(std::vector<int> rows);
    std::vector<int> allRows() const;
    std::vector<int> matchingRows(const TextSearch &search, std::vector<int> candidates);
    void startScan(std::vector<int> candidates);
    void scanFinished(quint64 serial);
    void stopScan();
    bool pending() const { return m_search.needle() != m_shown.needle(); }
    bool passes(const TextSearch &search, int sourceRow);
    void sourceRowsAboutToBeInserted(const QModelIndex &parent);
    void sourceRowsInserted(const QModelIndex &parent, int first, int last);
    void sourceRowsAboutToBeRemoved(const QModelIndex &parent, int first, int last);
    void sourceRowsRemoved(const QModelIndex &parent, int first, int last);
    void sourceDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                           const QList<int> &roles);
    void beginSourceReset();
    void sourceReset();
    bool inStep() const;

    TextListModel *m_source = nullptr;
    std::vector<QMetaObject::Connection> m_connections;
    TextSearch m_search;       // asked for
    TextSearch m_shown;        // the one m_rows answers; m_search unless a scan runs
    std::vector<int> m_rows;   // ascending source rows
    SearchScan::Forms m_forms; // per source row
    QThreadPool *m_pool;
    std::shared_ptr<SearchScan> m_scan; // of m_search, while it runs
    quint64 m_scanSerial = 0;           // tells a finished scan from a cancelled one
    QString m_scratch;
    bool m_held = false;
    bool m_resetting = false; // between the source's reset and this model's
    bool m_removing = false;
    int m_removeFirst = 0; // rows of this model being removed, while m_removing
    int m_removeEnd = 0;
};
