#pragma once

#include "RowGeometry.h"

#include <QAbstractItemView>
#include <QPixmap>

#include <vector>

class ClipDelegate;
class ClipSelection;
class PreviewPanel;
class QVariantAnimation;
class SearchFilterModel;
struct ListAnimation;

// The scrolling list of clip rows. Rows are painted by one ClipDelegate; only the
// selected row's preview is a widget. A header widget (the search field) and a
// placeholder for an empty list scroll with the rows, above them.
//
// Rows have one height except a few (the open preview, rows coming in, the gaps
// rows leave when they go), so a change of a 100,000-row list costs no relayout.
class ClipListView final : public QAbstractItemView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipListView)

public:
    ClipListView(SearchFilterModel &model, ClipSelection &selection, QWidget *parent = nullptr);
    ~ClipListView() override;

    void setHeader(QWidget *header);
    void setPlaceholder(QWidget *placeholder);

    // The open preview, if any (one that is fading out does not count).
    PreviewPanel *preview() const { return m_preview; }
    // Parts of a row, in viewport coordinates.
    QRect rowRect(int row) const;
    QRect textRect(int row) const;
    QRect copyButtonRect(int row) const;
    QRect deleteButtonRect(int row) const;
    // What a drag of the row gives: its full item as plain text.
    QMimeData *dragData(int row) const;
    // Rows moving in or out, or a preview fading out.
    bool isAnimating() const { return !m_animations.empty() || !m_closingPreviews.empty(); }

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;
    // Typing in the list does not jump to rows: finding one would read the texts
    // of a 100,000-row list, and the search field is there for that.
    void keyboardSearch(const QString &) override {}

signals:
    // The user clicked the row's text, or pressed Return or Space on it.
    void textActivated(int row);
    void copyRequested(int row);
    void deleteRequested(int row);
    void previewClicked();

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &) const override { return false; }
    void setSelection(const QRect &, QItemSelectionModel::SelectionFlags) override {}
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;

    void reset() override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;

    void paintEvent(QPaintEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct RowAnimation
    {
        int adjustment = 0;
        QVariantAnimation *animation = nullptr;
        QPixmap ghost; // set for a row on its way out
        int height = 0;
    };
    struct Press
    {
        int row = -1;
        int element = 0;
        QPoint position;
    };

    void rowsRemoved(int start, int end);
    void updateMetrics();
    int rowsTop() const;
    int contentHeight() const;
    int rowWidth() const;
    int naturalHeight(int row) const;
    int enteringProgressPercent(int row) const;
    void layOutChildren();
    void syncPreview(bool animated);
    void closePreviewPanel(bool animated);
    void startRowAnimation(RowAnimation row, const ListAnimation &animation);
    void stopAnimations();
    QPixmap renderRow(int row) const;
    void startDrag(int row);

    SearchFilterModel &m_model;
    ClipSelection &m_selection;
    ClipDelegate *m_delegate;
    RowGeometry m_geometry;
    QWidget *m_header = nullptr;
    QWidget *m_placeholder = nullptr;
    PreviewPanel *m_preview = nullptr;
    int m_previewAdjustment = 0;
    std::vector<std::pair<PreviewPanel *, int>> m_closingPreviews; // with their adjustment
    std::vector<RowAnimation> m_animations;
    std::vector<RowAnimation> m_leaving; // captured before their rows go
    Press m_press;
    int m_headerHeight = 0;
    int m_margin = 9;
    int m_spacing = 6;
};
