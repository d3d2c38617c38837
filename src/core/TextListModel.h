#pragma once

#include <QAbstractListModel>
#include <QString>

// A list model whose rows are texts. Views and proxies that look at every row (a
// search through 100,000 items) read the texts through textAt() rather than
// through data(), which would wrap each one in a QVariant.
class TextListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextListModel)

public:
    enum Role {
        TextRole = Qt::UserRole, // the full text of the row (QString)
    };

    using QAbstractListModel::QAbstractListModel;
    ~TextListModel() override = default;

    // `row` must be a valid row. Safe to call from several threads at once while
    // the model does not change.
    virtual const QString &textAt(int row) const = 0;
};
