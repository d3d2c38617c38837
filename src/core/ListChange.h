#pragma once

#include "Category.h"

#include <QEasingCurve>

// How views should animate a change of a history list.
struct ListAnimation
{
    QEasingCurve curve{QEasingCurve::Linear};
    int durationMs = 0; // 0: no animation

    static ListAnimation none() { return {}; }
    // The curve desktop toolkits call "ease in-out": cubic Bézier (0.42, 0, 0.58, 1).
    static ListAnimation easeInOut(int durationMs);
    // Cubic Bézier (0, 0, 0.58, 1).
    static ListAnimation easeOut(int durationMs);
    // What a change gets when its caller asks for no particular animation.
    static ListAnimation standard() { return easeInOut(250); }
};

// What happened to one list, so that views can update without rescanning it.
struct ListChange
{
    enum class Kind {
        Inserted, // one item at `index`
        Removed,  // the item at `index`
        Replaced  // the whole list (possibly with equal contents)
    };

    Category category = Category::Text;
    Kind kind = Kind::Replaced;
    qsizetype index = 0;
    ListAnimation animation;
};
