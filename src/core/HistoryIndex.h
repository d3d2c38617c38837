#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// Which items of the whole history hold a text, by a 64-bit hash of the text's
// canonical form, so that "is this text recorded already?" costs one lookup
// instead of a scan of a million items. It keeps no texts: a hash found leads to
// the item ids that have it, and the lists confirm by comparing those items'
// texts. The history lists keep it in step as they change.
//
// An open-addressing table of (hash, list, item id) entries, 16 bytes each: a
// hash table of QStrings would hold every text a second time.
class HistoryIndex final
{
public:
    // A text as the index looks it up: its canonical form and that form's hash.
    // Working them out reads the whole text (tens of milliseconds for 200 MB), so
    // a long capture has its key made on a worker thread and passed in.
    struct Key
    {
        QString canonical;
        quint64 hash = 0;
        // The text's own UTF-8 (its canonical form's, nearly always): made with
        // the hash, so a long text is not encoded again on the GUI thread to be
        // kept.
        QByteArray utf8;
    };
    static Key keyOf(const QString &text);
    // The hash of the key of the text these bytes decode to (as QString::fromUtf8()
    // decodes them): what the index holds for a stored text. `scratch` is reused
    // from call to call; most texts need no decoding at all.
    static quint64 hashOfUtf8(QByteArrayView utf8, QString &scratch);

    // Tests make every hash equal, to see that texts are told apart by content.
    static void setCollideAllForTesting(bool collide);

    qsizetype size() const { return m_size; }
    // Room for `count` entries without growing.
    void reserve(qsizetype count);
    // `list` (0 to 3) tells whose item `item` (never 0) is.
    void add(quint64 hash, int list, qint64 item);
    void remove(quint64 hash, int list, qint64 item);
    void changeItem(quint64 hash, int list, qint64 from, qint64 to);
    // Brings the slot where `hash` would go into the cache: a million texts are
    // indexed faster when each one's slot is asked for a few texts ahead.
    void prefetch(quint64 hash) const
    {
        if (!m_slots.empty())
            __builtin_prefetch(&m_slots[home(hash)]);
    }
    // Forgets every entry of `list`.
    void removeList(int list);

    // Calls `visit(list, item)` for each entry with `hash` until one returns true;
    // returns whether one did.
    template <typename Visit> bool findAny(quint64 hash, Visit visit) const
    {
        if (m_slots.empty())
            return false;
        for (std::size_t at = home(hash);; at = next(at)) {
            const Slot &slot = m_slots[at];
            if (slot.item == 0)
                return false;
            if (sameHash(slot.hashAndList, hash) && visit(listOf(slot), slot.item))
                return true;
        }
    }

    // Ids for items not stored yet: above every store id, rising with each call.
    static constexpr qint64 provisionalBit = qint64(1) << 61;
    qint64 provisionalId() { return provisionalBit | ++m_lastProvisional; }

private:
    struct Slot
    {
        // The hash with its two lowest bits replaced by the list.
        quint64 hashAndList = 0;
        // 0 marks an empty slot.
        qint64 item = 0;
    };
    static constexpr quint64 listBits = 3;
    static bool sameHash(quint64 hashAndList, quint64 hash)
    {
        return (hashAndList & ~listBits) == (hash & ~listBits);
    }
    static int listOf(const Slot &slot) { return int(slot.hashAndList & listBits); }
    std::size_t home(quint64 hash) const
    {
        // The hash's high half picks the slot: no division, and any table size.
        return std::size_t((hash >> 32) * m_slots.size() >> 32);
    }
    std::size_t next(std::size_t at) const { return at + 1 == m_slots.size() ? 0 : at + 1; }
    std::size_t find(quint64 hash, int list, qint64 item) const;
    void erase(std::size_t at);
    void rebuild(std::size_t slotCount);
    void insert(const Slot &slot);

    std::vector<Slot> m_slots;
    qsizetype m_size = 0;
    qint64 m_lastProvisional = 0;
};
