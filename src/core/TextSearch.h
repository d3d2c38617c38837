#pragma once

#include "UnicodeText.h"

#include <QByteArrayView>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <array>
#include <memory>
#include <optional>
#include <vector>

// Case-insensitive substring search as the history's search field does it: case
// is folded the way the locale folds it, canonically equivalent texts match,
// accents count, and a match never starts or ends inside a user-perceived
// character (so "e" does not find the e of "é", however the é is encoded).
class TextSearch final
{
public:
    explicit TextSearch(const QString &needle = {}, const QLocale &locale = QLocale());

    const QString &needle() const { return m_needle; }
    // An empty needle lets every text through.
    bool isEmpty() const { return m_folded.empty(); }

    bool matches(QStringView text) const;
    // For callers that remember which texts are in NFC (see isCanonical()): the
    // same test on a text known to be in NFC, which spares looking at its form.
    bool matchesCanonical(QStringView canonical) const;
    static bool isCanonical(QStringView text);
    // The same test on a text held as UTF-8, read as it is, where that gives the
    // same answer: the text is all ASCII, or the needle is ASCII and the text in
    // NFC (known so, or seen at a glance), or the text is in NFC and holds no
    // character a match could start with; nothing otherwise. Decoding every text
    // to UTF-16 would take most of a search's time.
    std::optional<bool> matchesUtf8(QByteArrayView utf8, bool knownCanonical = false) const;

    // True when every text this search matches is also matched by `broader`, so
    // that narrowing a search only needs to look at the broader one's matches.
    bool narrows(const TextSearch &broader) const;

    // See UnicodeText.h; here too for the search's callers.
    static bool isGraphemeBoundary(QStringView text, qsizetype position)
    {
        return ::isGraphemeBoundary(text, position);
    }

private:
    bool matchesAt(QStringView text, qsizetype start, qsizetype *end) const;
    char32_t fold(char32_t codePoint) const { return foldCase(codePoint, m_folding); }

    QString m_needle;
    std::vector<char32_t> m_folded; // the needle in NFC, case-folded, by code point
    struct FirstUnits;
    static std::shared_ptr<const FirstUnits> firstUnitsFor(char32_t folded, CaseFolding folding);
    qsizetype nextCandidate(const char16_t *units, qsizetype from, qsizetype last) const;
    bool matchesBytes(QByteArrayView utf8) const;
    bool matchesBytesAt(const char *bytes, qsizetype start) const;

    // The ASCII bytes that fold to the needle's first code point: a letter's two
    // cases, one byte, or none.
    std::array<char, 2> m_asciiFirst{};
    std::size_t m_asciiFirstCount = 0;
    // Whether the needle is ASCII and no other character of a text in NFC folds
    // to one of its characters, so that a match in such a text is a match of its
    // bytes.
    bool m_matchesAsBytes = false;
    // The UTF-8 of each character folding to the needle's first, when there are
    // few: a text in NFC holding none of them holds no match.
    std::vector<QByteArray> m_firstSources;

    // The UTF-16 units a match can start with; shared between searches.
    std::shared_ptr<const FirstUnits> m_firstUnits;
    CaseFolding m_folding = CaseFolding::Default;
};
