#include "HistoryListModel.h"

#include "ClipboardManager.h"
#include "DisplayText.h"

namespace {

// A list that shares the texts but not the list itself: were the model to share
// the manager's list, the manager's next change would copy all 100,000 entries.
QStringList ownCopy(const QStringList &items)
{
    return QStringList(items.cbegin(), items.cend());
}

} // namespace

HistoryListModel::HistoryListModel(ClipboardManager &manager, Category category, QObject *parent)
    : TextListModel(parent), m_manager(manager), m_category(category),
      m_items(ownCopy(manager.items(category)))
{
    connect(&m_manager, &ClipboardManager::listChanged, this, &HistoryListModel::applyChange);
}

qsizetype HistoryListModel::indexOf(const QString &text, qsizetype hint) const
{
    return m_manager.indexOf(m_category, text, hint);
}

int HistoryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant HistoryListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QString &text = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return displayText(text);
    case TextRole:
        return text;
    case SourceRowRole:
        return index.row();
    default:
        return {};
    }
}

QHash<int, QByteArray> HistoryListModel::roleNames() const
{
    auto names = TextListModel::roleNames();
    names.insert(TextRole, "text");
    names.insert(SourceRowRole, "sourceRow");
    return names;
}

void HistoryListModel::applyChange(const ListChange &change)
{
    if (change.category != m_category)
        return;
    const QStringList &current = m_manager.items(m_category);
    const qsizetype row = change.index;
    // A change that does not fit what the model holds is taken as a new list.
    const bool inserted = change.kind == ListChange::Kind::Inserted &&
                          current.size() == m_items.size() + 1 && row >= 0 && row <= m_items.size();
    const bool removed = change.kind == ListChange::Kind::Removed &&
                         current.size() == m_items.size() - 1 && row >= 0 && row < m_items.size();
    if (inserted) {
        beginInsertRows({}, int(row), int(row));
        m_items.insert(row, current.at(row));
        endInsertRows();
    } else if (removed) {
        beginRemoveRows({}, int(row), int(row));
        m_items.removeAt(row);
        endRemoveRows();
    } else {
        beginResetModel();
        m_items = ownCopy(current);
        endResetModel();
    }
}
