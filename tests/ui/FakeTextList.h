#pragma once

#include "TextListModel.h"

#include <QStringList>

// A list of texts in memory that announces each change the way a history list
// does, or in the other ways a TextListModel may: rows at any place, several at
// once, changed texts, moved rows.
class FakeTextList final : public TextListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeTextList)

public:
    explicit FakeTextList(QStringList texts = {}, QObject *parent = nullptr)
        : TextListModel(parent), m_texts(std::move(texts))
    {
    }

    const QStringList &texts() const { return m_texts; }
    // How often data() was asked for a row's text.
    int dataReads() const { return m_dataReads; }

    void insert(int row, const QStringList &texts)
    {
        beginInsertRows({}, row, row + int(texts.size()) - 1);
        for (qsizetype i = 0; i < texts.size(); ++i)
            m_texts.insert(row + i, texts.at(i));
        endInsertRows();
    }
    void remove(int first, int last)
    {
        beginRemoveRows({}, first, last);
        m_texts.remove(first, last - first + 1);
        endRemoveRows();
    }
    void replaceAll(const QStringList &texts)
    {
        beginResetModel();
        m_texts = texts;
        endResetModel();
    }
    void setText(int row, const QString &text)
    {
        m_texts[row] = text;
        emit dataChanged(index(row), index(row));
    }
    // Moves one row to just before `to` (in the list before the move).
    void move(int from, int to)
    {
        beginMoveRows({}, from, from, {}, to);
        m_texts.move(from, to > from ? to - 1 : to);
        endMoveRows();
    }

    QString textAt(int row) const override { return m_texts.at(row); }
    QStringView textView(int row, QString &) const override { return m_texts.at(row); }
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_texts.size());
    }
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override
    {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
            return {};
        if (role == Qt::DisplayRole || role == TextRole)
            ++m_dataReads;
        return role == Qt::DisplayRole || role == TextRole ? QVariant(m_texts.at(index.row()))
                                                           : QVariant();
    }

private:
    QStringList m_texts;
    mutable int m_dataReads = 0;
};
