#pragma once

#include <QString>

// How many user-perceived characters a row shows before it shortens an item.
inline constexpr qsizetype displayTextLength = 100;

// The row text of an item: its first `length` user-perceived characters (extended
// grapheme clusters) followed by "..." when it has more, otherwise the item itself.
// Looks only at the beginning of the item, however long it is.
QString displayText(const QString &text, qsizetype length = displayTextLength);
