// How the list follows its model: rows coming and going (animated as the history
// asks) and the preview following the selected text.
#include "ClipListView.h"

#include "ClipDelegate.h"
#include "ClipSelection.h"
#include "ListAnimation.h"
#include "PreviewPanel.h"
#include "SearchFilterModel.h"

#include <QPainter>
#include <QVariantAnimation>

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

} // namespace

void ClipListView::reset()
{
    stopAnimations();
    for (const auto &[panel, adjustment] : m_closingPreviews)
        discard(panel);
    m_closingPreviews.clear();
    m_geometry.reset(m_model.rowCount());
    m_previewAdjustment = 0;
    QAbstractItemView::reset();
    syncPreview(false);
    updateGeometries();
    viewport()->update();
}

void ClipListView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    m_geometry.insertRows(start, end - start + 1);
    const ListAnimation animation = ListAnimation::inserted();
    if (animation.durationMs > 0) {
        for (int row = start; row <= end; ++row) {
            RowAnimation entering;
            entering.adjustment = m_geometry.add({row, -m_geometry.baseHeight(), false});
            startRowAnimation(entering, animation);
        }
    }
    syncPreview(false);
    updateGeometries();
    viewport()->update();
}

void ClipListView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    m_leaving.clear();
    // Picture the rows now: once removed, nothing is left to draw them from.
    const QRect visible = viewport()->rect();
    for (int row = start; row <= end; ++row) {
        RowAnimation leaving;
        leaving.height = naturalHeight(row);
        if (rowRect(row).intersects(visible))
            leaving.ghost = renderRow(row);
        m_leaving.push_back(std::move(leaving));
    }
}

void ClipListView::rowsRemoved(int start, int end)
{
    m_geometry.removeRows(start, end - start + 1);
    const ListAnimation animation = ListAnimation::removed();
    for (RowAnimation &leaving : m_leaving) {
        leaving.adjustment = m_geometry.add({start, leaving.height, true});
        startRowAnimation(std::move(leaving), animation);
    }
    m_leaving.clear();
    syncPreview(false);
    updateGeometries();
    viewport()->update();
}

void ClipListView::startRowAnimation(RowAnimation row, const ListAnimation &animation)
{
    auto *driver = new QVariantAnimation(this);
    driver->setStartValue(0.0);
    driver->setEndValue(1.0);
    driver->setDuration(animation.durationMs);
    driver->setEasingCurve(animation.curve);
    row.animation = driver;
    const int adjustment = row.adjustment;
    const int leavingHeight = row.ghost.isNull() && row.height == 0 ? -1 : row.height;
    connect(driver, &QVariantAnimation::valueChanged, this,
            [this, adjustment, leavingHeight](const QVariant &value) {
                const double progress = value.toDouble();
                const int height = leavingHeight >= 0
                                       ? int(leavingHeight * (1.0 - progress))
                                       : -int(m_geometry.baseHeight() * (1.0 - progress));
                m_geometry.setHeight(adjustment, height);
                updateGeometries();
                viewport()->update();
            });
    connect(driver, &QVariantAnimation::finished, this, [this, driver, adjustment] {
        m_geometry.remove(adjustment);
        std::erase_if(m_animations,
                      [driver](const RowAnimation &a) { return a.animation == driver; });
        driver->deleteLater();
        updateGeometries();
        viewport()->update();
    });
    m_animations.push_back(std::move(row));
    driver->start();
}

void ClipListView::stopAnimations()
{
    for (RowAnimation &animation : m_animations) {
        animation.animation->disconnect(this);
        animation.animation->stop();
        animation.animation->deleteLater();
        m_geometry.remove(animation.adjustment);
    }
    m_animations.clear();
}

QPixmap ClipListView::renderRow(int row) const
{
    const QRect rect = rowRect(row);
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(rect.size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = QRect(QPoint(0, 0), rect.size());
    option.state = QStyle::State_Enabled;
    m_delegate->paint(&painter, option, m_model.index(row));
    if (m_preview && m_preview->isVisible()) {
        const RowGeometry::Adjustment *a = m_geometry.find(m_previewAdjustment);
        if (a && a->row == row)
            m_preview->render(&painter, m_preview->geometry().topLeft() - rect.topLeft());
    }
    return pixmap;
}

void ClipListView::syncPreview(bool animated)
{
    const int sourceRow = m_selection.sourceRow();
    const int row = sourceRow >= 0 ? m_model.mapFromSource(sourceRow) : -1;
    const RowGeometry::Adjustment *placed = m_geometry.find(m_previewAdjustment);
    // The panel was given the selected text itself, so comparing storage will do.
    const auto &selected = m_selection.text();
    const bool sameText = m_preview && selected && m_preview->text().size() == selected->size() &&
                          m_preview->text().constData() == selected->constData();
    if (sameText && placed && placed->row == row) {
        updateGeometries();
        return;
    }
    if (m_preview) {
        if (sameText && row >= 0 && !animated) {
            // The list changed around the preview: it follows its row without fading.
            if (placed)
                m_geometry.remove(m_previewAdjustment);
            m_previewAdjustment = m_geometry.add({row, m_delegate->previewExtent(), false});
            updateGeometries();
            viewport()->update();
            return;
        }
        closePreviewPanel(animated && placed);
    }
    if (row >= 0) {
        m_preview = new PreviewPanel(viewport());
        connect(m_preview, &PreviewPanel::clicked, this, &ClipListView::previewClicked);
        m_preview->setText(*selected);
        m_previewAdjustment = m_geometry.add({row, m_delegate->previewExtent(), false});
        m_preview->show();
        if (animated)
            m_preview->fadeIn();
    }
    updateGeometries();
    viewport()->update();
}

void ClipListView::closePreviewPanel(bool animated)
{
    PreviewPanel *panel = m_preview;
    const int adjustment = m_previewAdjustment;
    m_preview = nullptr;
    m_previewAdjustment = 0;
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
    m_closingPreviews.emplace_back(panel, adjustment);
    connect(panel, &PreviewPanel::fadedOut, this, [this, panel] {
        const auto it = std::find_if(m_closingPreviews.begin(), m_closingPreviews.end(),
                                     [panel](const auto &entry) { return entry.first == panel; });
        if (it == m_closingPreviews.end())
            return;
        m_geometry.remove(it->second);
        m_closingPreviews.erase(it);
        discard(panel);
        updateGeometries();
        viewport()->update();
    });
    panel->fadeOut();
}
