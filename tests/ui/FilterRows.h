#pragma once

#include "TextListModel.h"
#include "TextSearch.h"

#include <QAbstractItemModel>
#include <QStringList>

// The texts a filter shows, and what it should show: the texts that pass a fresh
// search, one by one, in their order.
inline QStringList shown(const QAbstractItemModel &model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows << model.index(row, 0).data(TextListModel::TextRole).toString();
    return rows;
}

inline QStringList passing(const QStringList &texts, const QString &needle)
{
    const TextSearch search(needle);
    QStringList rows;
    for (const QString &text : texts) {
        if (search.matches(text))
            rows << text;
    }
    return rows;
}
