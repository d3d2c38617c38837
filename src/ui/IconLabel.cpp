#include "IconLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

IconLabel::IconLabel(const QString &text, QWidget *parent)
    : QWidget(parent), m_iconLabel(new QLabel(this)), m_textLabel(new QLabel(text, this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_iconLabel);
    layout->addWidget(m_textLabel);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    render();
}

void IconLabel::setIcon(IconName name, const std::optional<QColor> &color)
{
    m_icon = name;
    m_color = color;
    render();
}

QColor IconLabel::color() const
{
    return m_color.value_or(palette().color(QPalette::WindowText));
}

QString IconLabel::text() const
{
    return m_textLabel->text();
}

void IconLabel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        render();
}

void IconLabel::render()
{
    const QColor tint = color();
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    m_iconLabel->setPixmap(themedIcon(m_icon, tint).pixmap(QSize(side, side), devicePixelRatioF()));

    QPalette textPalette = m_textLabel->palette();
    textPalette.setColor(QPalette::WindowText, tint);
    m_textLabel->setPalette(textPalette);
}
