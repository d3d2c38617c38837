#pragma once

#include <QString>
#include <QStringView>

// The category name of a new clipboard text: "URL", "Code" or "Text".
// Only a text with at least one tagged word token (see WordTagger.h) can be other
// than "Text". Such a text is "URL" when it starts with "http://", "https://" or
// "www."; else "Code" when a token is tagged Symbol or Other or the text contains
// "{", ";" or "func" anywhere (case-sensitive, code unit by code unit); else "Text".
QString categorize(const QString &text);

// Whether `text` begins with the user-perceived characters of `prefix`, each one
// canonically equivalent to the prefix's. Case counts and no white space is
// skipped. A combining mark right after the prefix joins its last character, so
// "www.\u0301x" does not begin with "www.".
bool startsWithCharacters(QStringView text, QStringView prefix);
