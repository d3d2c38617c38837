#pragma once

#include "Category.h"
#include "ListChange.h"

#include "TextListModel.h"

#include <QStringList>

class ClipboardManager;

// One category's history list as an item model, newest first. It follows the
// manager's change announcements row by row, so a new item costs one inserted row
// and not a reset.
class HistoryListModel final : public TextListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryListModel)

public:
    enum Role {
        SourceRowRole = TextRole + 1, // the item's position in the history list (int)
    };

    HistoryListModel(ClipboardManager &manager, Category category, QObject *parent = nullptr);

    Category category() const { return m_category; }
    const QStringList &items() const { return m_items; }

    // The first row holding a text equal to `text` (canonically), or -1; `hint`
    // names the row that probably does.
    qsizetype indexOf(const QString &text, qsizetype hint = -1) const;

    const QString &textAt(int row) const override { return m_items.at(row); }
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    void applyChange(const ListChange &change);

    ClipboardManager &m_manager;
    const Category m_category;
    // The manager's texts, kept in a list of the model's own so that the model can
    // report the old rows until it has announced a change.
    QStringList m_items;
};
