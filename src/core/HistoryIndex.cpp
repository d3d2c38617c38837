#include "HistoryIndex.h"

#include "TextEquality.h"

qsizetype HistoryIndex::totalSize() const
{
    return m_lists[0].size() + m_lists[1].size() + m_lists[2].size();
}

bool HistoryIndex::contains(const QString &text) const
{
    return m_occurrences.contains(canonicalForm(text));
}

qsizetype HistoryIndex::indexOf(Category category, const QString &text, qsizetype hint) const
{
    const QString canonical = canonicalForm(text);
    const int occurrences = m_occurrences.value(canonical);
    if (occurrences == 0)
        return -1;
    const QStringList &items = list(category);
    if (occurrences == 1 && hint >= 0 && hint < items.size() &&
        canonicalForm(items.at(hint)) == canonical)
        return hint;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (canonicalForm(items.at(i)) == canonical)
            return i;
    }
    return -1;
}

void HistoryIndex::prepend(Category category, const QString &text)
{
    m_lists[slot(category)].prepend(text);
    count(text);
}

void HistoryIndex::removeAt(Category category, qsizetype index)
{
    QStringList &items = m_lists[slot(category)];
    uncount(items.at(index));
    items.removeAt(index);
}

void HistoryIndex::replace(Category category, const QStringList &texts)
{
    QStringList &items = m_lists[slot(category)];
    for (const QString &text : std::as_const(items))
        uncount(text);
    items = texts;
    for (const QString &text : std::as_const(items))
        count(text);
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
