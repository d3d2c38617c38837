// What the list does with the mouse and the keyboard: row clicks, the buttons,
// dragging an item out, and the keys of the list.
#include "ClipListView.h"

#include "CopyMark.h"
#include "RowText.h"
#include "TextListModel.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>

void ClipListView::keyPressEvent(QKeyEvent *event)
{
    const int row = currentIndex().isValid() ? currentIndex().row() : -1;
    if (row >= 0) {
        if (event == QKeySequence::Copy) {
            activate(row, ClipDelegate::Element::CopyButton);
            return;
        }
        if (event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_P)) {
            activate(row, ClipDelegate::Element::PinButton);
            return;
        }
        const bool plain =
            event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (plain) {
                choose(row);
                return;
            }
            break;
        case Qt::Key_Space:
            if (plain) {
                activate(row, ClipDelegate::Element::Text);
                return;
            }
            break;
        case Qt::Key_Delete:
            activate(row, ClipDelegate::Element::DeleteButton);
            return;
        default:
            break;
        }
    }
    QAbstractItemView::keyPressEvent(event);
}

void ClipListView::mousePressEvent(QMouseEvent *event)
{
    m_press = {};
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint position = event->position().toPoint();
    const QModelIndex index = indexAt(position);
    setFocus(Qt::MouseFocusReason);
    if (!index.isValid())
        return;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    const auto element = m_delegate->elementAt(rowRect(index.row()), position);
    if (element != ClipDelegate::Element::None)
        m_press = {index.row(), int(element), position};
}

void ClipListView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_press.row < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint moved = event->position().toPoint() - m_press.position;
    if (m_press.element != int(ClipDelegate::Element::Text) ||
        moved.manhattanLength() < QApplication::startDragDistance())
        return;
    const int row = m_press.row;
    m_press = {};
    startDrag(row);
}

void ClipListView::mouseReleaseEvent(QMouseEvent *event)
{
    const Press press = m_press;
    m_press = {};
    if (press.row < 0 || event->button() != Qt::LeftButton)
        return;
    const QPoint position = event->position().toPoint();
    const QModelIndex index = indexAt(position);
    // A click is a press and a release on the same part of the same row.
    if (!index.isValid() || index.row() != press.row ||
        int(m_delegate->elementAt(rowRect(press.row), position)) != press.element)
        return;
    activate(press.row, ClipDelegate::Element(press.element));
}

void ClipListView::activate(int row, ClipDelegate::Element element)
{
    if (!model() || row < 0 || row >= model()->rowCount(rootIndex()))
        return;
    switch (element) {
    case ClipDelegate::Element::Text:
        emit textActivated(row);
        break;
    case ClipDelegate::Element::CopyButton:
        m_copyMark->mark(model()->index(row, 0, rootIndex()));
        emit copyRequested(row);
        break;
    case ClipDelegate::Element::DeleteButton:
        emit deleteRequested(row);
        break;
    case ClipDelegate::Element::PinButton:
        emit pinRequested(row);
        break;
    case ClipDelegate::Element::None:
        break;
    }
}

void ClipListView::choose(int row)
{
    if (!model() || row < 0 || row >= model()->rowCount(rootIndex()))
        return;
    activate(row, ClipDelegate::Element::CopyButton);
    emit rowChosen(row);
}

void ClipListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Each click of a double click counts on its own.
    mousePressEvent(event);
}

QMimeData *ClipListView::dragData(int row) const
{
    auto *payload = new QMimeData;
    if (model())
        payload->setText(
            model()->index(row, 0, rootIndex()).data(TextListModel::TextRole).toString());
    return payload;
}

void ClipListView::startDrag(int row)
{
    auto *drag = new QDrag(this);
    drag->setMimeData(dragData(row));
    const QRect text = textRect(row);
    QPixmap image(text.size() * devicePixelRatioF());
    image.setDevicePixelRatio(devicePixelRatioF());
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRect(QPoint(0, 0), text.size()), Qt::AlignLeading | Qt::AlignVCenter,
                         fontMetrics().elidedText(
                             singleLine(model()->index(row, 0, rootIndex()).data().toString()),
                             Qt::ElideRight, text.width()));
    }
    drag->setPixmap(image);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}
