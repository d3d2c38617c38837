#pragma once

#include "TextBlocks.h"

#include <QAbstractScrollArea>
#include <QCache>

#include <memory>

class QTextLayout;

// A read-only, wrapping, scrolling view of a text of any size. It lays out only
// the blocks it shows (and a few around them), estimating the height of the rest,
// so that a 50 MB item opens as fast as a short one.
class PreviewTextView final : public QAbstractScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewTextView)

public:
    explicit PreviewTextView(QWidget *parent = nullptr);
    ~PreviewTextView() override;

    const QString &text() const { return m_blocks.text(); }
    void setText(const QString &text);
    // The content's height as far as it is known (estimated for unseen blocks).
    qint64 contentHeight() const { return m_heights.total(); }

signals:
    // A click on the text (not on the scroll bar).
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int wrapWidth() const;
    void estimateHeights();
    QTextLayout *layoutOf(qsizetype block);
    void layOutAroundView();
    void updateScrollRange();

    TextBlocks m_blocks;
    HeightSums m_heights;
    std::vector<bool> m_measured;
    QCache<qsizetype, QTextLayout> m_layouts;
    int m_margin = 8;
    int m_lineHeight = 1;
    bool m_pressed = false;
};
