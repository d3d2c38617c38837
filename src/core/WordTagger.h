#pragma once

#include <QLatin1StringView>
#include <QStringView>

#include <functional>
#include <optional>

// Lexical class of a word token, as far as this program needs one.
enum class WordTag {
    Word,       // has a letter
    Number,     // has a digit or other number, no letter
    Symbol,     // mathematical or modifier symbols: + = < > | ~ ^ `
    Other,      // control, format, private-use or unassigned characters, e.g. ESC
    Currency,   // $ € ...
    Pictograph, // other symbols: emoji, flags, °
    Mark,       // combining marks with nothing to combine with
};

// The tag as text: "Word", "Number", "Symbol", "Other", "Currency", "Pictograph", "Mark".
QLatin1StringView wordTagName(WordTag tag);

// Gets each token and its tag, if any; returning false stops the enumeration.
using WordTokenVisitor = std::function<bool(QStringView token, std::optional<WordTag> tag)>;

// Visits the word tokens of `text` in text order. Tokens are the text's Unicode
// word segments, without those made only of whitespace or only of punctuation.
//
// A token's tag comes from its characters:
// - any letter makes it a Word; else any number makes it a Number;
// - otherwise only the base character of each user-perceived character counts, so
//   marks, variation selectors, emoji modifiers and joiners riding on a base do not
//   change the tag (a thumbs-up with a skin tone is a Pictograph, not a Symbol);
//   among the bases, Symbol wins over Other, then Currency, Pictograph and Mark;
// - a token whose bases are only whitespace or punctuation, kept as a word only
//   because a mark rides on them (" \u0301", the keycap "#\uFE0F\u20E3"), has no tag.
// Tab, line breaks and other white space are whitespace, never Other.
void enumerateWordTokens(QStringView text, const WordTokenVisitor &visit);
