#include "HistoryIndex.h"

#include "UnicodeText.h"

HistoryIndex::Key HistoryIndex::keyOf(const QString &text)
{
    QString canonical = canonicalForm(text);
    // Seeded: Qt hashes a long text far faster with a seed than without.
    const size_t hash = qHash(canonical, QHashSeed::globalSeed());
    return {std::move(canonical), hash};
}

int HistoryIndex::occurrences(const QString &canonical) const
{
    return m_occurrences.value({canonical, qHash(canonical, QHashSeed::globalSeed())});
}

void HistoryIndex::count(const Key &key)
{
    ++m_occurrences[key];
}

void HistoryIndex::uncount(const QString &text)
{
    const auto it = m_occurrences.find(keyOf(text));
    if (it == m_occurrences.end())
        return;
    if (--it.value() <= 0)
        m_occurrences.erase(it);
}
