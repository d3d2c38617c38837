#pragma once

#include <QObject>
#include <QString>

#include <optional>

class HistoryList;

// The list's selection: the text whose preview is open. It is a text, not a row:
// it stays set while its row is hidden by the search or deleted, and a row holding
// an equal text (canonically) shows the preview again. It follows the history's
// changes to know which row holds the text, without scanning the list.
class ClipSelection final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClipSelection)

public:
    // Must be created before any model stacked on `source`, so that it knows the
    // selected row before they announce their changes.
    explicit ClipSelection(HistoryList &source, QObject *parent = nullptr);

    const std::optional<QString> &text() const { return m_text; }
    // The first row of the history list holding the selected text, or -1.
    int sourceRow() const { return m_sourceRow; }
    bool holds(const QString &text) const;

    // Selects the item at `sourceRow` of the history list.
    void select(int sourceRow);
    void clear();
    // Selects the item at `sourceRow` unless it is selected; then clears.
    void toggle(int sourceRow);

signals:
    void changed();

private:
    void locate();
    void rowsInserted(int first, int last);
    void rowsAboutToBeRemoved(int first, int last);

    HistoryList &m_source;
    std::optional<QString> m_text;
    // Worked out when first needed, once: the text may be megabytes long.
    mutable std::optional<QString> m_canonical;
    int m_sourceRow = -1;
};
