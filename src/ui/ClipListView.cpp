#include "ClipListView.h"

#include "ClipListAccessible.h"
#include "CopyMark.h"
#include "PreviewController.h"
#include "PreviewPanel.h"
#include "RowAnimator.h"
#include "RowMotion.h"

#include <QPaintEvent>
#include <QPainter>

namespace {

// Rows going in larger numbers than this go at once: picturing them would cost
// more than their motion is worth.
constexpr int maxLeavingRows = 1000;

} // namespace

ClipListView::ClipListView(QWidget *parent)
    : RowListView(parent), m_delegate(new ClipDelegate(this)), m_copyMark(new CopyMark(this)),
      m_animator(new RowAnimator(geometry(), this)),
      m_previews(new PreviewController(*this, geometry(), *m_delegate))
{
    setObjectName(QStringLiteral("clipList"));
    setItemDelegate(m_delegate);
    m_delegate->setCopyMark(m_copyMark);
    ClipListAccessible::install();
    viewport()->setAttribute(Qt::WA_Hover, false);
    updateMetrics();
    const auto update = [this] {
        updateGeometries();
        viewport()->update();
    };
    connect(m_animator, &RowAnimator::moved, this, update);
    connect(m_previews, &PreviewController::changed, this, update);
    connect(m_previews, &PreviewController::clicked, this, &ClipListView::previewClicked);
    connect(m_copyMark, &CopyMark::changed, viewport(), qOverload<>(&QWidget::update));
}

ClipListView::~ClipListView()
{
    // Before the geometry the moves adjust goes with the base class.
    m_animator->stop();
}

void ClipListView::setModel(QAbstractItemModel *model)
{
    for (const QMetaObject::Connection &connection : m_modelConnections)
        disconnect(connection);
    m_modelConnections.clear();
    RowListView::setModel(model);
    if (!model)
        return;
    m_modelConnections.push_back(
        connect(model, &QAbstractItemModel::rowsRemoved, this, &ClipListView::rowsRemoved));
    // Rows reordered take their places at once.
    m_modelConnections.push_back(
        connect(model, &QAbstractItemModel::layoutChanged, this, &ClipListView::relayOut));
    m_modelConnections.push_back(
        connect(model, &QAbstractItemModel::rowsMoved, this, &ClipListView::relayOut));
    m_modelConnections.push_back(connect(selectionModel(), &QItemSelectionModel::currentChanged,
                                         this, [this](const QModelIndex &current) {
                                             ClipListAccessible::currentRowChanged(*this, current);
                                         }));
}

void ClipListView::setPreviewSelection(QItemSelectionModel *selection)
{
    m_previews->setSelectionModel(selection);
}

PreviewPanel *ClipListView::preview() const
{
    return m_previews->panel();
}

bool ClipListView::isAnimating() const
{
    return m_animator->isAnimating() || m_previews->isClosing();
}

QRect ClipListView::textRect(int row) const
{
    return m_delegate->textRect(rowRect(row));
}

QRect ClipListView::pinButtonRect(int row) const
{
    return m_delegate->pinButtonRect(rowRect(row));
}

QRect ClipListView::copyButtonRect(int row) const
{
    return m_delegate->copyButtonRect(rowRect(row));
}

QRect ClipListView::deleteButtonRect(int row) const
{
    return m_delegate->deleteButtonRect(rowRect(row));
}

void ClipListView::metricsChanged(int rowSpacing)
{
    m_delegate->setMetrics(fontMetrics(), rowSpacing);
    geometry().setBaseHeight(m_delegate->rowHeight());
}

int ClipListView::hiddenHeight(int row) const
{
    return m_animator->hiddenHeight(row);
}

void ClipListView::layOutChildren()
{
    RowListView::layOutChildren();
    m_previews->place();
}

void ClipListView::reset()
{
    QAbstractItemView::reset();
    relayOut();
}

void ClipListView::relayOut()
{
    m_animator->stop();
    geometry().reset(model() ? model()->rowCount(rootIndex()) : 0);
    m_previews->reset();
    updateGeometries();
    viewport()->update();
}

void ClipListView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    RowListView::rowsInserted(parent, start, end);
    if (parent != rootIndex())
        return;
    geometry().insertRows(start, end - start + 1);
    m_animator->enter(start, end, RowMotion::inserted());
    m_previews->follow();
    updateGeometries();
    viewport()->update();
}

void ClipListView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    RowListView::rowsAboutToBeRemoved(parent, start, end);
    if (parent != rootIndex() || end - start + 1 > maxLeavingRows)
        return;
    int height = 0;
    for (int row = start; row <= end; ++row)
        height += geometry().rowHeight(row);
    // Picture the rows now: once removed, nothing is left to draw them from.
    const int top = rowRect(start).top();
    const bool inSight = top < viewport()->height() && top + height > 0;
    m_animator->holdLeaving(height, inSight ? renderRows(start, end, height) : QPixmap());
}

void ClipListView::rowsRemoved(const QModelIndex &parent, int start, int end)
{
    if (parent != rootIndex())
        return;
    geometry().removeRows(start, end - start + 1);
    m_animator->leave(start, RowMotion::removed());
    m_previews->follow();
    updateGeometries();
    viewport()->update();
}

QPixmap ClipListView::renderRows(int first, int last, int height) const
{
    if (height <= 0 || height > 2 * viewport()->height())
        return {};
    const qreal ratio = devicePixelRatioF();
    QPixmap picture(QSize(rowWidth(), height) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.state = QStyle::State_Enabled;
    int y = 0;
    for (int row = first; row <= last; ++row) {
        const QRect rect = rowRect(row);
        const int shown = geometry().rowHeight(row);
        painter.save();
        painter.translate(0, y);
        painter.setClipRect(0, 0, rect.width(), shown);
        painter.setOpacity(m_animator->opacity(row));
        option.rect = QRect(QPoint(0, 0), rect.size());
        m_delegate->paint(&painter, option, model()->index(row, 0, rootIndex()));
        m_previews->render(painter, row, rect.topLeft());
        painter.restore();
        y += shown;
    }
    return picture;
}

void ClipListView::paintEvent(QPaintEvent *event)
{
    if (!model())
        return;
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    const int origin = rowsTop() - verticalOffset();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus();
    const RowGeometry &rows = geometry();

    for (int row = rows.firstRowEndingBelow(exposed.top() - origin); row < rows.rowCount(); ++row) {
        const QRect rect = rowRect(row);
        if (rect.top() > exposed.bottom())
            break;
        const QModelIndex index = model()->index(row, 0, rootIndex());
        option.rect = rect;
        option.state = QStyle::State_Enabled;
        if (focused && index == current)
            option.state |= QStyle::State_HasFocus;
        painter.save();
        painter.setClipRect(rect.x(), rect.y(), rect.width(), rows.rowHeight(row));
        painter.setOpacity(m_animator->opacity(row));
        m_delegate->paint(&painter, option, index);
        painter.restore();
    }
    m_animator->paintLeaving(painter, origin, margin(), rowWidth());
}
