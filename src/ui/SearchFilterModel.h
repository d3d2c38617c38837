#pragma once

#include "TextSearch.h"

#include <QAbstractListModel>

#include <cstdint>
#include <vector>

class QThreadPool;

class HistoryList;

// The items of a HistoryList that pass the search, in the list's order. It
// keeps the source rows that pass, so that a new item costs one test and a shift
// of that vector, and narrowing the search only looks at the current matches.
// A search through the whole history is shared out over the processor's cores.
class SearchFilterModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchFilterModel)

public:
    explicit SearchFilterModel(HistoryList &source, QObject *parent = nullptr);

    HistoryList &sourceModel() const { return m_source; }
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
    std::vector<int> matchingRows(const std::vector<int> &candidates);
    bool passes(int sourceRow);
    void sourceRowsInserted(const QModelIndex &parent, int first, int last);
    void sourceRowsAboutToBeRemoved(const QModelIndex &parent, int first, int last);
    void sourceRowsRemoved(const QModelIndex &parent, int first, int last);

    HistoryList &m_source;
    TextSearch m_search;
    std::vector<int> m_rows; // ascending source rows
    // Per source row: 0 not known yet, 1 in NFC, 2 not in NFC. Nearly every text
    // is in NFC, and knowing it spares a look at its form on each search.
    std::vector<std::uint8_t> m_forms;
    QThreadPool *m_pool;
    bool m_removing = false;
    int m_removeFirst = 0; // rows of this model being removed, while m_removing
    int m_removeEnd = 0;
};
