#include "HistoryList.h"

#include "HistoryIndex.h"
#include "UnicodeText.h"

HistoryList::HistoryList(Category category, HistoryIndex &index, QObject *parent)
    : TextListModel(parent), m_category(category), m_index(index)
{
}

QStringList HistoryList::toStringList() const
{
    QStringList texts;
    texts.reserve(m_items.size());
    for (const HistoryItem &item : m_items)
        texts.append(item.text);
    return texts;
}

int HistoryList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

QVariant HistoryList::data(const QModelIndex &index, int role) const
{
    // Views and testers may ask with an index that names no row; that is no fault.
    if (!index.isValid() || index.model() != this || index.row() >= size() ||
        index.parent().isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return displayText(textAt(index.row()));
    case TextRole:
        return textAt(index.row());
    default:
        return {};
    }
}

QHash<int, QByteArray> HistoryList::roleNames() const
{
    auto names = TextListModel::roleNames();
    names.insert(TextRole, "text");
    return names;
}

void HistoryList::prepend(HistoryItem item, const HistoryIndex::Key &key)
{
    beginInsertRows({}, 0, 0);
    m_index.count(key);
    m_items.prepend(std::move(item));
    endInsertRows();
}

void HistoryList::removeAt(int row)
{
    beginRemoveRows({}, row, row);
    m_index.uncount(m_items.at(row).text);
    m_items.removeAt(row);
    endRemoveRows();
}

void HistoryList::reset(QList<HistoryItem> items)
{
    beginResetModel();
    for (const HistoryItem &item : std::as_const(m_items))
        m_index.uncount(item.text);
    m_items = std::move(items);
    for (const HistoryItem &item : std::as_const(m_items))
        m_index.count(item.text);
    endResetModel();
}
