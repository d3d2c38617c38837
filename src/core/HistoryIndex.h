#pragma once

#include <QHash>
#include <QString>

// How often each text stands in the whole history, by canonical form, so that
// "is this text recorded already?" costs one hash lookup instead of a scan of
// 100,000 items. The history lists keep it in step as they change.
class HistoryIndex final
{
public:
    bool contains(const QString &text) const;
    // How often texts equal to `canonical` (already in canonical form) occur.
    int occurrences(const QString &canonical) const { return m_occurrences.value(canonical); }

    void count(const QString &text);
    void uncount(const QString &text);

private:
    // A stored history may hold a text more than once; one recorded by capture
    // never does.
    QHash<QString, int> m_occurrences;
};
