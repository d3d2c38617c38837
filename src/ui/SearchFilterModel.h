#pragma once

#include "TextSearch.h"

#include <QAbstractListModel>

#include <vector>

class HistoryListModel;

// The items of a HistoryListModel that pass the search, in the list's order. It
// keeps the source rows that pass, so that a new item costs one test and a shift
// of that vector, and narrowing the search only looks at the current matches.
class SearchFilterModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchFilterModel)

public:
    explicit SearchFilterModel(HistoryListModel &source, QObject *parent = nullptr);

    HistoryListModel &sourceModel() const { return m_source; }
    const QString &searchText() const { return m_search.needle(); }
    void setSearchText(const QString &text);

    // -1 when `row` is not a row of this model.
    int mapToSource(int row) const;
    // -1 when the source row does not pass the search.
    int mapFromSource(int sourceRow) const;
    // The full item shown at `row`, which must be valid.
    const QString &textAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    void refilterAll();
    std::vector<int> matchingRows(const std::vector<int> &candidates) const;
    void sourceRowsInserted(const QModelIndex &parent, int first, int last);
    void sourceRowsAboutToBeRemoved(const QModelIndex &parent, int first, int last);
    void sourceRowsRemoved(const QModelIndex &parent, int first, int last);

    HistoryListModel &m_source;
    TextSearch m_search;
    std::vector<int> m_rows; // ascending source rows
    bool m_removing = false;
    int m_removeFirst = 0; // rows of this model being removed, while m_removing
    int m_removeEnd = 0;
};
