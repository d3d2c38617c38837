#pragma once

#include "Category.h"

#include <QWidget>

#include <optional>

class QAbstractButton;
class QButtonGroup;

// The three-segment control that chooses which category the panel shows. Each
// segment is an icon with a tooltip, named after its category and saying which
// keys choose it; while a search is typed, a segment also shows how many of its
// category's items match.
class CategoryPicker final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CategoryPicker)

public:
    explicit CategoryPicker(QWidget *parent = nullptr);

    Category selected() const;
    QAbstractButton *segment(Category category) const;
    // Shows `count` matches beside the category's icon and in its name; none
    // shows the icon alone.
    void setMatchCount(Category category, std::optional<int> count);

signals:
    // The user chose a segment (also when it was already selected).
    void chosen(Category category);

protected:
    void changeEvent(QEvent *event) override;

private:
    // The category's name and the keys that choose it.
    static QString tooltip(const char *name, std::size_t index);
    void updateIcons();

    QButtonGroup *m_group;
};
