#pragma once

#include "Category.h"

#include <QWidget>

class QAbstractButton;
class QButtonGroup;

// The three-segment control that chooses which category the panel shows. Each
// segment is an icon with a tooltip, named after its category and saying which
// keys choose it.
class CategoryPicker final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CategoryPicker)

public:
    explicit CategoryPicker(QWidget *parent = nullptr);

    Category selected() const;
    QAbstractButton *segment(Category category) const;

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
