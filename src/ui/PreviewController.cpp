#include "PreviewController.h"

#include "ClipDelegate.h"
#include "PreviewPanel.h"
#include "RowGeometry.h"
#include "RowListView.h"
#include "TextListModel.h"

#include <QAbstractProxyModel>
#include <QItemSelectionModel>
#include <QPainter>

namespace {

// A panel may be dropped while one of its own events is being handled, so it is
// hidden and silenced now and deleted later.
void discard(PreviewPanel *panel)
{
    panel->hide();
    panel->setObjectName(QStringLiteral("discardedPreview"));
    panel->disconnect();
    panel->deleteLater();
}

// `index` as a row of `target`, through the proxy models stacked on its model.
QModelIndex mapInto(const QModelIndex &index, const QAbstractItemModel *target)
{
    if (!index.isValid() || !target)
        return {};
    if (index.model() == target)
        return index;
    const auto *proxy = qobject_cast<const QAbstractProxyModel *>(target);
    if (!proxy)
        return {};
    const QModelIndex source = mapInto(index, proxy->sourceModel());
    return source.isValid() ? proxy->mapFromSource(source) : QModelIndex();
}

} // namespace

PreviewController::PreviewController(RowListView &view, RowGeometry &geometry,
                                     const ClipDelegate &delegate)
    : QObject(&view), m_view(view), m_geometry(geometry), m_delegate(delegate)
{
}

PreviewController::~PreviewController() = default;

void PreviewController::setSelectionModel(QItemSelectionModel *selection)
{
    disconnect(m_selectionChanged);
    m_selection = selection;
    if (m_selection) {
        m_selectionChanged =
            connect(m_selection, &QItemSelectionModel::selectionChanged, this, [this] {
                sync(true);
                emit changed();
            });
    }
    sync(false);
    emit changed();
}

void PreviewController::follow()
{
    for (auto it = m_closing.begin(); it != m_closing.end();) {
        if (m_geometry.find(it->second)) {
            ++it;
            continue;
        }
        discard(it->first);
        it = m_closing.erase(it);
    }
    sync(false);
}

void PreviewController::reset()
{
    for (const auto &[panel, adjustment] : m_closing)
        discard(panel);
    m_closing.clear();
    m_adjustment = 0;
    sync(false);
}

QModelIndex PreviewController::selectedIndex() const
{
    if (!m_selection)
        return {};
    const QModelIndexList selected = m_selection->selectedIndexes();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

int PreviewController::rowShowing(const QModelIndex &selected) const
{
    const QModelIndex shown = mapInto(selected, m_view.model());
    // While a model stacked on the selection's is catching up with a change, the
    // row may not be one the list knows yet; the list's own signal comes next.
    return shown.isValid() && shown.row() < m_geometry.rowCount() ? shown.row() : -1;
}

void PreviewController::sync(bool animated)
{
    const QModelIndex selected = selectedIndex();
    const int row = rowShowing(selected);
    const RowGeometry::Adjustment *placed = m_geometry.find(m_adjustment);
    const bool same = m_panel && selected.isValid() && m_shown == selected;
    if (same && placed && placed->row == row)
        return;
    if (m_panel) {
        if (same && row >= 0 && !animated) {
            // The list changed around the preview: it follows its row without fading.
            if (placed)
                m_geometry.remove(m_adjustment);
            m_adjustment = m_geometry.add({row, m_delegate.previewExtent(), false});
            return;
        }
        close(animated && placed);
    }
    if (row >= 0)
        open(row, selected, animated);
}

void PreviewController::open(int row, const QModelIndex &selected, bool animated)
{
    m_panel = new PreviewPanel(m_view.viewport());
    connect(m_panel, &PreviewPanel::clicked, this, &PreviewController::clicked);
    m_panel->setText(selected.data(TextListModel::TextRole).toString());
    m_shown = selected;
    m_adjustment = m_geometry.add({row, m_delegate.previewExtent(), false});
    m_panel->show();
    if (animated)
        m_panel->fadeIn();
}

void PreviewController::close(bool animated)
{
    PreviewPanel *panel = m_panel;
    const int adjustment = m_adjustment;
    m_panel = nullptr;
    m_adjustment = 0;
    m_shown = QPersistentModelIndex();
    if (!panel)
        return;
    if (!animated) {
        m_geometry.remove(adjustment);
        discard(panel);
        return;
    }
    // The row keeps its height while the panel fades, then closes up. Only the
    // open preview answers to the name.
    panel->setObjectName(QStringLiteral("closingPreview"));
    m_closing.emplace_back(panel, adjustment);
    connect(panel, &PreviewPanel::fadedOut, this, [this, panel] { closed(panel); });
    panel->fadeOut();
}

void PreviewController::closed(PreviewPanel *panel)
{
    const auto it = std::find_if(m_closing.begin(), m_closing.end(),
                                 [panel](const auto &entry) { return entry.first == panel; });
    if (it == m_closing.end())
        return;
    m_geometry.remove(it->second);
    m_closing.erase(it);
    discard(panel);
    emit changed();
}

void PreviewController::place()
{
    const auto place = [this](PreviewPanel *panel, int adjustment) {
        if (const RowGeometry::Adjustment *a = m_geometry.find(adjustment))
            panel->placeCard(m_delegate.previewRect(m_view.rowRect(a->row)));
    };
    if (m_panel)
        place(m_panel, m_adjustment);
    for (const auto &[panel, adjustment] : m_closing)
        place(panel, adjustment);
}

void PreviewController::render(QPainter &painter, int row, const QPoint &rowTopLeft) const
{
    const auto draw = [&](PreviewPanel *panel, int adjustment) {
        const RowGeometry::Adjustment *a = m_geometry.find(adjustment);
        if (a && a->row == row && panel->isVisible())
            panel->render(&painter, panel->geometry().topLeft() - rowTopLeft);
    };
    if (m_panel)
        draw(m_panel, m_adjustment);
    for (const auto &[panel, adjustment] : m_closing)
        draw(panel, adjustment);
}
