#include "ClipDelegate.h"

#include "CopyMark.h"
#include "PanelStyle.h"
#include "PinnedFirstList.h"
#include "RowText.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

ClipDelegate::ClipDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

void ClipDelegate::setMetrics(const QFontMetrics &metrics, int rowSpacing)
{
    m_iconSize = std::max(16, metrics.height() - 2);
    m_buttonSize = m_iconSize + 6;
    m_lineHeight = std::max(metrics.height(), m_buttonSize);
    m_rowSpacing = rowSpacing;
    m_buttonSpacing = rowSpacing;
}

int ClipDelegate::rowHeight() const
{
    // Padding, the line, the entry's spacing, the divider, padding, then the
    // spacing between entries.
    return m_padding + m_lineHeight + m_padding + 1 + m_padding + m_rowSpacing;
}

QRect ClipDelegate::lineRect(const QRect &row) const
{
    return {row.left(), row.top() + m_padding, row.width(), m_lineHeight};
}

QRect ClipDelegate::deleteButtonRect(const QRect &row) const
{
    const QRect line = lineRect(row);
    return {line.right() + 1 - m_buttonSize, line.top() + (m_lineHeight - m_buttonSize) / 2,
            m_buttonSize, m_buttonSize};
}

QRect ClipDelegate::copyButtonRect(const QRect &row) const
{
    return deleteButtonRect(row).translated(-(m_buttonSize + m_buttonSpacing), 0);
}

QRect ClipDelegate::pinButtonRect(const QRect &row) const
{
    return copyButtonRect(row).translated(-(m_buttonSize + m_buttonSpacing), 0);
}

QRect ClipDelegate::textRect(const QRect &row) const
{
    const QRect line = lineRect(row);
    const int right = pinButtonRect(row).left() - m_buttonSpacing;
    return {line.left(), line.top(), std::max(0, right - line.left()), line.height()};
}

QRect ClipDelegate::previewRect(const QRect &row) const
{
    const QRect line = lineRect(row);
    return {line.left(), line.bottom() + 1 + m_padding, previewWidth, previewHeight};
}

ClipDelegate::Element ClipDelegate::elementAt(const QRect &row, const QPoint &position) const
{
    if (deleteButtonRect(row).contains(position))
        return Element::DeleteButton;
    if (copyButtonRect(row).contains(position))
        return Element::CopyButton;
    if (pinButtonRect(row).contains(position))
        return Element::PinButton;
    if (textRect(row).contains(position))
        return Element::Text;
    return Element::None;
}

QString ClipDelegate::toolTip(Element element, bool pinned)
{
    switch (element) {
    case Element::PinButton:
        return pinned ? tr("Unpin") : tr("Pin");
    case Element::CopyButton:
        return tr("Copy to clipboard");
    case Element::DeleteButton:
        return tr("Delete item");
    case Element::Text:
    case Element::None:
        break;
    }
    return {};
}

const QIcon &ClipDelegate::icon(IconName name, const QColor &color) const
{
    for (const TintedIcon &cached : m_icons) {
        if (cached.name == name && cached.color == color && !cached.icon.isNull())
            return cached.icon;
    }
    TintedIcon &slot = m_icons[m_nextIcon];
    m_nextIcon = (m_nextIcon + 1) % m_icons.size();
    slot = {name, color, themedIcon(name, color)};
    return slot.icon;
}

void ClipDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const
{
    const QRect row = option.rect;
    const QPalette &palette = option.palette;
    painter->save();

    // The current row of a focused list: what Return, Ctrl+C and Delete act on.
    const bool current = option.state & QStyle::State_HasFocus;
    if (current) {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette.color(QPalette::Highlight));
        painter->drawRoundedRect(QRectF(lineRect(row).adjusted(-3, -2, 3, 2)), 4, 4);
    }
    const QColor ink = palette.color(current ? QPalette::HighlightedText : QPalette::Text);

    const QRect text = textRect(row);
    const QString shown = singleLine(index.data(Qt::DisplayRole).toString());
    painter->setFont(option.font);
    painter->setPen(ink);
    painter->drawText(text, Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine,
                      option.fontMetrics.elidedText(shown, Qt::ElideRight, text.width()));

    const QSize iconSize(m_iconSize, m_iconSize);
    const auto drawIcon = [&](const QRect &button, const QIcon &icon) {
        const QRect target(button.center() - QPoint(m_iconSize / 2, m_iconSize / 2), iconSize);
        icon.paint(painter, target);
    };
    if (m_copyMark && m_copyMark->isMarked(index))
        drawIcon(copyButtonRect(row),
                 icon(IconName::Checkmark, current ? ink : PanelStyle::positiveGreen(palette)));
    else
        drawIcon(copyButtonRect(row), icon(IconName::Copy, ink));
    if (index.data(PinnedFirstList::PinnedRole).toBool())
        drawIcon(pinButtonRect(row),
                 icon(IconName::PinFilled, current ? ink : palette.color(QPalette::Highlight)));
    else
        drawIcon(pinButtonRect(row), icon(IconName::Pin, ink));
    drawIcon(deleteButtonRect(row),
             icon(IconName::Trash, current ? ink : PanelStyle::destructiveRed(palette)));

    const int dividerY = row.bottom() - m_padding - m_rowSpacing;
    painter->setPen(palette.color(QPalette::Mid));
    painter->drawLine(row.left(), dividerY, row.right(), dividerY);
    painter->restore();
}

QSize ClipDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return {option.rect.width(), rowHeight()};
}

bool ClipDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view,
                             const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (!event || !view || event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const Element element = elementAt(option.rect, event->pos());
    const QString tip = toolTip(element, index.data(PinnedFirstList::PinnedRole).toBool());
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return false;
    }
    const QRect button = element == Element::CopyButton  ? copyButtonRect(option.rect)
                         : element == Element::PinButton ? pinButtonRect(option.rect)
                                                         : deleteButtonRect(option.rect);
    QToolTip::showText(event->globalPos(), tip, view->viewport(), button);
    return true;
}
