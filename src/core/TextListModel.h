#pragma once

#include <QAbstractListModel>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// A list model whose rows are texts. Views and proxies that look at every row (a
// search through a million items) read the texts through textView() rather than
// through data(), which would wrap each one in a QVariant, or textAt(), which
// would copy each one.
//
// Both readers are safe from several threads at once while the model does not
// change. A model announces every change (rowsAboutToBeInserted() and the like)
// before it makes it, so a reader on another thread can be stopped in time.
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

    // The full text of `row`, which must be a valid row.
    virtual QString textAt(int row) const = 0;
    // The full text of `row` to read through: a view of the model's own storage
    // where it holds the text as UTF-16, otherwise the text made in `scratch`
    // (whose storage is reused from call to call). Valid until the model changes
    // or `scratch` is used again.
    virtual QStringView textView(int row, QString &scratch) const
    {
        scratch = textAt(row);
        return scratch;
    }
    // The text of `row` as UTF-8 where the model holds it so (a view of its own
    // storage, valid until the model changes); nothing otherwise. A search reads
    // most texts faster that way than decoded.
    virtual std::optional<QByteArrayView> utf8View(int row) const
    {
        Q_UNUSED(row)
        return std::nullopt;
    }
};
