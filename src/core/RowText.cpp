#include "RowText.h"

#include "UnicodeText.h"

#include "HistoryStore.h"

#include <algorithm>
#include <optional>

namespace {

// How much of a long text a row's display text is made from: a hundred
// characters fit many times over, unless they are heaped with combining marks.
constexpr qsizetype displayPrefixBytes = 4096;

// What stands for a line break in a row: the return symbol.
constexpr QChar lineBreakMark(0x23CE);

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\r':
    case u'\v':
    case u'\f':
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

// The display text of a long text from its beginning alone, or nothing when the
// beginning does not hold enough whole characters to tell.
std::optional<QString> displayTextOfPrefix(QByteArrayView utf8)
{
    if (utf8.size() <= displayPrefixBytes)
        return std::nullopt;
    qsizetype cut = displayPrefixBytes;
    while (cut > 0 && (uchar(utf8[cut]) & 0xC0) == 0x80)
        --cut;
    const QString prefix = StoredList::textOf(utf8.first(cut));
    // One character more than is shown, ending before the cut: the characters
    // shown and the "..." after them are then those of the whole text.
    const GraphemeEnds ends = leadingGraphemeEnds(prefix, displayTextLength + 1);
    if (ends.size() <= displayTextLength || ends.back() >= prefix.size())
        return std::nullopt;
    return displayText(prefix);
}

} // namespace

QString displayTextOfUtf8(QByteArrayView utf8)
{
    if (std::optional<QString> shown = displayTextOfPrefix(utf8))
        return *shown;
    return displayText(StoredList::textOf(utf8));
}

QString singleLine(const QString &text)
{
    // Most rows have no line break: the text itself, shared.
    if (std::none_of(text.begin(), text.end(), isLineBreak))
        return text;
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isLineBreak(c)) {
            line.append(c);
            continue;
        }
        line.append(lineBreakMark);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
    }
    return line;
}
