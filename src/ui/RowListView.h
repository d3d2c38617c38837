#pragma once

#include "RowGeometry.h"

#include <QAbstractItemView>

#include <utility>

// A list of rows for a flat model, scrolling by pixel. Rows have one height
// except a few that RowGeometry adjusts, so that a change of a 100,000-row list
// costs no relayout. A header widget (the search field) scrolls with the rows,
// above them, and a placeholder stands in for them when there are none.
class RowListView : public QAbstractItemView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RowListView)

public:
    explicit RowListView(QWidget *parent = nullptr);

    void setHeader(QWidget *header);
    void setPlaceholder(QWidget *placeholder);
    QWidget *header() const { return m_header; }
    // The rows in sight, at least partly: [first, end).
    std::pair<int, int> rowsInSight() const;
    // A row in viewport coordinates. A row still coming in is given whole,
    // although only part of it shows yet.
    QRect rowRect(int row) const;

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;
    // Typing in the list does not jump to rows: finding one would read the texts
    // of a 100,000-row list, and the search field is there for that.
    void keyboardSearch(const QString &) override {}

protected:
    RowGeometry &geometry() { return m_geometry; }
    const RowGeometry &geometry() const { return m_geometry; }
    // Where the rows start in content coordinates: under the header.
    int rowsTop() const;
    int rowWidth() const;
    int margin() const { return m_margin; }
    // Takes the style's spacing and the header's height again; subclasses then
    // set the rows' height through metricsChanged().
    void updateMetrics();
    virtual void metricsChanged(int rowSpacing);
    // How much of `row` does not show yet (a row coming in is drawn whole, cut).
    virtual int hiddenHeight(int row) const;
    // Places the widgets that scroll with the rows.
    virtual void layOutChildren();

    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &) const override { return false; }
    void setSelection(const QRect &, QItemSelectionModel::SelectionFlags) override {}
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent *event) override;

private:
    int contentHeight() const;

    RowGeometry m_geometry;
    QWidget *m_header = nullptr;
    QWidget *m_placeholder = nullptr;
    int m_headerHeight = 0;
    int m_margin = 9;
    int m_spacing = 6;
};
