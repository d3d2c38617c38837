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

// The code point of well-formed UTF-8 at `*at`, which then moves past it; nothing
// for a sequence the decoder would replace (overlong, a surrogate, cut short).
std::optional<char32_t> nextWellFormed(QByteArrayView utf8, qsizetype *at)
{
    const auto byte = [&](qsizetype i) { return uchar(utf8[i]); };
    const uchar lead = byte(*at);
    if (lead < 0x80) {
        ++*at;
        return lead;
    }
    // The range of the second byte, which rules out overlong forms, surrogates and
    // code points beyond U+10FFFF; the others are 0x80..0xBF.
    qsizetype length = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return std::nullopt;
    }
    if (*at + length > utf8.size() || byte(*at + 1) < low || byte(*at + 1) > high)
        return std::nullopt;
    char32_t codePoint = lead & (0xFF >> (length + 1));
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(*at + i) & 0xC0) != 0x80)
            return std::nullopt;
        codePoint = (codePoint << 6) | (byte(*at + i) & 0x3F);
    }
    *at += length;
    return codePoint;
}

// Where the row of `utf8` is cut, in bytes (its whole size when it is not), when
// its first characters all stand alone and none breaks a line; else nothing.
std::optional<qsizetype> plainRowCut(QByteArrayView utf8)
{
    qsizetype at = 0;
    for (qsizetype count = 0; at < utf8.size(); ++count) {
        const qsizetype start = at;
        const std::optional<char32_t> codePoint = nextWellFormed(utf8, &at);
        if (!codePoint || !standsAlone(*codePoint) ||
            (*codePoint <= 0xFFFF && isLineBreak(QChar(char16_t(*codePoint)))))
            return std::nullopt;
        if (count == displayTextLength)
            return start;
    }
    return at;
}

} // namespace

QString displayTextOfUtf8(QByteArrayView utf8)
{
    if (std::optional<QString> shown = displayTextOfPrefix(utf8))
        return *shown;
    return displayText(StoredList::textOf(utf8));
}

void appendRowLineUtf8(QByteArray &out, QByteArrayView utf8)
{
    const std::optional<qsizetype> cut = plainRowCut(utf8);
    if (!cut) {
        out += rowLineOfUtf8(utf8).toUtf8();
        return;
    }
    out += utf8.first(*cut);
    if (*cut < utf8.size())
        out += "...";
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
