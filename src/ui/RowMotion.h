#pragma once

#include <QEasingCurve>

// How the list moves its rows. The list picks one by the kind of change it sees,
// whatever model it shows: a model only says what changed, never how to show it.
struct RowMotion
{
    QEasingCurve curve{QEasingCurve::Linear};
    int durationMs = 0;

    // Rows coming in: ease in-out, cubic Bézier (0.42, 0, 0.58, 1), over 300 ms.
    static RowMotion inserted();
    // Rows going: ease out, cubic Bézier (0, 0, 0.58, 1), over 200 ms.
    static RowMotion removed();
};
