#pragma once

#include "TextListModel.h"

#include <QStringList>

#include <vector>

class HistoryList;

// A category's list as it is shown: its pinned rows first, in the order they were
// pinned, then the others newest first. The history list keeps its rows in the
// order of their ids, which finding a row by binary search relies on; this layer
// only maps rows: a row after the pinned ones by bisection over the pinned rows'
// places, a search reading every row of a million through it.
//
// Pinning a row moves it: it is removed where it was and inserted after the
// pinned rows (unpinning takes it back to its place among the others), so that
// views and filters above follow it as any other change.
class PinnedFirstList final : public TextListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PinnedFirstList)

public:
    enum Role {
        PinnedRole = TextRole + 1, // whether the row is pinned (bool)
    };

    // `list` must outlive this model.
    explicit PinnedFirstList(HistoryList &list, QObject *parent = nullptr);

    HistoryList &list() const { return m_list; }
    int pinnedCount() const { return int(m_pinned.size()); }
    bool isPinned(int row) const { return row >= 0 && row < pinnedCount(); }
    // The list's row shown at `row`, and back (-1 for a row not shown).
    int listRow(int row) const;
    int rowOfListRow(int listRow) const;
    QStringList toStringList() const;

    QString textAt(int row) const override;
    QStringView textView(int row, QString &scratch) const override;
    std::optional<QByteArrayView> utf8View(int row) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    void takePins();
    void pinChanged(int listRow, bool pinned);
    // Where an unpinned list row stands among the rows shown.
    int unpinnedRow(int listRow) const;
    void exclude(int listRow);
    void include(int listRow);

    HistoryList &m_list;
    // List rows shown first, in pin order.
    std::vector<int> m_pinned;
    // List rows not shown among the others, ascending: the pinned ones, and one
    // moving while it is pinned or unpinned.
    std::vector<int> m_excluded;
    int m_removing = -1; // the list row being removed
};
