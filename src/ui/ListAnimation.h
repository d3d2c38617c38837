#pragma once

#include <QEasingCurve>

// How the list animates rows coming and going.
struct ListAnimation
{
    QEasingCurve curve{QEasingCurve::Linear};
    int durationMs = 0; // 0: no animation

    static ListAnimation none() { return {}; }
    // The curve desktop toolkits call "ease in-out": cubic Bézier (0.42, 0, 0.58, 1).
    static ListAnimation easeInOut(int durationMs);
    // Cubic Bézier (0, 0, 0.58, 1).
    static ListAnimation easeOut(int durationMs);
    // A new item slides in; a deleted one slides out.
    static ListAnimation inserted() { return easeInOut(300); }
    static ListAnimation removed() { return easeOut(200); }
};
