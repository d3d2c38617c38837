#include "RowMotion.h"

#include <QPointF>

namespace {

QEasingCurve bezier(QPointF c1, QPointF c2)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(c1, c2, QPointF(1, 1));
    return curve;
}

} // namespace

RowMotion RowMotion::inserted()
{
    static const RowMotion motion{bezier(QPointF(0.42, 0), QPointF(0.58, 1)), 300};
    return motion;
}

RowMotion RowMotion::removed()
{
    static const RowMotion motion{bezier(QPointF(0, 0), QPointF(0.58, 1)), 200};
    return motion;
}
