#include "CategorySearch.h"

#include "ClipboardManager.h"
#include "SearchFilterModel.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

const auto followShownEvent = QEvent::Type(QEvent::registerEventType());

std::size_t slot(Category category)
{
    return std::size_t(category);
}

} // namespace

CategorySearch::CategorySearch(ClipboardManager &manager, QObject *parent) : QObject(parent)
{
    for (const Category category : allCategories) {
        auto *filter = new SearchFilterModel(this);
        filter->setSourceModel(&manager.shownList(category));
        filter->setHeld(category != m_shown);
        m_filters[slot(category)] = filter;
        const auto update = [this, category] { updateCount(category); };
        connect(filter, &QAbstractItemModel::modelReset, this, update);
        connect(filter, &QAbstractItemModel::rowsInserted, this, update);
        connect(filter, &QAbstractItemModel::rowsRemoved, this, update);
        connect(filter, &QAbstractItemModel::modelReset, this, [this, category] {
            if (category == m_shown)
                followShownLater();
        });
    }
}

SearchFilterModel &CategorySearch::filter(Category category) const
{
    return *m_filters[slot(category)];
}

void CategorySearch::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    // The others stop first, so that the shown list's search has the cores.
    for (const Category category : allCategories) {
        if (category != m_shown) {
            filter(category).setHeld(true);
            filter(category).setSearchText(text);
        }
    }
    filter(m_shown).setSearchText(text);
    followShownLater();
    for (const Category category : allCategories)
        updateCount(category);
}

void CategorySearch::setShown(Category category)
{
    if (category == m_shown)
        return;
    m_shown = category;
    filter(category).setHeld(false);
    if (filter(category).isSearching()) {
        for (const Category other : allCategories) {
            if (other != category)
                filter(other).setHeld(true);
        }
    }
    followShownLater();
}

std::optional<int> CategorySearch::matchCount(Category category) const
{
    return m_counts[slot(category)];
}

bool CategorySearch::event(QEvent *event)
{
    if (event->type() != followShownEvent)
        return QObject::event(event);
    followShown();
    return true;
}

void CategorySearch::followShownLater()
{
    // Behind the frame that paints the shown rows, which comes at low priority:
    // the others' searches would take the cores from its painting.
    QCoreApplication::postEvent(this, new QEvent(followShownEvent), Qt::LowEventPriority - 1);
}

void CategorySearch::followShown()
{
    if (filter(m_shown).isSearching())
        return;
    for (const Category category : allCategories)
        filter(category).setHeld(false);
}

void CategorySearch::updateCount(Category category)
{
    const SearchFilterModel &shown = filter(category);
    std::optional<int> count = m_counts[slot(category)];
    if (m_text.isEmpty())
        count.reset();
    else if (!shown.isSearching())
        count = shown.rowCount();
    if (count == m_counts[slot(category)])
        return;
    m_counts[slot(category)] = count;
    emit matchCountChanged(category);
}
