#pragma once

#include "Category.h"

#include <QWidget>

#include <optional>

class ClipboardManager;
class ClipListView;
class ClipSelection;
class HistoryList;
class QLabel;
class QLineEdit;
class SearchFilterModel;

// One category's history: a search field and, under it, a row for each item that
// passes the search, or "No matching items". A click on a row's text opens its
// full text below it. The view scrolls by itself; a new one is made for each
// category shown, so the search and the open preview start empty.
class CategoryView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CategoryView)

public:
    explicit CategoryView(ClipboardManager &manager, Category category, QWidget *parent = nullptr);
    ~CategoryView() override;

    Category category() const { return m_category; }
    QString searchText() const;
    std::optional<QString> selectedText() const;

private:
    void toggleSelection(int row);
    void copyItem(int row);
    void deleteItem(int row);

    ClipboardManager &m_manager;
    const Category m_category;
    HistoryList &m_items;
    ClipSelection *m_selection;
    SearchFilterModel *m_filtered;
    QLineEdit *m_search;
    QLabel *m_empty;
    ClipListView *m_list;
};
