#include "TextSelectionModel.h"

#include "TextListModel.h"
#include "TextSearch.h"
#include "UnicodeText.h"

#include <QScopedValueRollback>

TextSelectionModel::TextSelectionModel(TextListModel *model, QObject *parent)
    : QItemSelectionModel(model, parent)
{
    watch(model);
    // Given another list, the text looks for its row there. A list that is
    // destroyed takes the rows with it.
    connect(this, &QItemSelectionModel::modelChanged, this, [this](QAbstractItemModel *changed) {
        watch(changed);
        if (changed)
            reset();
    });
}

TextSelectionModel::~TextSelectionModel() = default;

void TextSelectionModel::watch(QAbstractItemModel *model)
{
    for (const QMetaObject::Connection &connection : m_connections)
        disconnect(connection);
    m_connections.clear();
    m_lostRow = false;
    if (!model)
        return;
    m_connections.push_back(connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                                    &TextSelectionModel::rowsAboutToBeRemoved));
    m_connections.push_back(
        connect(model, &QAbstractItemModel::rowsRemoved, this, &TextSelectionModel::rowsRemoved));
    m_connections.push_back(
        connect(model, &QAbstractItemModel::rowsInserted, this, &TextSelectionModel::rowsInserted));
    m_connections.push_back(connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (const TextListModel *list = texts(); list && m_row.isValid())
            m_homeless = list->textAt(m_row.row());
    }));
}

const TextListModel *TextSelectionModel::texts() const
{
    return qobject_cast<const TextListModel *>(model());
}

std::optional<QString> TextSelectionModel::selectedText() const
{
    // The selection itself rather than the row kept for it: while a change is
    // being announced, the selection is already up to date.
    const QModelIndexList selected = selectedIndexes();
    const TextListModel *list = texts();
    if (!selected.isEmpty() && list)
        return list->textAt(selected.first().row());
    return m_homeless;
}

bool TextSelectionModel::holds(const QString &text) const
{
    const std::optional<QString> selected = selectedText();
    return selected && equivalent(*selected, text);
}

bool TextSelectionModel::equivalent(const QString &selected, const QString &text) const
{
    if (text.size() == selected.size() && text.constData() == selected.constData())
        return true;
    // A code point's canonical decomposition has at most four code points, of at
    // most two UTF-16 units each, so equivalent texts differ in length by less
    // than that factor. This spares putting a huge text in NFC to compare it with
    // a short one.
    if (text.size() > 8 * selected.size() || selected.size() > 8 * text.size())
        return false;
    const QString &canonical = canonicalOf(selected);
    if (text == selected || text == canonical)
        return true;
    return !TextSearch::isCanonical(text) && canonicalForm(text) == canonical;
}

const QString &TextSelectionModel::canonicalOf(const QString &selected) const
{
    if (m_canonicalOf.size() != selected.size() ||
        m_canonicalOf.constData() != selected.constData()) {
        m_canonicalOf = selected;
        m_canonical = canonicalForm(selected);
    }
    return m_canonical;
}

void TextSelectionModel::toggle(const QModelIndex &index)
{
    const TextListModel *list = texts();
    if (!list || !index.isValid() || index.model() != list)
        return;
    if (holds(list->textAt(index.row())))
        clear();
    else
        select(index, ClearAndSelect | Rows);
}

void TextSelectionModel::select(const QItemSelection &selection, SelectionFlags command)
{
    QItemSelectionModel::select(selection, command);
    const QModelIndexList selected = selectedIndexes();
    m_row = selected.isEmpty() ? QPersistentModelIndex() : QPersistentModelIndex(selected.first());
    if (m_keepText)
        return;
    m_homeless.reset();
    m_canonicalOf.clear();
    m_canonical.clear();
}

void TextSelectionModel::clear()
{
    if (!m_keepText)
        m_homeless.reset();
    QItemSelectionModel::clear();
}

void TextSelectionModel::reset()
{
    if (const TextListModel *list = texts(); list && m_row.isValid())
        m_homeless = list->textAt(m_row.row());
    {
        const QScopedValueRollback keep(m_keepText, true);
        QItemSelectionModel::reset();
    }
    m_row = QPersistentModelIndex();
    m_lostRow = false;
    const TextListModel *list = texts();
    if (list && m_homeless) {
        // In NFC first: that is one comparison a row, and nearly always enough.
        const int last = list->rowCount() - 1;
        if (!selectFirstHolding(0, last, Form::Nfc))
            selectFirstHolding(0, last, Form::Any);
    }
}

void TextSelectionModel::rowsAboutToBeRemoved(const QModelIndex &parent, int first, int last)
{
    const TextListModel *list = texts();
    if (!list || parent.isValid() || !m_row.isValid() || m_row.row() < first || m_row.row() > last)
        return;
    m_homeless = list->textAt(m_row.row());
    m_lostRow = true;
}

void TextSelectionModel::rowsRemoved()
{
    if (!m_lostRow)
        return;
    m_lostRow = false;
    // The same text further down, which the removal only shifted, takes its
    // place. Looking at every row for other forms of it would cost a pass over
    // the whole list for each deletion; the history keeps no two equal texts.
    if (const TextListModel *list = texts())
        selectFirstHolding(0, list->rowCount() - 1, Form::Nfc);
}

void TextSelectionModel::rowsInserted(const QModelIndex &parent, int first, int last)
{
    if (!parent.isValid() && m_homeless && !m_row.isValid())
        selectFirstHolding(first, last, Form::Any);
}

bool TextSelectionModel::selectFirstHolding(int first, int last, Form form)
{
    const TextListModel *list = texts();
    if (!list || !m_homeless)
        return false;
    const QString selected = *m_homeless;
    const QString &canonical = canonicalOf(selected);
    for (int row = first; row <= last; ++row) {
        const QString &text = list->textAt(row);
        const bool holds =
            form == Form::Nfc ? text == selected || text == canonical : equivalent(selected, text);
        if (holds) {
            select(list->index(row, 0), ClearAndSelect | Rows);
            return true;
        }
    }
    return false;
}
