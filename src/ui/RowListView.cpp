#include "RowListView.h"

#include <QEvent>
#include <QScrollBar>

RowListView::RowListView(QWidget *parent) : QAbstractItemView(parent)
{
    setSelectionMode(NoSelection);
    setEditTriggers(NoEditTriggers);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
}

void RowListView::setHeader(QWidget *header)
{
    m_header = header;
    m_header->setParent(viewport());
    m_header->show();
    updateMetrics();
    updateGeometries();
}

void RowListView::setPlaceholder(QWidget *placeholder)
{
    m_placeholder = placeholder;
    m_placeholder->setParent(viewport());
    updateGeometries();
}

void RowListView::updateMetrics()
{
    m_margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this);
    m_spacing = style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing, nullptr, this);
    // Asked for on every row position, so kept rather than asked again.
    m_headerHeight = m_header ? m_header->sizeHint().height() : 0;
    metricsChanged(std::max(m_spacing, 0));
}

void RowListView::metricsChanged(int rowSpacing)
{
    m_geometry.setBaseHeight(fontMetrics().height() + rowSpacing);
}

int RowListView::hiddenHeight(int) const
{
    return 0;
}

int RowListView::rowsTop() const
{
    return m_header ? m_headerHeight + 2 * m_spacing : 0;
}

int RowListView::contentHeight() const
{
    // Rows that are gone may still leave gaps that close.
    if (m_placeholder && m_geometry.rowCount() == 0 && m_geometry.totalHeight() == 0)
        return rowsTop() + m_placeholder->sizeHint().height() + 2 * m_margin;
    return rowsTop() + m_geometry.totalHeight();
}

int RowListView::rowWidth() const
{
    return std::max(0, viewport()->width() - 2 * m_margin);
}

QRect RowListView::rowRect(int row) const
{
    if (row < 0 || row >= m_geometry.rowCount())
        return {};
    const int top = rowsTop() + m_geometry.rowTop(row) - verticalOffset();
    return {m_margin, top, rowWidth(), m_geometry.rowHeight(row) + hiddenHeight(row)};
}

std::pair<int, int> RowListView::rowsInSight() const
{
    const int origin = rowsTop() - verticalOffset();
    const int first = m_geometry.firstRowEndingBelow(-origin);
    int end = first;
    while (end < m_geometry.rowCount() && rowRect(end).top() < viewport()->height())
        ++end;
    return {first, end};
}

QRect RowListView::visualRect(const QModelIndex &index) const
{
    return index.isValid() && index.model() == model() ? rowRect(index.row()) : QRect();
}

QModelIndex RowListView::indexAt(const QPoint &point) const
{
    if (!model() || point.x() < m_margin || point.x() >= m_margin + rowWidth())
        return {};
    const int row = m_geometry.rowAt(point.y() + verticalOffset() - rowsTop());
    return row >= 0 ? model()->index(row, 0, rootIndex()) : QModelIndex();
}

void RowListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid() || index.row() >= m_geometry.rowCount())
        return;
    const int top = rowsTop() + m_geometry.rowTop(index.row());
    const int height = m_geometry.rowHeight(index.row()) + hiddenHeight(index.row());
    const int view = viewport()->height();
    QScrollBar *bar = verticalScrollBar();
    switch (hint) {
    case PositionAtTop:
        bar->setValue(top);
        break;
    case PositionAtBottom:
        bar->setValue(top + height - view);
        break;
    case PositionAtCenter:
        bar->setValue(top + height / 2 - view / 2);
        break;
    case EnsureVisible:
        if (top < bar->value())
            bar->setValue(top);
        else if (top + height > bar->value() + view)
            bar->setValue(std::min(top, top + height - view));
        break;
    }
}

QModelIndex RowListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int count = model() ? model()->rowCount(rootIndex()) : 0;
    if (count == 0)
        return {};
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    const int page = std::max(1, viewport()->height() / std::max(1, m_geometry.baseHeight()));
    int row = current;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        row = current < 0 ? 0 : current - 1;
        break;
    case MoveDown:
    case MoveNext:
        row = current + 1;
        break;
    case MovePageUp:
        row = current - page;
        break;
    case MovePageDown:
        row = current + page;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return model()->index(std::clamp(row, 0, count - 1), 0, rootIndex());
}

int RowListView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

QRegion RowListView::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    for (const QModelIndex &index : selection.indexes())
        region += visualRect(index);
    return region;
}

void RowListView::updateGeometries()
{
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, std::max(0, contentHeight() - viewport()->height()));
    bar->setPageStep(viewport()->height());
    bar->setSingleStep(std::max(1, m_geometry.baseHeight() / 2));
    layOutChildren();
    QAbstractItemView::updateGeometries();
}

void RowListView::layOutChildren()
{
    const int scroll = verticalOffset();
    if (m_header) {
        const int inset = 2 * m_margin;
        m_header->setGeometry(inset, m_spacing - scroll,
                              std::max(0, viewport()->width() - 2 * inset),
                              m_header->sizeHint().height());
    }
    if (m_placeholder) {
        m_placeholder->setGeometry(2 * m_margin, rowsTop() + m_margin - scroll,
                                   std::max(0, rowWidth() - 2 * m_margin),
                                   m_placeholder->sizeHint().height());
        m_placeholder->setVisible(m_geometry.rowCount() == 0);
    }
}

void RowListView::scrollContentsBy(int, int)
{
    layOutChildren();
    viewport()->update();
}

void RowListView::changeEvent(QEvent *event)
{
    QAbstractItemView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        updateMetrics();
        updateGeometries();
        viewport()->update();
    }
}
