#pragma once

#include <QWidget>

class PreviewTextView;
class QGraphicsOpacityEffect;
class QVariantAnimation;

// The preview under a selected row: the item's full text, scrollable, on a light
// gray rounded card with a soft shadow. It fades in when it opens and out when it
// closes. The widget reaches past the card by its shadow's margin.
class PreviewPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewPanel)

public:
    static constexpr int cornerRadius = 10;
    static constexpr int shadowBlur = 5;
    static constexpr int shadowMargin = 2 * shadowBlur;
    static constexpr int fadeMs = 200;

    explicit PreviewPanel(QWidget *parent = nullptr);

    const QString &text() const;
    void setText(const QString &text);
    // The card, in this widget's coordinates.
    QRect cardRect() const;
    // Places the card at `card`, given in the parent's coordinates.
    void placeCard(const QRect &card);

    void fadeIn();
    // Fades out, then emits fadedOut(). Without animations it does so at once.
    void fadeOut();
    bool isClosing() const { return m_closing; }

    PreviewTextView *textView() const { return m_text; }

signals:
    // A click anywhere on the card.
    void clicked();
    void fadedOut();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void fade(double to);

    PreviewTextView *m_text;
    QGraphicsOpacityEffect *m_opacity;
    QVariantAnimation *m_fade;
    bool m_closing = false;
    bool m_pressed = false;
};
