#include "HistoryIndex.h"

#include "UnicodeText.h"

#include "HistoryStore.h"

#include <QHashFunctions>
#include <QStringDecoder>

#include <algorithm>
#include <atomic>

namespace {

// The table grows when it is fuller than this; probes stay short up to here.
constexpr double maxLoad = 0.8;
// How full a table reserved for a loaded history is: a session's new items fit
// in it before it must grow, which at a million items takes 100 ms.
constexpr double reservedLoad = 0.7;

std::atomic<bool> collideAll{false};

quint64 hashOfCanonicalUtf8(QByteArrayView utf8)
{
    if (collideAll.load(std::memory_order_relaxed))
        return 42;
    // Seeded: Qt hashes a long text far faster with a seed than without.
    quint64 hash = qHashBits(utf8.data(), std::size_t(utf8.size()), QHashSeed::globalSeed());
    // Qt's hash of a long text varies little in its high bits, which pick the
    // slot; mixed as MurmurHash3 finishes, every bit depends on every other.
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ULL;
    hash ^= hash >> 33;
    return hash;
}

} // namespace

void HistoryIndex::setCollideAllForTesting(bool collide)
{
    collideAll.store(collide, std::memory_order_relaxed);
}

HistoryIndex::Key HistoryIndex::keyOf(const QString &text)
{
    QString canonical = canonicalForm(text);
    QByteArray utf8 = canonical.toUtf8();
    const bool isText = isSameStorage(canonical, text);
    // A lone surrogate has no UTF-8 form: the history keeps the text as UTF-8
    // encodes it, so that is the text to compare with.
    if (mayNeedComposing(canonical) && !canonical.isValidUtf16())
        canonical = StoredList::textOf(utf8);
    const quint64 hash = hashOfCanonicalUtf8(utf8);
    return {std::move(canonical), hash, isText ? std::move(utf8) : text.toUtf8()};
}

quint64 HistoryIndex::hashOfUtf8(QByteArrayView utf8, QString &scratch)
{
    if (isPlainlyCanonicalUtf8(utf8))
        return hashOfCanonicalUtf8(utf8);
    QStringDecoder decoder = StoredList::textDecoder();
    scratch.resize(utf8.size());
    const QChar *end = decoder.appendToBuffer(scratch.data(), utf8);
    scratch.resize(end - scratch.constData());
    // Bytes that decode without a fault and need no composing are the canonical
    // form's UTF-8 already.
    if (!decoder.hasError() && isCanonical(scratch))
        return hashOfCanonicalUtf8(utf8);
    return hashOfCanonicalUtf8(canonicalForm(scratch).toUtf8());
}

void HistoryIndex::reserve(qsizetype count)
{
    if (double(count) > double(m_slots.size()) * maxLoad)
        rebuild(std::size_t(double(count) / reservedLoad) + 1);
}

void HistoryIndex::add(quint64 hash, int list, qint64 item)
{
    Q_ASSERT(item != 0 && list >= 0 && quint64(list) <= listBits);
    if (double(m_size + 1) > double(m_slots.size()) * maxLoad)
        rebuild(std::max<std::size_t>(16, m_slots.size() * 3 / 2));
    insert({(hash & ~listBits) | quint64(list), item});
    ++m_size;
}

void HistoryIndex::remove(quint64 hash, int list, qint64 item)
{
    if (const std::size_t at = find(hash, list, item); at < m_slots.size()) {
        erase(at);
        --m_size;
    }
}

void HistoryIndex::changeItem(quint64 hash, int list, qint64 from, qint64 to)
{
    if (const std::size_t at = find(hash, list, from); at < m_slots.size())
        m_slots[at].item = to;
}

void HistoryIndex::removeList(int list)
{
    std::vector<Slot> kept;
    kept.reserve(std::size_t(m_size));
    for (const Slot &slot : m_slots)
        if (slot.item != 0 && listOf(slot) != list)
            kept.push_back(slot);
    std::fill(m_slots.begin(), m_slots.end(), Slot{});
    m_size = qsizetype(kept.size());
    for (const Slot &slot : kept)
        insert(slot);
}

std::size_t HistoryIndex::find(quint64 hash, int list, qint64 item) const
{
    if (m_slots.empty())
        return 0;
    const quint64 wanted = (hash & ~listBits) | quint64(list);
    for (std::size_t at = home(hash);; at = next(at)) {
        const Slot &slot = m_slots[at];
        if (slot.item == 0)
            return m_slots.size();
        if (slot.item == item && slot.hashAndList == wanted)
            return at;
    }
}

void HistoryIndex::erase(std::size_t at)
{
    // Linear probing without tombstones: entries after the hole that may move
    // back into it do, so that every lookup still stops at the first empty slot.
    std::size_t hole = at;
    for (std::size_t probe = next(hole); m_slots[probe].item != 0; probe = next(probe)) {
        const std::size_t wants = home(m_slots[probe].hashAndList);
        const bool staysPut =
            hole <= probe ? (hole < wants && wants <= probe) : (hole < wants || wants <= probe);
        if (staysPut)
            continue;
        m_slots[hole] = m_slots[probe];
        hole = probe;
    }
    m_slots[hole] = Slot{};
}

void HistoryIndex::rebuild(std::size_t slotCount)
{
    std::vector<Slot> old = std::exchange(m_slots, std::vector<Slot>(slotCount));
    for (const Slot &slot : old)
        if (slot.item != 0)
            insert(slot);
}

void HistoryIndex::insert(const Slot &slot)
{
    std::size_t at = home(slot.hashAndList);
    while (m_slots[at].item != 0)
        at = next(at);
    m_slots[at] = slot;
}
