#pragma once

#include "Category.h"
#include "HistoryIndex.h"
#include "TextListModel.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

struct StoredList;

// One item of the history: the text exactly as it was copied, and the id of its
// row in the store (0 while it is not stored).
struct HistoryItem
{
    QString text;
    qint64 storeId = 0;
};
Q_DECLARE_TYPEINFO(HistoryItem, Q_RELOCATABLE_TYPE);

// One category's history list, newest first, as a list model. A new item is one
// inserted row at 0, a deletion one removed row, anything else (loading, clearing,
// merging) a reset. Only the history itself changes it; views read it.
//
// A million texts are held as UTF-8 in one block, with each row's place in it and
// its id in plain arrays: a QString per row would take twice the bytes and a
// heap block of its own. Rows are kept oldest first inside, so that a new item
// is appended. A text is in UTF-8 as the store keeps it too, so a lone surrogate
// in a copied text reads back as U+FFFD at once, not only after a restart.
//
// A text of `ownBlockBytes` or more is not copied into the block: it keeps the
// bytes it came with (the capture made them, the store's writer shares them), so
// a copy of hundreds of megabytes costs the GUI thread no copy, and its memory
// goes back to the system as soon as the item is deleted. Its hash is kept with
// it, so that deleting it does not read it again.
//
// Each row has an item id by which the duplicate index names it: its store id
// once stored, until then a provisional one above every store id. Item ids fall
// from row to row, as store ids do, so a row is found by binary search.
class HistoryList final : public TextListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryList)

public:
    HistoryList(Category category, HistoryIndex &index, QObject *parent = nullptr);

    Category category() const { return m_category; }
    int size() const { return int(m_ids.size()); }
    bool isEmpty() const { return m_ids.empty(); }
    QString textAt(int row) const override;
    QStringView textView(int row, QString &scratch) const override;
    std::optional<QByteArrayView> utf8View(int row) const override { return utf8At(row); }
    // The text of `row` as the list holds it, valid until the list changes.
    QByteArrayView utf8At(int row) const { return utf8Inside(inside(row)); }
    // 0 while the item is not stored.
    qint64 storeIdAt(int row) const
    {
        const qint64 id = itemIdAt(row);
        return id & HistoryIndex::provisionalBit ? 0 : id;
    }
    qint64 itemIdAt(int row) const { return m_ids[inside(row)]; }
    // The row of the item, or -1.
    int rowOfItemId(qint64 id) const;
    int rowOfStoreId(qint64 id) const { return id > 0 ? rowOfItemId(id) : -1; }
    // Whether the text of `row` is canonically equal to `canonical` (in NFC).
    bool holds(int row, const QString &canonical) const;
    QStringList toStringList() const;
    // The ids of the pinned items, in the order they were pinned. The list keeps
    // its order by id; views show pinned rows first through PinnedFirstList.
    const std::vector<qint64> &pinnedIds() const { return m_pins; }
    bool isPinned(int row) const;
    // The index's hash of each text of `stored`, in its order: made where the
    // list is read, which may be another thread.
    static std::vector<quint64> hashesOf(const StoredList &stored);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    // The row was pinned or unpinned, and is where it was.
    void pinChanged(int row, bool pinned);

public:
    // Below this many bytes of deleted texts the block is not compacted.
    static constexpr qint64 minGarbageToCompact = 1 << 20;
    // A new text this long has a block of its own.
    static constexpr qsizetype ownBlockBytes = 64 * 1024;

private:
    // Changed by the history and its persistence only; each keeps the duplicate
    // index in step.
    friend class ClipboardManager;
    friend class HistoryPersistence;
    // `key` is the index's key of the item's text.
    void prepend(HistoryItem item, const HistoryIndex::Key &key);
    void removeAt(int row);
    void reset(QList<HistoryItem> items);
    // `hashes` are hashesOf(stored); of `pins` (ids in pin order), those of the
    // list's items are pinned.
    void reset(StoredList stored, std::vector<quint64> hashes, std::vector<qint64> pins = {});
    // A pinned item is pinned after those pinned before.
    void setPinned(int row, bool pinned);
    // Keeps the pins of items the list still holds.
    void keepPinsOfHeldItems();
    // Room in the index for `count` more items, so that loading several lists
    // sizes it once.
    void reserveIndex(qsizetype count) { m_index.reserve(m_index.size() + count); }
    // Ids change when the list is written anew; rows and texts do not.
    void setStoreId(int row, qint64 id);

    std::size_t inside(int row) const { return m_ids.size() - 1 - std::size_t(row); }
    QByteArrayView utf8Inside(std::size_t at) const
    {
        const qint64 start = m_starts[at];
        if (start < 0)
            return m_ownBlocks[ownBlockOf(start)].utf8;
        return {m_utf8.constData() + start, m_lengths[at]};
    }
    // A text in a block of its own has the block's number, encoded below zero, as
    // its start.
    static std::size_t ownBlockOf(qint64 start) { return std::size_t(-start - 1); }
    static qint64 startOfOwnBlock(std::size_t block) { return -qint64(block) - 1; }
    int tag() const { return int(m_category); }
    quint64 hashAt(std::size_t at) const;
    quint64 hashAt(std::size_t at, QString &scratch) const;
    void append(QByteArrayView utf8, qint64 id);
    void appendOwnBlock(QByteArray utf8, quint64 hash, qint64 id);
    void forgetOwnBlocks();
    // Whether the ids at `at` and `at + 1` (inside order) rise, as they should.
    bool risesAt(std::size_t at) const
    {
        return at + 1 >= m_ids.size() || m_ids[at] < m_ids[at + 1];
    }
    void forgetIndexed();
    void countFalls();
    void compact();
    // `storedHashes`, when given, are those of the texts in the order they were
    // stored (newest first).
    void indexAll(const std::vector<quint64> *storedHashes = nullptr);

    const Category m_category;
    HistoryIndex &m_index;
    QByteArray m_utf8;
    // Oldest first.
    std::vector<qint64> m_starts;
    std::vector<quint32> m_lengths;
    std::vector<qint64> m_ids;
    struct OwnBlock
    {
        QByteArray utf8;
        quint64 hash = 0;
    };
    // A deleted text's place is null until a new long text takes it.
    std::vector<OwnBlock> m_ownBlocks;
    std::vector<std::size_t> m_freeOwnBlocks;
    // Bytes of m_utf8 no row uses any more.
    qint64 m_garbage = 0;
    // How many neighbouring ids do not rise as they should. Only a record written
    // by hand or half rewritten has any; rows are then found by a full scan.
    qsizetype m_falls = 0;
    // Item ids, in the order they were pinned: few, so looked through.
    std::vector<qint64> m_pins;
};
