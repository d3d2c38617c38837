#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

#include <utility>
#include <vector>

class ClipDelegate;
class PreviewPanel;
class QItemSelectionModel;
class QPainter;
class RowGeometry;
class RowListView;

// The preview under the selected row of a list: it opens when a row is selected,
// fades out when the selection goes or moves, and follows its row as the list
// changes. The selection may be over the list's own model or over the source of a
// proxy model the list shows: a selected row the proxy hides shows no preview
// until it is shown again. The preview makes its row taller by an adjustment of
// the list's RowGeometry.
class PreviewController final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewController)

public:
    PreviewController(RowListView &view, RowGeometry &geometry, const ClipDelegate &delegate);
    ~PreviewController() override;

    void setSelectionModel(QItemSelectionModel *selection);
    QItemSelectionModel *selectionModel() const { return m_selection; }
    // The open preview (one that is fading out does not count).
    PreviewPanel *panel() const { return m_panel; }
    bool isClosing() const { return !m_closing.empty(); }

    // Rows came or went around the preview: it follows its row at once. Panels
    // whose rows went are dropped. The caller lays the list out.
    void follow();
    // The list was reset and its geometry with it. The caller lays the list out.
    void reset();
    // Puts the panels where their rows are.
    void place();
    // Draws the panels of `row` as its picture needs them; the painter's origin
    // is the row's top left corner, at `rowTopLeft` in the viewport.
    void render(QPainter &painter, int row, const QPoint &rowTopLeft) const;

signals:
    // A click on the open preview.
    void clicked();
    // The list needs laying out and repainting.
    void changed();

private:
    void sync(bool animated);
    QModelIndex selectedIndex() const;
    int rowShowing(const QModelIndex &selected) const;
    void open(int row, const QModelIndex &selected, bool animated);
    void close(bool animated);
    void closed(PreviewPanel *panel);

    RowListView &m_view;
    RowGeometry &m_geometry;
    const ClipDelegate &m_delegate;
    QPointer<QItemSelectionModel> m_selection;
    QMetaObject::Connection m_selectionChanged;
    PreviewPanel *m_panel = nullptr;
    int m_adjustment = 0;
    QPersistentModelIndex m_shown; // the selected index the open panel shows
    std::vector<std::pair<PreviewPanel *, int>> m_closing; // with their adjustment
};
