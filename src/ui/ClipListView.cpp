#include "ClipListView.h"

#include "ClipDelegate.h"
#include "ClipSelection.h"
#include "PreviewPanel.h"
#include "SearchFilterModel.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVariantAnimation>

ClipListView::ClipListView(SearchFilterModel &model, ClipSelection &selection, QWidget *parent)
    : QAbstractItemView(parent), m_model(model), m_selection(selection),
      m_delegate(new ClipDelegate(this))
{
    setObjectName(QStringLiteral("clipList"));
    setItemDelegate(m_delegate);
    setSelectionMode(NoSelection);
    setEditTriggers(NoEditTriggers);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_Hover, false);
    updateMetrics();
    setModel(&m_model);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) { rowsRemoved(first, last); });
    connect(&m_selection, &ClipSelection::changed, this, [this] { syncPreview(true); });
    reset();
}

ClipListView::~ClipListView()
{
    stopAnimations();
}

void ClipListView::setHeader(QWidget *header)
{
    m_header = header;
    m_header->setParent(viewport());
    m_header->show();
    updateMetrics();
    updateGeometries();
}

void ClipListView::setPlaceholder(QWidget *placeholder)
{
    m_placeholder = placeholder;
    m_placeholder->setParent(viewport());
    updateGeometries();
}

void ClipListView::updateMetrics()
{
    m_margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this);
    m_spacing = style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing, nullptr, this);
    m_delegate->setMetrics(fontMetrics(), std::max(m_spacing, 0));
    // Asked for on every row position, so kept rather than asked again.
    m_headerHeight = m_header ? m_header->sizeHint().height() : 0;
    m_geometry.setBaseHeight(m_delegate->rowHeight());
}

int ClipListView::rowsTop() const
{
    return m_header ? m_headerHeight + 2 * m_spacing : 0;
}

int ClipListView::contentHeight() const
{
    if (m_model.rowCount() == 0 && m_animations.empty() && m_placeholder)
        return rowsTop() + m_placeholder->sizeHint().height() + 2 * m_margin;
    return rowsTop() + m_geometry.totalHeight();
}

int ClipListView::rowWidth() const
{
    return std::max(0, viewport()->width() - 2 * m_margin);
}

int ClipListView::naturalHeight(int row) const
{
    // A row coming in is drawn whole and cut to its growing height.
    int height = m_geometry.rowHeight(row);
    for (const RowAnimation &animation : m_animations) {
        const RowGeometry::Adjustment *a = m_geometry.find(animation.adjustment);
        if (a && !a->gap && a->row == row)
            height -= a->height;
    }
    return height;
}

int ClipListView::enteringProgressPercent(int row) const
{
    for (const RowAnimation &animation : m_animations) {
        const RowGeometry::Adjustment *a = m_geometry.find(animation.adjustment);
        if (a && !a->gap && a->row == row)
            return int(animation.animation->currentValue().toDouble() * 100);
    }
    return 100;
}

QRect ClipListView::rowRect(int row) const
{
    if (row < 0 || row >= m_geometry.rowCount())
        return {};
    const int top = rowsTop() + m_geometry.rowTop(row) - verticalOffset();
    return {m_margin, top, rowWidth(), naturalHeight(row)};
}

QRect ClipListView::textRect(int row) const
{
    return m_delegate->textRect(rowRect(row));
}

QRect ClipListView::copyButtonRect(int row) const
{
    return m_delegate->copyButtonRect(rowRect(row));
}

QRect ClipListView::deleteButtonRect(int row) const
{
    return m_delegate->deleteButtonRect(rowRect(row));
}

QRect ClipListView::visualRect(const QModelIndex &index) const
{
    return index.isValid() && index.model() == &m_model ? rowRect(index.row()) : QRect();
}

QModelIndex ClipListView::indexAt(const QPoint &point) const
{
    if (point.x() < m_margin || point.x() >= m_margin + rowWidth())
        return {};
    const int row = m_geometry.rowAt(point.y() + verticalOffset() - rowsTop());
    return row >= 0 ? m_model.index(row) : QModelIndex();
}

void ClipListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const int top = rowsTop() + m_geometry.rowTop(index.row());
    const int height = naturalHeight(index.row());
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

QModelIndex ClipListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int count = m_model.rowCount();
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
    return m_model.index(std::clamp(row, 0, count - 1));
}

int ClipListView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

QRegion ClipListView::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    for (const QModelIndex &index : selection.indexes())
        region += visualRect(index);
    return region;
}

void ClipListView::updateGeometries()
{
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, std::max(0, contentHeight() - viewport()->height()));
    bar->setPageStep(viewport()->height());
    bar->setSingleStep(std::max(1, m_geometry.baseHeight() / 2));
    layOutChildren();
    QAbstractItemView::updateGeometries();
}

void ClipListView::layOutChildren()
{
    const int scroll = verticalOffset();
    if (m_header) {
        const int inset = 2 * m_margin;
        m_header->setGeometry(inset, m_spacing - scroll,
                              std::max(0, viewport()->width() - 2 * inset),
                              m_header->sizeHint().height());
    }
    if (m_placeholder) {
        const bool empty = m_model.rowCount() == 0;
        m_placeholder->setGeometry(2 * m_margin, rowsTop() + m_margin - scroll,
                                   std::max(0, rowWidth() - 2 * m_margin),
                                   m_placeholder->sizeHint().height());
        m_placeholder->setVisible(empty);
    }
    const auto place = [this](PreviewPanel *panel, int adjustment) {
        if (const RowGeometry::Adjustment *a = m_geometry.find(adjustment))
            panel->placeCard(m_delegate->previewRect(rowRect(a->row)));
    };
    if (m_preview)
        place(m_preview, m_previewAdjustment);
    for (const auto &[panel, adjustment] : m_closingPreviews)
        place(panel, adjustment);
}

void ClipListView::scrollContentsBy(int, int)
{
    layOutChildren();
    viewport()->update();
}

void ClipListView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    const int offset = rowsTop() - verticalOffset();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus();

    for (int row = m_geometry.firstRowEndingBelow(exposed.top() - offset);
         row < m_geometry.rowCount(); ++row) {
        const QRect rect = rowRect(row);
        if (rect.top() > exposed.bottom())
            break;
        const QModelIndex index = m_model.index(row);
        option.rect = rect;
        option.state = QStyle::State_Enabled;
        if (focused && index == current)
            option.state |= QStyle::State_HasFocus;
        const int percent = enteringProgressPercent(row);
        painter.save();
        painter.setClipRect(rect.x(), rect.y(), rect.width(), m_geometry.rowHeight(row));
        painter.setOpacity(percent / 100.0);
        m_delegate->paint(&painter, option, index);
        painter.restore();
    }

    for (const RowAnimation &leaving : m_animations) {
        if (leaving.ghost.isNull())
            continue;
        const RowGeometry::Adjustment *gap = m_geometry.find(leaving.adjustment);
        if (!gap)
            continue;
        const int top = offset + m_geometry.gapTop(leaving.adjustment);
        painter.save();
        painter.setClipRect(m_margin, top, rowWidth(), gap->height);
        painter.setOpacity(1.0 - leaving.animation->currentValue().toDouble());
        painter.drawPixmap(m_margin, top, leaving.ghost);
        painter.restore();
    }
}

void ClipListView::changeEvent(QEvent *event)
{
    QAbstractItemView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        updateMetrics();
        updateGeometries();
        viewport()->update();
    }
}
