#pragma once

#include "Category.h"

#include <QWidget>

#include <optional>

class ClipboardManager;
class ClipListView;
class QKeyEvent;
class QLabel;
class QLineEdit;
class SearchFilterModel;
class TextSelectionModel;

// One category's history: a search field and, under it, a row for each item that
// passes the search, or "No matching items". A click on a row's text opens its
// full text below it. The view scrolls by itself; a new one is made for each
// category shown, so the open preview starts closed.
//
// The history list is the source of a SearchFilterModel that the ClipListView
// shows: the view's own, or one given that outlives it, whose search the field
// starts with. The open preview is a TextSelectionModel over the history list,
// so that it outlives a search that hides its row.
//
// Keyboard: Down in the search field goes to the first row, Up on the first row
// back to the field; Escape empties a search that is not empty (and does nothing
// else then); Return on a row copies it and reports itemChosen(), and so does
// Return in the field, for the current row or else the first. A character typed
// on the rows goes into the field. The rows are the category's list with its
// pinned items first (PinnedFirstList).
class CategoryView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CategoryView)

public:
    explicit CategoryView(ClipboardManager &manager, Category category, QWidget *parent = nullptr);
    // Shows `filtered` (of the category's list), which must outlive this view.
    CategoryView(ClipboardManager &manager, Category category, SearchFilterModel &filtered,
                 QWidget *parent = nullptr);

    Category category() const { return m_category; }
    QString searchText() const;
    std::optional<QString> selectedText() const;
    // A key that types a character (not Space, not a shortcut) goes into the
    // search field, which takes the focus; false for any other key.
    bool typeIntoSearch(QKeyEvent *key);
    // As when first shown: no search, no open preview, the list at its top.
    void startFresh();

signals:
    // The user chose a row with Return; it is on the clipboard now.
    void itemChosen();
    // The user changed the search; this view's filter follows it already.
    void searchTextChanged(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    CategoryView(ClipboardManager &manager, Category category, SearchFilterModel *filtered,
                 QWidget *parent);

    // Moves the focus to the first row shown; false when there is none.
    bool enterList();
    // Copies the current row, or the first when there is none, as Return on it.
    void chooseCurrentOrFirst();
    void toggleSelection(int row);
    void copyItem(int row);
    void deleteItem(int row);
    void togglePinned(int row);

    ClipboardManager &m_manager;
    const Category m_category;
    // The view first: children go in the order they came, so it is gone before
    // the models it shows (a filter given outlives it anyway).
    ClipListView *m_list;
    SearchFilterModel *m_filtered;
    TextSelectionModel *m_selection;
    QLineEdit *m_search;
    QLabel *m_empty;
    // A key pressed in the search field while a long search ran, done once that
    // search's rows are shown.
    enum class WhenShown { Nothing, EnterList, Choose };
    WhenShown m_whenShown = WhenShown::Nothing;
};
