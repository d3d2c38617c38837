#pragma once

#include <QItemSelectionModel>

#include <optional>
#include <vector>

class TextListModel;

// The selection of a TextListModel: the row whose preview is open, one at most.
// What is selected is the row's text rather than the row: when the row goes
// (deleted, or the list reset) the text stays selected, and the first row that
// comes to hold an equal text (canonically) is selected again; after a deletion,
// only a row holding it in NFC, as nearly every text is. Rows are followed
// through the model's changes by QItemSelectionModel itself, so a model stacked
// on the same list can be made before or after this one.
class TextSelectionModel final : public QItemSelectionModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextSelectionModel)

public:
    explicit TextSelectionModel(TextListModel *model, QObject *parent = nullptr);
    ~TextSelectionModel() override;

    // The selected text, also while it has no row; nullopt when nothing is.
    std::optional<QString> selectedText() const;
    // Whether `text` is canonically equal to the selected text.
    bool holds(const QString &text) const;
    // Selects the row at `index` unless its text is the selected one; then clears.
    void toggle(const QModelIndex &index);

    using QItemSelectionModel::select;
    void select(const QItemSelection &selection, SelectionFlags command) override;
    // Clears the selection and forgets a text that has no row.
    void clear() override;
    // The model was reset: the text stays selected and looks for its row again.
    void reset() override;

private:
    void watch(QAbstractItemModel *model);
    const TextListModel *texts() const;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int first, int last);
    void rowsRemoved();
    void rowsInserted(const QModelIndex &parent, int first, int last);
    // How a row may hold the text: as it is or in NFC, or in any canonically
    // equivalent form (which costs a look at the row's form).
    enum class Form { Nfc, Any };
    bool selectFirstHolding(int first, int last, Form form);
    bool equivalent(const QString &selected, const QString &text) const;
    const QString &canonicalOf(const QString &selected) const;

    std::vector<QMetaObject::Connection> m_connections;
    // The row of an explicit selection; the model moves it with its row.
    QPersistentModelIndex m_row;
    // The selected text while it has no row.
    std::optional<QString> m_homeless;
    bool m_lostRow = false; // rows being removed take the selected row with them
    bool m_keepText = false;
    // The selected text in NFC, worked out when first needed: it may be megabytes.
    mutable QString m_canonicalOf;
    mutable QString m_canonical;
};
