#include "ClipListAccessible.h"

#include "ClipDelegate.h"
#include "ClipListView.h"
#include "PinnedFirstList.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QScrollBar>

#include <vector>

namespace {

const QString copyAction = QStringLiteral("copy");
const QString deleteAction = QStringLiteral("delete");
const QString pinAction = QStringLiteral("pin");

// One row of the list. It holds its row through a persistent index, so that it
// stays the same row while rows come and go above it, and turns invalid when its
// row goes.
class RowInterface final : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    RowInterface(ClipListView &view, const QModelIndex &index) : m_view(&view), m_index(index) {}

    int row() const { return isValid() ? m_index.row() : -1; }
    bool isOf(const ClipListView *view) const { return m_view == view; }

    bool isValid() const override
    {
        return m_view && m_index.isValid() && m_index.model() == m_view->model();
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override
    {
        return m_view ? QAccessible::queryAccessibleInterface(m_view.data()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        return m_index.data(Qt::DisplayRole).toString();
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect row = m_view->rowRect(m_index.row());
        return {m_view->viewport()->mapToGlobal(row.topLeft()), row.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.focusable = true;
        state.focused = m_view->hasFocus() && m_view->currentIndex() == m_index;
        state.invisible = !m_view->viewport()->rect().intersects(m_view->rowRect(m_index.row()));
        return state;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface
                   ? static_cast<QAccessibleActionInterface *>(this)
                   : nullptr;
    }

    QStringList actionNames() const override
    {
        return {pressAction(), copyAction, pinAction, deleteAction};
    }
    QString localizedActionName(const QString &name) const override
    {
        if (name == pinAction)
            return ClipDelegate::toolTip(ClipDelegate::Element::PinButton,
                                         isValid() &&
                                             m_index.data(PinnedFirstList::PinnedRole).toBool());
        if (name == copyAction)
            return ClipDelegate::toolTip(ClipDelegate::Element::CopyButton);
        if (name == deleteAction)
            return ClipDelegate::toolTip(ClipDelegate::Element::DeleteButton);
        return QAccessibleActionInterface::localizedActionName(name);
    }
    QString localizedActionDescription(const QString &name) const override
    {
        if (name == pressAction())
            return QCoreApplication::translate("ClipListView", "Show or hide the full text");
        return localizedActionName(name);
    }
    void doAction(const QString &name) override
    {
        if (!isValid())
            return;
        if (name == pressAction())
            m_view->activate(m_index.row(), ClipDelegate::Element::Text);
        else if (name == copyAction)
            m_view->activate(m_index.row(), ClipDelegate::Element::CopyButton);
        else if (name == deleteAction)
            m_view->activate(m_index.row(), ClipDelegate::Element::DeleteButton);
        else if (name == pinAction)
            m_view->activate(m_index.row(), ClipDelegate::Element::PinButton);
    }
    QStringList keyBindingsForAction(const QString &name) const override
    {
        if (name == pressAction())
            return {QStringLiteral("Space")};
        if (name == copyAction)
            return {QStringLiteral("Return")};
        if (name == deleteAction)
            return {QStringLiteral("Delete")};
        if (name == pinAction)
            return {QStringLiteral("Ctrl+P")};
        return {};
    }

private:
    QPointer<ClipListView> m_view;
    QPersistentModelIndex m_index;
};

// The list itself: the viewport first (the search field lives in it, above the
// rows), the rows in sight, then the vertical scroll bar.
class ListInterface final : public QAccessibleWidget
{
public:
    explicit ListInterface(ClipListView *view) : QAccessibleWidget(view, QAccessible::List) {}
    ~ListInterface() override
    {
        for (const Row &row : m_rows)
            QAccessible::deleteAccessibleInterface(row.id);
    }
    ListInterface(const ListInterface &) = delete;
    ListInterface &operator=(const ListInterface &) = delete;

    int childCount() const override
    {
        const auto [first, end] = view()->rowsInSight();
        return 1 + (end - first) + (scrollBarContainer() ? 1 : 0);
    }

    QAccessibleInterface *child(int index) const override
    {
        const auto [first, end] = view()->rowsInSight();
        if (index == 0)
            return QAccessible::queryAccessibleInterface(view()->viewport());
        if (index >= 1 && index <= end - first)
            return rowInterface(first + index - 1);
        QWidget *bar = scrollBarContainer();
        return bar && index == 1 + end - first ? QAccessible::queryAccessibleInterface(bar)
                                               : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        const auto [first, end] = view()->rowsInSight();
        if (const auto *row = dynamic_cast<const RowInterface *>(child)) {
            const int at = row->isOf(view()) ? row->row() : -1;
            return at >= first && at < end ? 1 + at - first : -1;
        }
        if (child->object() == view()->viewport())
            return 0;
        QWidget *bar = scrollBarContainer();
        return bar && child->object() == bar ? 1 + end - first : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint local = view()->viewport()->mapFromGlobal(QPoint(x, y));
        if (view()->viewport()->rect().contains(local)) {
            const QModelIndex index = view()->indexAt(local);
            if (index.isValid())
                return rowInterface(index.row());
        }
        return QAccessibleWidget::childAt(x, y);
    }

    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        if (view()->hasFocus() && current.isValid())
            return rowInterface(current.row());
        return QAccessibleWidget::focusChild();
    }

private:
    struct Row
    {
        QPersistentModelIndex index;
        QAccessible::Id id;
    };

    ClipListView *view() const { return static_cast<ClipListView *>(widget()); }

    // Where the vertical scroll bar sits, when it shows.
    QWidget *scrollBarContainer() const
    {
        const QScrollBar *bar = view()->verticalScrollBar();
        if (!bar || !bar->isVisible() || bar->parentWidget() == view())
            return nullptr;
        return bar->parentWidget();
    }

    // The one interface of `row`, made on first use and kept while the row lives.
    QAccessibleInterface *rowInterface(int row) const
    {
        const QModelIndex index = view()->model() ? view()->model()->index(row, 0) : QModelIndex();
        if (!index.isValid())
            return nullptr;
        forgetGoneRows();
        for (const Row &known : m_rows) {
            if (known.index == index)
                return QAccessible::accessibleInterface(known.id);
        }
        auto *made = new RowInterface(*view(), index);
        m_rows.push_back(
            {QPersistentModelIndex(index), QAccessible::registerAccessibleInterface(made)});
        return made;
    }

    // Rows removed, or out of sight once many were visited: a long scroll through
    // a large history must not keep an interface for every row it passed.
    void forgetGoneRows() const
    {
        constexpr std::size_t keptOutOfSight = 64;
        const auto [first, end] = view()->rowsInSight();
        const bool trim = m_rows.size() > keptOutOfSight;
        std::erase_if(m_rows, [&](const Row &known) {
            const bool gone = !known.index.isValid() || known.index.model() != view()->model() ||
                              (trim && (known.index.row() < first || known.index.row() >= end));
            if (gone)
                QAccessible::deleteAccessibleInterface(known.id);
            return gone;
        });
    }

    mutable std::vector<Row> m_rows;
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("ClipListView") && object && object->isWidgetType())
        return new ListInterface(static_cast<ClipListView *>(object));
    return nullptr;
}

} // namespace

namespace ClipListAccessible {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

void currentRowChanged(ClipListView &view, const QModelIndex &current)
{
    if (!QAccessible::isActive() || !current.isValid() || !view.hasFocus())
        return;
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&view);
    if (!list)
        return;
    QAccessibleInterface *row = list->focusChild();
    if (!row || row == list)
        return;
    QAccessibleEvent event(&view, QAccessible::Focus);
    event.setChild(list->indexOfChild(row));
    QAccessible::updateAccessibility(&event);
}

} // namespace ClipListAccessible
