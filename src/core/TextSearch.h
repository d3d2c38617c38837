#pragma once

#include "UnicodeText.h"

#include <QLocale>
#include <QString>
#include <QStringView>

#include <memory>
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

    // The UTF-16 units a match can start with; shared between searches.
    std::shared_ptr<const FirstUnits> m_firstUnits;
    CaseFolding m_folding = CaseFolding::Default;
};
