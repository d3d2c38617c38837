#pragma once

#include <QObject>
#include <QPersistentModelIndex>

class QTimer;

// The row copied back last, for about a second: its copy button shows a check
// mark meanwhile, so that the copy is seen to have happened. The mark follows
// its row as rows come and go, and goes with it.
class CopyMark final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CopyMark)

public:
    static constexpr int shownMs = 1000;

    explicit CopyMark(QObject *parent = nullptr);

    void mark(const QModelIndex &index);
    bool isMarked(const QModelIndex &index) const { return m_index.isValid() && m_index == index; }

signals:
    // A row got the mark or lost it.
    void changed();

private:
    QPersistentModelIndex m_index;
    QTimer *m_timer;
};
