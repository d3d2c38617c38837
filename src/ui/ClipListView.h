#pragma once

#include "ClipDelegate.h"
#include "RowListView.h"

#include <vector>

class CopyMark;
class PreviewController;
class PreviewPanel;
class QMimeData;
class RowAnimator;

// The scrolling list of clip rows, for any flat model whose rows give their full
// text under TextListModel::TextRole and a shortened one under Qt::DisplayRole.
// Rows are painted by one ClipDelegate; only the selected row's preview is a
// widget. Rows coming in ease in and rows going ease out; a reset of the model
// shows the new rows at once. Screen readers see the rows in sight as the items of
// a list (ClipListAccessible).
//
// Keys on the current row: Space opens or closes its preview, Return copies it
// and announces the choice, Ctrl+C copies, Ctrl+P pins or unpins, Delete deletes.
class ClipListView final : public RowListView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipListView)

public:
    explicit ClipListView(QWidget *parent = nullptr);
    ~ClipListView() override;

    void setModel(QAbstractItemModel *model) override;
    // The selection whose row shows its preview: over this view's model, or over
    // the source of a proxy model (of proxies, in any depth) that the view shows.
    void setPreviewSelection(QItemSelectionModel *selection);
    // The open preview, if any (one that is fading out does not count).
    PreviewPanel *preview() const;
    // Parts of a row, in viewport coordinates.
    QRect textRect(int row) const;
    QRect pinButtonRect(int row) const;
    QRect copyButtonRect(int row) const;
    QRect deleteButtonRect(int row) const;
    // What a drag of the row gives: its full item as plain text.
    QMimeData *dragData(int row) const;
    // Rows moving in or out, or a preview fading out.
    bool isAnimating() const;
    // What a click on that part of the row does; a copy marks the row as copied.
    void activate(int row, ClipDelegate::Element element);
    // What Return on the row does: copies it, marks it, and reports rowChosen().
    void choose(int row);

signals:
    // The user clicked the row's text, or pressed Return or Space on it.
    void textActivated(int row);
    void copyRequested(int row);
    // Return on the row: it was copied, and the user is done choosing.
    void rowChosen(int row);
    void deleteRequested(int row);
    // The row's pin button: pin it, or unpin it if it is pinned.
    void pinRequested(int row);
    void previewClicked();

protected:
    void reset() override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void metricsChanged(int rowSpacing) override;
    int hiddenHeight(int row) const override;
    void layOutChildren() override;

    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    struct Press
    {
        int row = -1;
        int element = 0;
        QPoint position;
    };

    void rowsRemoved(const QModelIndex &parent, int start, int end);
    void relayOut();
    QPixmap renderRows(int first, int last, int height) const;
    void startDrag(int row);

    ClipDelegate *m_delegate;
    CopyMark *m_copyMark;
    RowAnimator *m_animator;
    PreviewController *m_previews;
    std::vector<QMetaObject::Connection> m_modelConnections;
    Press m_press;
};
