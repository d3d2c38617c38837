#include "HistoryIndex.h"

#include "UnicodeText.h"

bool HistoryIndex::contains(const QString &text) const
{
    return m_occurrences.contains(canonicalForm(text));
}

void HistoryIndex::count(const QString &text)
{
    ++m_occurrences[canonicalForm(text)];
}

void HistoryIndex::uncount(const QString &text)
{
    const auto it = m_occurrences.find(canonicalForm(text));
    if (it == m_occurrences.end())
        return;
    if (--it.value() <= 0)
        m_occurrences.erase(it);
}
