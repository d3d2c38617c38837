#pragma once

#include "Category.h"

#include <QHash>
#include <QStringList>

#include <array>

// The three history lists, newest first, with an index of their texts' canonical
// forms so that "is this text recorded already?" costs one hash lookup instead of a
// scan of the whole history.
class HistoryIndex final
{
public:
    const QStringList &list(Category category) const { return m_lists[slot(category)]; }
    qsizetype totalSize() const;

    bool contains(const QString &text) const;
    // First position in the list holding a text equal to `text`, or -1. A `hint`
    // naming such a position is trusted when the text is recorded only once.
    qsizetype indexOf(Category category, const QString &text, qsizetype hint = -1) const;

    void prepend(Category category, const QString &text);
    void removeAt(Category category, qsizetype index);
    void replace(Category category, const QStringList &texts);

private:
    static std::size_t slot(Category category) { return static_cast<std::size_t>(category); }
    void count(const QString &text);
    void uncount(const QString &text);

    std::array<QStringList, 3> m_lists;
    // Canonical form -> how often it occurs in all lists. A stored history may hold
    // a text more than once; one recorded by capture never does.
    QHash<QString, int> m_occurrences;
};
