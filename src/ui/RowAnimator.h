#pragma once

#include <QObject>
#include <QPixmap>

#include <vector>

class QPainter;
class QVariantAnimation;
class RowGeometry;
struct RowMotion;

// The rows of a list on the move. A row coming in grows from nothing while it
// fades in; rows going are pictured before they go, and the gap they leave
// closes while their picture fades out. Both are adjustments of the list's
// RowGeometry, so the rest of the list just moves along.
class RowAnimator final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RowAnimator)

public:
    explicit RowAnimator(RowGeometry &geometry, QObject *parent = nullptr);
    ~RowAnimator() override;

    bool isAnimating() const { return !m_moves.empty(); }
    // Rows [first, last], just inserted into the geometry, come in.
    void enter(int first, int last, const RowMotion &motion);
    // Rows about to be removed: how tall they are together and their picture
    // (null when they are out of sight).
    void holdLeaving(int height, QPixmap picture);
    // The rows held went from just above `row` (the geometry has removed them).
    void leave(int row, const RowMotion &motion);
    // Ends every move at once, as when the whole list changes.
    void stop();

    // How much of `row` does not show yet, and how opaque it is drawn.
    int hiddenHeight(int row) const;
    double opacity(int row) const;
    // Draws the pictures of rows going; `origin` is where the rows start in the
    // viewport, `left` and `width` where they lie across it.
    void paintLeaving(QPainter &painter, int origin, int left, int width) const;

signals:
    // The geometry changed: the list lays itself out and repaints.
    void moved();

private:
    struct Move
    {
        int adjustment = 0;
        QVariantAnimation *driver = nullptr;
        int height = 0;  // of the rows going; 0 for a row coming in
        QPixmap picture; // of the rows going
        bool leaving = false;
    };

    const Move *entering(int row) const;
    void start(Move move, const RowMotion &motion);

    RowGeometry &m_geometry;
    std::vector<Move> m_moves;
    std::vector<Move> m_held; // captured before their rows go
};
