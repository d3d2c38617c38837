#include "ListAnimation.h"

#include <QPointF>

namespace {
ListAnimation bezier(QPointF c1, QPointF c2, int durationMs)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(c1, c2, QPointF(1, 1));
    return {curve, durationMs};
}
} // namespace

ListAnimation ListAnimation::easeInOut(int durationMs)
{
    return bezier(QPointF(0.42, 0), QPointF(0.58, 1), durationMs);
}

ListAnimation ListAnimation::easeOut(int durationMs)
{
    return bezier(QPointF(0, 0), QPointF(0.58, 1), durationMs);
}
