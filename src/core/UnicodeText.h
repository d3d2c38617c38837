#pragma once

// What the program means by "the same text", "a character" and "the same letter",
// in one place: canonical form, user-perceived characters (extended grapheme
// clusters), case folding, and the row text cut at a character boundary.

#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>

class QLocale;

// --- Code points ---

// The code point starting at `*index`, which then moves past it. A lone surrogate
// stands for itself.
inline char32_t nextCodePoint(QStringView text, qsizetype *index)
{
    const char16_t unit = text.utf16()[*index];
    ++*index;
    if (QChar::isHighSurrogate(unit) && *index < text.size()) {
        const char16_t low = text.utf16()[*index];
        if (QChar::isLowSurrogate(low)) {
            ++*index;
            return QChar::surrogateToUcs4(unit, low);
        }
    }
    return unit;
}

// --- Canonical form ---

// Texts are equal when they are canonically equivalent (same NFC form); case counts.
// The canonical form shares the text's storage when the text is already in NFC,
// which is nearly always the case.
QString canonicalForm(const QString &text);
bool canonicallyEqual(const QString &a, const QString &b);
// Both are the very same text, sharing their storage: equal without a look at it.
inline bool isSameStorage(const QString &a, const QString &b)
{
    return a.size() == b.size() && a.constData() == b.constData();
}
// Whether `text` is in NFC already, i.e. canonicalForm(text) is `text` itself.
bool isCanonical(const QString &text);
// False when every unit of `text` lies below U+0300: such a text is in NFC and
// stays so whatever is put before or after it. Cheap: stops at the first unit
// from U+0300 on, and looks at eight units at a time.
bool mayNeedComposing(QStringView text);
// Whether `utf8` is valid UTF-8 whose text is in NFC, by a look at each code
// point alone: true when every one lies in a block whose characters are in NFC
// and combine with nothing before them (Latin-1, Cyrillic, kana, CJK ideographs,
// Hangul syllables, emoji, punctuation). Such bytes are their own canonical
// form's UTF-8. False says nothing more; decoding and isCanonical() then tell.
bool isPlainlyCanonicalUtf8(QByteArrayView utf8);

// --- User-perceived characters ---

// Whether a user-perceived character boundary lies at `position` of `text`.
// Looks only at a few characters around `position`, however long the text.
bool isGraphemeBoundary(QStringView text, qsizetype position);

// Whether a boundary lies before and after `codePoint` whatever stands around it,
// as long as that stands alone too: no rule of the segmentation joins it to a
// neighbour. Most letters, digits, punctuation and emoji do; marks, joiners, CR,
// Hangul jamo and flag halves do not, nor does a lone surrogate.
bool standsAlone(char32_t codePoint);

using GraphemeEnds = QVarLengthArray<qsizetype, 16>;
// Where each of the first `count` user-perceived characters of `text` ends, in
// order; fewer when the text has fewer. Looks at no more of the text than it
// needs, so a megabyte costs no more than a line.
GraphemeEnds leadingGraphemeEnds(QStringView text, qsizetype count);

// Whether `text` begins with the user-perceived characters of `prefix`, each one
// canonically equivalent to the prefix's. Case counts and no white space is
// skipped. A combining mark right after the prefix joins its last character, so
// "www.\u0301x" does not begin with "www.".
bool startsWithCharacters(QStringView text, QStringView prefix);

// How many user-perceived characters a row shows before it shortens an item.
inline constexpr qsizetype displayTextLength = 100;

// The row text of an item: its first `length` user-perceived characters followed
// by "..." when it has more, otherwise the item itself. Looks only at the
// beginning of the item, however long it is.
QString displayText(const QString &text, qsizetype length = displayTextLength);

// --- Case folding ---

// Turkish and Azerbaijani fold I to dotless ı and İ to i; other languages fold
// I to i and leave İ to the Unicode tables.
enum class CaseFolding { Default, Turkic };
CaseFolding caseFoldingFor(const QLocale &locale);

// The code point's simple case folding (one code point for one), with the Turkic
// rule for I and İ when asked: the search compares letters in this form.
char32_t foldCase(char32_t codePoint, CaseFolding folding);
