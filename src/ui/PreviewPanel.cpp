#include "PreviewPanel.h"

#include "PreviewTextView.h"

#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace {

QPainterPath cardPath(const QRectF &card)
{
    QPainterPath path;
    path.addRoundedRect(card, PreviewPanel::cornerRadius, PreviewPanel::cornerRadius);
    return path;
}

// One pass of a running-average blur over the alpha of every row (or column).
void boxBlurAlpha(QImage &image, int radius, bool vertical)
{
    const int length = vertical ? image.height() : image.width();
    const int lines = vertical ? image.width() : image.height();
    std::vector<int> alpha(static_cast<std::size_t>(length));
    for (int line = 0; line < lines; ++line) {
        const auto pixel = [&](int i) -> QRgb & {
            const int x = vertical ? line : i;
            const int y = vertical ? i : line;
            return reinterpret_cast<QRgb *>(image.scanLine(y))[x];
        };
        for (int i = 0; i < length; ++i)
            alpha[std::size_t(i)] = qAlpha(pixel(i));
        int sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += (i >= 0 && i < length) ? alpha[std::size_t(i)] : 0;
        for (int i = 0; i < length; ++i) {
            const int value = sum / (2 * radius + 1);
            pixel(i) = qRgba(0, 0, 0, value);
            const int leaving = i - radius;
            const int entering = i + radius + 1;
            sum -= (leaving >= 0) ? alpha[std::size_t(leaving)] : 0;
            sum += (entering < length) ? alpha[std::size_t(entering)] : 0;
        }
    }
}

// Black at 0.33 opacity in the card's shape, blurred; three box passes come close
// to a Gaussian blur.
const QImage &cardShadow(const QSize &widgetSize, const QRect &card)
{
    static QImage shadow;
    if (shadow.size() == widgetSize)
        return shadow;
    QImage image(widgetSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(cardPath(card), QColor::fromRgbF(0, 0, 0, 0.33f));
    }
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurAlpha(image, (PreviewPanel::shadowBlur + 1) / 2, false);
        boxBlurAlpha(image, (PreviewPanel::shadowBlur + 1) / 2, true);
    }
    shadow = image;
    return shadow;
}

} // namespace

PreviewPanel::PreviewPanel(QWidget *parent)
    : QWidget(parent), m_text(new PreviewTextView(this)),
      m_opacity(new QGraphicsOpacityEffect(this)), m_fade(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("preview"));
    setAttribute(Qt::WA_TranslucentBackground);
    resize(300 + 2 * shadowMargin, 150 + 2 * shadowMargin);
    m_text->setGeometry(cardRect());
    m_text->setMask(QRegion(cardPath(QRectF(0, 0, 300, 150)).toFillPolygon().toPolygon()));
    connect(m_text, &PreviewTextView::clicked, this, &PreviewPanel::clicked);

    m_opacity->setEnabled(false);
    setGraphicsEffect(m_opacity);
    m_fade->setEasingCurve(QEasingCurve::InOutCubic);
    m_fade->setDuration(fadeMs);
    connect(m_fade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { m_opacity->setOpacity(value.toDouble()); });
    connect(m_fade, &QVariantAnimation::finished, this, [this] {
        // Drawing through the effect costs an offscreen pass; only fades need it.
        m_opacity->setEnabled(m_closing);
        if (m_closing)
            emit fadedOut();
    });
}

const QString &PreviewPanel::text() const
{
    return m_text->text();
}

void PreviewPanel::setText(const QString &text)
{
    m_text->setText(text);
}

QRect PreviewPanel::cardRect() const
{
    return rect().adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
}

void PreviewPanel::placeCard(const QRect &card)
{
    setGeometry(card.adjusted(-shadowMargin, -shadowMargin, shadowMargin, shadowMargin));
    m_text->setGeometry(cardRect());
}

void PreviewPanel::fadeIn()
{
    m_closing = false;
    fade(1.0);
}

void PreviewPanel::fadeOut()
{
    m_closing = true;
    fade(0.0);
}

void PreviewPanel::fade(double to)
{
    const double from = m_opacity->isEnabled() ? m_opacity->opacity() : (m_closing ? 1.0 : 0.0);
    m_fade->stop();
    m_opacity->setOpacity(from);
    m_opacity->setEnabled(true);
    m_fade->setStartValue(from);
    m_fade->setEndValue(to);
    m_fade->start();
}

void PreviewPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect card = cardRect();
    painter.setRenderHint(QPainter::Antialiasing);
    // The shadow only shows around the card, which lets the list show through it.
    QPainterPath around;
    around.addRect(rect());
    painter.save();
    painter.setClipPath(around.subtracted(cardPath(card)));
    painter.drawImage(0, 0, cardShadow(size(), card));
    painter.restore();
    painter.fillPath(cardPath(card), QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.2f));
}

void PreviewPanel::mousePressEvent(QMouseEvent *event)
{
    // The shadow is not part of the card: clicks on it go to the list beneath.
    m_pressed = event->button() == Qt::LeftButton && cardRect().contains(event->pos());
    event->setAccepted(cardRect().contains(event->pos()));
}

void PreviewPanel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && cardRect().contains(event->pos());
    m_pressed = false;
    event->setAccepted(cardRect().contains(event->pos()));
    if (click)
        emit clicked();
}
