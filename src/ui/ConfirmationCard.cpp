#include "ConfirmationCard.h"

#include "PanelStyle.h"

#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

constexpr int cardWidth = 300;
constexpr int cardSpacing = 20;
constexpr qreal cardRadius = 10;

// The card's rounded body in the window colour, with a focus ring around the
// button that has the focus: the card takes the focus from a click, after which
// the style would draw no focus frame.
class Card final : public QWidget
{
public:
    using QWidget::QWidget;

    void ringOnFocus(QWidget *button) { button->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            update();
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Window));
        painter.drawRoundedRect(QRectF(rect()), cardRadius, cardRadius);

        const QWidget *focused = QApplication::focusWidget();
        if (focused && isAncestorOf(focused))
            PanelStyle::drawFocusRing(painter, this, focused);
    }
};

} // namespace

ConfirmationCard::ConfirmationCard(const Texts &texts, const QString &name,
                                   const QString &cancelName, const QString &actionName,
                                   QWidget *parent)
    : QWidget(parent), m_card(new Card(this)), m_opacity(new QGraphicsOpacityEffect(this)),
      m_fade(new QPropertyAnimation(m_opacity, "opacity", this))
{
    setObjectName(name);
    hide();

    auto *card = static_cast<Card *>(m_card);
    card->setObjectName(name + QStringLiteral("Card"));
    card->setFixedWidth(cardWidth);
    auto *shadow = new QGraphicsDropShadowEffect(card);
    shadow->setColor(QColor::fromRgbF(0, 0, 0, 0.33f));
    shadow->setBlurRadius(10);
    shadow->setOffset(0, 0);
    card->setGraphicsEffect(shadow);

    auto *title = new QLabel(texts.title, card);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() + 1);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    auto *message = new QLabel(texts.message, card);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignCenter);
    m_note = new QLabel(card);
    m_note->setObjectName(name + QStringLiteral("Note"));
    m_note->setWordWrap(true);
    m_note->setAlignment(Qt::AlignCenter);
    m_note->hide();

    m_cancelButton = new QPushButton(tr("Cancel"), card);
    m_cancelButton->setObjectName(cancelName);
    m_actionButton = new QPushButton(texts.action, card);
    m_actionButton->setObjectName(actionName);
    PanelStyle::makeProminentDestructive(m_actionButton);
    for (QPushButton *button : {m_cancelButton, m_actionButton}) {
        button->setAutoDefault(false);
        card->ringOnFocus(button);
    }

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(cardSpacing);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_actionButton);

    auto *cardLayout = new QVBoxLayout(card);
    cardLayout->setSpacing(cardSpacing);
    cardLayout->addWidget(title, 0, Qt::AlignHCenter);
    cardLayout->addWidget(message);
    cardLayout->addWidget(m_note);
    cardLayout->addLayout(buttons);
    buttons->setAlignment(Qt::AlignHCenter);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(card, 0, Qt::AlignCenter);

    m_opacity->setEnabled(false);
    setGraphicsEffect(m_opacity);
    m_fade->setDuration(fadeDurationMs);
    m_fade->setStartValue(1.0);
    m_fade->setEndValue(0.0);
    m_fade->setEasingCurve(QEasingCurve::InOutQuad);

    connect(m_cancelButton, &QPushButton::clicked, this, &ConfirmationCard::cancel);
    connect(m_actionButton, &QPushButton::clicked, this, &ConfirmationCard::confirm);
    connect(m_fade, &QPropertyAnimation::finished, this, &ConfirmationCard::finishFade);
    // A window-wide Escape, so it cancels wherever the focus is; it is live only
    // while this layer is visible.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &ConfirmationCard::cancel);
}

void ConfirmationCard::setNote(const QString &note)
{
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

void ConfirmationCard::present()
{
    aboutToPresent();
    m_fade->stop();
    finishFade();
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    m_presented = true;
    m_focusBefore = QApplication::focusWidget();
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    show();
    raise();
    keepFocusAboveParent(true);
    m_cancelButton->setFocus(Qt::OtherFocusReason);
}

void ConfirmationCard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_snapshot.isNull()) {
        painter.drawPixmap(0, 0, m_snapshot);
        return;
    }
    QColor dim(128, 128, 128);
    dim.setAlphaF(0.4f);
    painter.fillRect(rect(), dim);
}

// The backdrop takes every pointer event so nothing beneath reacts.
void ConfirmationCard::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void ConfirmationCard::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void ConfirmationCard::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
}

void ConfirmationCard::wheelEvent(QWheelEvent *event)
{
    event->accept();
}

void ConfirmationCard::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!m_presented || !enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Only the focused button; never whatever lies beneath.
    event->accept();
    if (QApplication::focusWidget() == m_cancelButton)
        m_cancelButton->click();
    else if (QApplication::focusWidget() == m_actionButton)
        m_actionButton->click();
}

bool ConfirmationCard::focusNextPrevChild(bool next)
{
    if (!m_presented)
        return QWidget::focusNextPrevChild(next);
    // Two buttons: forwards and backwards both go to the other one.
    QPushButton *other =
        QApplication::focusWidget() == m_cancelButton ? m_actionButton : m_cancelButton;
    other->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void ConfirmationCard::cancel()
{
    if (!m_presented)
        return;
    fadeOut();
}

void ConfirmationCard::confirm()
{
    if (!m_presented)
        return;
    emit confirmed();
    fadeOut();
}

void ConfirmationCard::fadeOut()
{
    m_presented = false;
    keepFocusAboveParent(false);
    // The view beneath is usable again from now on, while the layer still fades.
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    if (QWidget *focused = QApplication::focusWidget(); focused && isAncestorOf(focused)) {
        if (m_focusBefore)
            m_focusBefore->setFocus(Qt::OtherFocusReason);
        else
            focused->clearFocus();
    }
    m_snapshot = grab();
    m_card->hide();
    m_opacity->setOpacity(1.0);
    m_opacity->setEnabled(true);
    m_fade->start();
}

void ConfirmationCard::finishFade()
{
    hide();
    m_snapshot = QPixmap();
    m_card->show();
    m_opacity->setEnabled(false);
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void ConfirmationCard::keepFocusAboveParent(bool above)
{
    if (!above) {
        for (const SavedFocus &saved : m_savedFocus) {
            if (saved.widget)
                saved.widget->setFocusPolicy(saved.policy);
        }
        m_savedFocus.clear();
        return;
    }
    if (!parentWidget() || !m_savedFocus.empty())
        return;
    const auto widgets = parentWidget()->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (widget == this || isAncestorOf(widget) || widget->focusPolicy() == Qt::NoFocus)
            continue;
        m_savedFocus.push_back({widget, widget->focusPolicy()});
        widget->setFocusPolicy(Qt::NoFocus);
    }
}
