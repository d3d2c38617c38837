#include "RowAnimator.h"

#include "RowGeometry.h"
#include "RowMotion.h"

#include <QPainter>
#include <QVariantAnimation>

RowAnimator::RowAnimator(RowGeometry &geometry, QObject *parent)
    : QObject(parent), m_geometry(geometry)
{
}

RowAnimator::~RowAnimator()
{
    stop();
}

void RowAnimator::enter(int first, int last, const RowMotion &motion)
{
    if (motion.durationMs <= 0)
        return;
    for (int row = first; row <= last; ++row) {
        Move move;
        move.adjustment = m_geometry.add({row, -m_geometry.baseHeight(), false});
        start(std::move(move), motion);
    }
}

void RowAnimator::holdLeaving(int height, QPixmap picture)
{
    Move move;
    move.height = height;
    move.picture = std::move(picture);
    move.leaving = true;
    m_held.push_back(std::move(move));
}

void RowAnimator::leave(int row, const RowMotion &motion)
{
    std::vector<Move> held = std::move(m_held);
    m_held.clear();
    if (motion.durationMs <= 0)
        return;
    for (Move &move : held) {
        if (move.height <= 0)
            continue;
        move.adjustment = m_geometry.add({row, move.height, true});
        start(std::move(move), motion);
    }
}

void RowAnimator::start(Move move, const RowMotion &motion)
{
    auto *driver = new QVariantAnimation(this);
    driver->setObjectName(move.leaving ? QStringLiteral("rowsLeaving")
                                       : QStringLiteral("rowEntering"));
    driver->setStartValue(0.0);
    driver->setEndValue(1.0);
    driver->setDuration(motion.durationMs);
    driver->setEasingCurve(motion.curve);
    move.driver = driver;
    const int adjustment = move.adjustment;
    const int leavingHeight = move.leaving ? move.height : -1;
    connect(driver, &QVariantAnimation::valueChanged, this,
            [this, adjustment, leavingHeight](const QVariant &value) {
                const double rest = 1.0 - value.toDouble();
                m_geometry.setHeight(adjustment, leavingHeight >= 0
                                                     ? int(leavingHeight * rest)
                                                     : -int(m_geometry.baseHeight() * rest));
                emit moved();
            });
    connect(driver, &QVariantAnimation::finished, this, [this, driver, adjustment] {
        m_geometry.remove(adjustment);
        std::erase_if(m_moves, [driver](const Move &m) { return m.driver == driver; });
        driver->deleteLater();
        emit moved();
    });
    m_moves.push_back(std::move(move));
    driver->start();
}

void RowAnimator::stop()
{
    for (Move &move : m_moves) {
        move.driver->disconnect(this);
        move.driver->stop();
        move.driver->deleteLater();
        m_geometry.remove(move.adjustment);
    }
    m_moves.clear();
    m_held.clear();
}

const RowAnimator::Move *RowAnimator::entering(int row) const
{
    for (const Move &move : m_moves) {
        if (move.leaving)
            continue;
        const RowGeometry::Adjustment *a = m_geometry.find(move.adjustment);
        if (a && a->row == row)
            return &move;
    }
    return nullptr;
}

int RowAnimator::hiddenHeight(int row) const
{
    const Move *move = entering(row);
    const RowGeometry::Adjustment *a = move ? m_geometry.find(move->adjustment) : nullptr;
    return a ? -a->height : 0;
}

double RowAnimator::opacity(int row) const
{
    const Move *move = entering(row);
    // In whole percents, as a row's opacity need not be finer.
    return move ? int(move->driver->currentValue().toDouble() * 100) / 100.0 : 1.0;
}

void RowAnimator::paintLeaving(QPainter &painter, int origin, int left, int width) const
{
    for (const Move &move : m_moves) {
        if (!move.leaving || move.picture.isNull())
            continue;
        const RowGeometry::Adjustment *gap = m_geometry.find(move.adjustment);
        if (!gap)
            continue;
        const int top = origin + m_geometry.gapTop(move.adjustment);
        painter.save();
        painter.setClipRect(left, top, width, gap->height);
        painter.setOpacity(1.0 - move.driver->currentValue().toDouble());
        painter.drawPixmap(left, top, move.picture);
        painter.restore();
    }
}
