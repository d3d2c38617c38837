#pragma once

#include <QColor>
#include <QIcon>

// Brimvale's own icons, drawn from SVG and tinted, so they follow light and dark
// palettes.
enum class IconName {
    Globe,          // URL category
    CodeBrackets,   // Code category
    Document,       // Text category
    DocumentFilled, // tray icon
    LockClosed,
    LockOpen,
    Dock,
    RectangleSlash,
    Copy,
    Trash,
    Checkmark, // a copy back happened
    Power,     // Start at Login
};

QIcon themedIcon(IconName name, const QColor &color);
// In the application palette's text colour.
QIcon themedIcon(IconName name);
