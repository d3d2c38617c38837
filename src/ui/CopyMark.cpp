#include "CopyMark.h"

#include <QTimer>

CopyMark::CopyMark(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(shownMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_index = QPersistentModelIndex();
        emit changed();
    });
}

void CopyMark::mark(const QModelIndex &index)
{
    m_index = QPersistentModelIndex(index);
    m_timer->start();
    emit changed();
}
