#pragma once

#include "TextSearch.h"

#include <QAbstractProxyModel>

#include <cstdint>
#include <vector>

class QThreadPool;
class TextListModel;

// The rows of a TextListModel whose texts pass the search, in the source's order.
// It keeps the source rows that pass, so that a new row costs one test and a shift
// of that vector, and narrowing the search only looks at the current matches. A
// search through the whole list is shared out over the processor's cores. Texts
// are read through TextListModel::textAt(): wrapping 100,000 of them in QVariants
// would cost more than the search itself.
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
    const QString &searchText() const { return m_search.needle(); }
    // Narrowing or widening the search resets the model.
    void setSearchText(const QString &text);
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
    std::vector<int> matchingRows(const std::vector<int> &candidates);
    bool passes(int sourceRow);
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
    TextSearch m_search;
    std::vector<int> m_rows; // ascending source rows
    // Per source row: 0 not known yet, 1 in NFC, 2 not in NFC. Nearly every text
    // is in NFC, and knowing it spares a look at its form on each search.
    std::vector<std::uint8_t> m_forms;
    QThreadPool *m_pool;
    bool m_resetting = false; // between the source's reset and this model's
    bool m_removing = false;
    int m_removeFirst = 0; // rows of this model being removed, while m_removing
    int m_removeEnd = 0;
};
