#pragma once

#include <QHash>
#include <QString>

// How often each text stands in the whole history, by canonical form, so that
// "is this text recorded already?" costs one hash lookup instead of a scan of
// 100,000 items. The history lists keep it in step as they change.
class HistoryIndex final
{
public:
    // A text as the index looks it up: its canonical form and that form's hash.
    // Working them out reads the whole text (tens of milliseconds for 200 MB), so
    // a long capture has its key made on a worker thread and passed in.
    struct Key
    {
        QString canonical;
        size_t hash = 0;

        friend bool operator==(const Key &a, const Key &b)
        {
            return a.hash == b.hash && a.canonical == b.canonical;
        }
        // Hashed once with the process's seed when the key was made.
        friend size_t qHash(const Key &key, size_t seed) noexcept { return key.hash ^ seed; }
    };
    static Key keyOf(const QString &text);

    bool contains(const QString &text) const { return contains(keyOf(text)); }
    bool contains(const Key &key) const { return m_occurrences.contains(key); }
    // How often texts equal to `canonical` (already in canonical form) occur.
    int occurrences(const QString &canonical) const;

    void count(const QString &text) { count(keyOf(text)); }
    void count(const Key &key);
    void uncount(const QString &text);

private:
    // A stored history may hold a text more than once; one recorded by capture
    // never does.
    QHash<Key, int> m_occurrences;
};
