#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The one line a history row shows for an item, wherever it is shown: the
// panel's rows and `brimvale --list` print the same.

// The item's first characters as a row shows them (see displayText()), made from
// its UTF-8 as stored. A long text is decoded only as far as its row reaches.
QString displayTextOfUtf8(QByteArrayView utf8);

// The text as a row paints it: line breaks become a visible mark so that it
// stays on one line. The item itself is never changed.
QString singleLine(const QString &text);

// Both: what a row shows of the item stored as `utf8`.
inline QString rowLineOfUtf8(QByteArrayView utf8)
{
    return singleLine(displayTextOfUtf8(utf8));
}
// The same in UTF-8, appended to `out`. Valid UTF-8 whose beginning stands alone
// and breaks no line is cut where it is, without decoding it: a listing of a
// million items spends its time nowhere else.
void appendRowLineUtf8(QByteArray &out, QByteArrayView utf8);
