#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <bitset>
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

    bool matches(const QString &text) const;

    // True when every text this search matches is also matched by `broader`, so
    // that narrowing a search only needs to look at the broader one's matches.
    bool narrows(const TextSearch &broader) const;

    // Whether a user-perceived character boundary lies at `position` of `text`.
    // Looks only at a few characters around `position`, however long the text.
    static bool isGraphemeBoundary(QStringView text, qsizetype position);

private:
    bool find(QStringView canonical) const;
    bool matchesAt(QStringView text, qsizetype start, qsizetype *end) const;
    char32_t fold(char32_t codePoint) const;

    QString m_needle;
    std::vector<char32_t> m_folded; // the needle in NFC, case-folded, by code point
    // The UTF-16 units a match can start with; 8 kB, so shared between copies.
    std::shared_ptr<const std::bitset<0x10000>> m_firstUnits;
    bool m_turkic = false;
};
