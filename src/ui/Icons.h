#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <span>

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
    Pin,       // a row that can be pinned
    PinFilled, // a pinned row
    Checkmark, // a copy back happened
    Power,     // Start at Login
};

QIcon themedIcon(IconName name, const QColor &color);
// In the application palette's text colour.
QIcon themedIcon(IconName name);

// Brimvale's own icon, in its own colours rather than tinted: a blue page on a
// light-rimmed tile, or a grey lock while Privacy Mode is on. The tray's and the
// windows'.
enum class AppIconName {
    Brimvale,
    BrimvalePrivate,
};

// The name it is installed under in the hicolor theme.
QString themeName(AppIconName name);
// The drawing built into the program, as pixmaps at each of `sides` (logical
// pixels) at 1x and 2x: a tray host is handed the pixmaps an icon holds, and a
// drawing made only when asked holds none.
QIcon builtInIcon(AppIconName name, std::span<const int> sides);
