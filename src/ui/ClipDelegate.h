#pragma once

#include "Icons.h"

#include <QColor>
#include <QIcon>
#include <QStyledItemDelegate>

#include <array>

class CopyMark;

// Paints every clip row of the list: the shortened item on one line, the pin, the
// copy and the delete button, and the divider under the entry. The row's preview is a
// widget of the view placed in the space this delegate leaves under the line.
// The current row of a focused list is drawn in the palette's highlight; the
// copy button of a row just copied shows a check mark instead, and the pin button
// of a pinned row a filled pin in the highlight colour, which marks the row.
class ClipDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipDelegate)

public:
    enum class Element { None, Text, PinButton, CopyButton, DeleteButton };

    static constexpr int previewWidth = 300;
    static constexpr int previewHeight = 150;

    explicit ClipDelegate(QObject *parent = nullptr);

    // Sizes follow the view's font and the style's spacing.
    void setMetrics(const QFontMetrics &metrics, int rowSpacing);
    int rowHeight() const;
    // What an open preview adds to its row.
    int previewExtent() const { return m_padding + previewHeight; }
    void setCopyMark(const CopyMark *mark) { m_copyMark = mark; }

    // Parts of a row given the row's full rectangle (with its preview's space
    // when it has one).
    QRect lineRect(const QRect &row) const;
    QRect textRect(const QRect &row) const;
    QRect pinButtonRect(const QRect &row) const;
    QRect copyButtonRect(const QRect &row) const;
    QRect deleteButtonRect(const QRect &row) const;
    QRect previewRect(const QRect &row) const;
    Element elementAt(const QRect &row, const QPoint &position) const;
    // `pinned` tells the pin button's: "Pin" or "Unpin".
    static QString toolTip(Element element, bool pinned = false);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

private:
    const QIcon &icon(IconName name, const QColor &color) const;

    int m_padding = 5;
    int m_lineHeight = 22;
    int m_buttonSize = 22;
    int m_iconSize = 16;
    int m_buttonSpacing = 6;
    int m_rowSpacing = 6;
    const CopyMark *m_copyMark = nullptr;
    // Tinted icons are rendered from SVG; keep the few in use.
    struct TintedIcon
    {
        IconName name = IconName::Copy;
        QColor color;
        QIcon icon;
    };
    mutable std::array<TintedIcon, 8> m_icons;
    mutable std::size_t m_nextIcon = 0;
};
