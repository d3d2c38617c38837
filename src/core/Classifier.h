#pragma once

#include "Category.h"

class QString;

// The category of a new clipboard text.
// Only a text with at least one tagged word token (see WordTagger.h) can be other
// than Text. Such a text is Url when it starts with "http://", "https://" or
// "www." (see startsWithCharacters() in UnicodeText.h); else Code when a token is
// tagged Symbol or Other or the text contains "{", ";" or "func" anywhere
// (case-sensitive, code unit by code unit); else Text.
Category categorize(const QString &text);
