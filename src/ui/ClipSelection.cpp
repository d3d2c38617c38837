#include "ClipSelection.h"

#include "HistoryList.h"
#include "UnicodeText.h"

ClipSelection::ClipSelection(HistoryList &source, QObject *parent)
    : QObject(parent), m_source(source)
{
    connect(&m_source, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { rowsInserted(first, last); });
    connect(
        &m_source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
        [this](const QModelIndex &, int first, int last) { rowsAboutToBeRemoved(first, last); });
    connect(&m_source, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (m_text && m_sourceRow < 0)
            locate();
    });
    connect(&m_source, &QAbstractItemModel::modelReset, this, &ClipSelection::locate);
}

bool ClipSelection::holds(const QString &text) const
{
    if (!m_text)
        return false;
    if (text.size() == m_text->size() && text.constData() == m_text->constData())
        return true;
    // A character's canonical decomposition has at most four code points, so
    // equivalent texts differ in length by less than that factor. This spares
    // putting a huge selected text in NFC to compare it with a short one.
    const QString canonical = canonicalForm(text);
    if (canonical.size() > 4 * m_text->size() || m_text->size() > 4 * canonical.size())
        return false;
    if (!m_canonical)
        m_canonical = canonicalForm(*m_text);
    return canonical == *m_canonical;
}

void ClipSelection::select(int sourceRow)
{
    m_text = m_source.textAt(sourceRow);
    m_canonical.reset();
    // The row clicked shows the preview, even when an equal text comes earlier.
    m_sourceRow = sourceRow;
    emit changed();
}

void ClipSelection::clear()
{
    if (!m_text)
        return;
    m_text.reset();
    m_canonical.reset();
    m_sourceRow = -1;
    emit changed();
}

void ClipSelection::toggle(int sourceRow)
{
    if (holds(m_source.textAt(sourceRow)))
        clear();
    else
        select(sourceRow);
}

void ClipSelection::locate()
{
    const int hint = m_sourceRow;
    m_sourceRow = -1;
    if (!m_text)
        return;
    if (hint >= 0 && hint < m_source.size() && holds(m_source.textAt(hint))) {
        m_sourceRow = hint;
        return;
    }
    for (int row = 0; row < m_source.size(); ++row) {
        if (holds(m_source.textAt(row))) {
            m_sourceRow = row;
            return;
        }
    }
}

void ClipSelection::rowsInserted(int first, int last)
{
    if (!m_text)
        return;
    const int count = last - first + 1;
    if (m_sourceRow >= first)
        m_sourceRow += count;
    for (int row = first; row <= last; ++row) {
        if ((m_sourceRow < 0 || row < m_sourceRow) && holds(m_source.textAt(row))) {
            m_sourceRow = row;
            break;
        }
    }
}

void ClipSelection::rowsAboutToBeRemoved(int first, int last)
{
    if (m_sourceRow < first)
        return;
    // A removed selected row leaves the text selected; an equal text further down
    // (rows removed only shift it) takes its place.
    m_sourceRow = m_sourceRow > last ? m_sourceRow - (last - first + 1) : -1;
}
