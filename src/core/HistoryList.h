#pragma once

#include "Category.h"
#include "HistoryIndex.h"
#include "TextListModel.h"

#include <QList>
#include <QString>
#include <QStringList>

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
class HistoryList final : public TextListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryList)

public:
    HistoryList(Category category, HistoryIndex &index, QObject *parent = nullptr);

    Category category() const { return m_category; }
    int size() const { return int(m_items.size()); }
    bool isEmpty() const { return m_items.isEmpty(); }
    QString textAt(int row) const override { return m_items.at(row).text; }
    QStringView textView(int row, QString &) const override { return m_items.at(row).text; }
    qint64 storeIdAt(int row) const { return m_items.at(row).storeId; }
    const QList<HistoryItem> &items() const { return m_items; }
    QStringList toStringList() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    // Changed by the history and its persistence only; each keeps the duplicate
    // index in step.
    friend class ClipboardManager;
    friend class HistoryPersistence;
    // `key` is the index's key of the item's text.
    void prepend(HistoryItem item, const HistoryIndex::Key &key);
    void removeAt(int row);
    void reset(QList<HistoryItem> items);
    // Ids change when the list is written anew; rows and texts do not.
    void setStoreId(int row, qint64 id) { m_items[row].storeId = id; }

    const Category m_category;
    HistoryIndex &m_index;
    QList<HistoryItem> m_items;
};
