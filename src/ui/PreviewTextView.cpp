#include "PreviewTextView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTextLayout>

#include <cmath>

namespace {

// Blocks kept laid out; a view of 150 points shows a handful.
constexpr int cachedLayouts = 256;

} // namespace

PreviewTextView::PreviewTextView(QWidget *parent)
    : QAbstractScrollArea(parent), m_layouts(cachedLayouts)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    m_margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this);
    m_lineHeight = fontMetrics().lineSpacing();
    estimateHeights();
}

PreviewTextView::~PreviewTextView() = default;

void PreviewTextView::setText(const QString &text)
{
    m_blocks = TextBlocks(text);
    estimateHeights();
    verticalScrollBar()->setValue(0);
    layOutAroundView();
    viewport()->update();
}

int PreviewTextView::wrapWidth() const
{
    return std::max(1, viewport()->width() - 2 * m_margin);
}

void PreviewTextView::estimateHeights()
{
    m_layouts.clear();
    const qsizetype count = m_blocks.count();
    m_measured.assign(std::size_t(count), false);
    const double charWidth = std::max(1, fontMetrics().averageCharWidth());
    const double perLine = std::max(1.0, std::floor(wrapWidth() / charWidth));
    std::vector<int> heights(static_cast<std::size_t>(count));
    for (qsizetype i = 0; i < count; ++i) {
        const double lines = std::max(1.0, std::ceil(double(m_blocks.block(i).size()) / perLine));
        heights[std::size_t(i)] = int(lines) * m_lineHeight;
    }
    // The first and last blocks carry the margins above and below the text.
    if (!heights.empty()) {
        heights.front() += m_margin;
        heights.back() += m_margin;
    }
    m_heights.assign(heights);
    updateScrollRange();
}

QTextLayout *PreviewTextView::layoutOf(qsizetype block)
{
    if (QTextLayout *cached = m_layouts.object(block))
        return cached;
    auto layout = std::make_unique<QTextLayout>(m_blocks.block(block).toString(), font());
    QTextOption option(Qt::AlignLeading);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    qreal y = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(wrapWidth());
        line.setPosition(QPointF(0, y));
        y += m_lineHeight;
    }
    layout->endLayout();

    if (!m_measured[std::size_t(block)]) {
        m_measured[std::size_t(block)] = true;
        int height = std::max(1, layout->lineCount()) * m_lineHeight;
        if (block == 0)
            height += m_margin;
        if (block == m_blocks.count() - 1)
            height += m_margin;
        const int change = height - m_heights.height(block);
        if (change != 0) {
            const bool above = m_heights.top(block) < verticalScrollBar()->value();
            m_heights.setHeight(block, height);
            updateScrollRange();
            // Keep what is on screen where it is when a block above it changes.
            if (above) {
                const QSignalBlocker blocker(verticalScrollBar());
                verticalScrollBar()->setValue(verticalScrollBar()->value() + change);
            }
        }
    }
    QTextLayout *raw = layout.get();
    m_layouts.insert(block, layout.release());
    return raw;
}

void PreviewTextView::layOutAroundView()
{
    if (m_blocks.count() == 0)
        return;
    // A view's height above and below as well, so that scrolling into blocks that
    // were only estimated does not shift the text under the pointer.
    const int height = viewport()->height();
    const qint64 from = std::max<qint64>(0, verticalScrollBar()->value() - height);
    qsizetype block = m_heights.indexAt(from);
    while (block < m_blocks.count() &&
           m_heights.top(block) < verticalScrollBar()->value() + 2 * qint64(height)) {
        layoutOf(block);
        ++block;
    }
}

void PreviewTextView::updateScrollRange()
{
    QScrollBar *bar = verticalScrollBar();
    const qint64 maximum = std::max<qint64>(0, m_heights.total() - viewport()->height());
    bar->setRange(0, int(std::min<qint64>(maximum, std::numeric_limits<int>::max())));
    bar->setPageStep(viewport()->height());
    bar->setSingleStep(m_lineHeight);
}

void PreviewTextView::paintEvent(QPaintEvent *)
{
    if (m_blocks.count() == 0)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const qint64 scroll = verticalScrollBar()->value();
    const int height = viewport()->height();
    for (qsizetype block = m_heights.indexAt(scroll); block < m_blocks.count(); ++block) {
        const qint64 top = m_heights.top(block);
        if (top >= scroll + height)
            break;
        QTextLayout *layout = layoutOf(block);
        const int blockMargin = block == 0 ? m_margin : 0;
        layout->draw(&painter, QPointF(m_margin, double(top - scroll + blockMargin)));
    }
}

void PreviewTextView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    estimateHeights();
    layOutAroundView();
}

void PreviewTextView::scrollContentsBy(int, int)
{
    layOutAroundView();
    viewport()->update();
}

void PreviewTextView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void PreviewTextView::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       viewport()->rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}

void PreviewTextView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_lineHeight = fontMetrics().lineSpacing();
        estimateHeights();
        viewport()->update();
    }
}
