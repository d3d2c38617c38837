#pragma once

#include "Category.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

class ClipboardManager;
class SearchFilterModel;

// The panel's one search, through every category's list: each list has its own
// filter, which a category's view shows, so that switching shows the new list
// already filtered. The shown list searches first, at its own pace; the others
// wait until its rows are in and painted, so that counting their matches never
// holds up the rows being read.
class CategorySearch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CategorySearch)

public:
    explicit CategorySearch(ClipboardManager &manager, QObject *parent = nullptr);

    SearchFilterModel &filter(Category category) const;
    const QString &text() const { return m_text; }
    void setText(const QString &text);
    Category shown() const { return m_shown; }
    void setShown(Category category);
    // How many items of the category match the text, as its rows shown say: the
    // last search's count until a newer search's rows are in. None while the text
    // is empty.
    std::optional<int> matchCount(Category category) const;

signals:
    void matchCountChanged(Category category);

protected:
    bool event(QEvent *event) override;

private:
    void followShownLater();
    void followShown();
    void updateCount(Category category);

    std::array<SearchFilterModel *, allCategories.size()> m_filters{};
    std::array<std::optional<int>, allCategories.size()> m_counts{};
    QString m_text;
    Category m_shown = Category::Url;
};
