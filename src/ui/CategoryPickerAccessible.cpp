#include "CategoryPickerAccessible.h"

#include "CategoryPicker.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// A segment as a page tab. The button's own interface would toggle it without
// a click, which checks the segment but leaves the list as it was.
class SegmentInterface final : public QAccessibleWidget
{
public:
    explicit SegmentInterface(QAbstractButton *button)
        : QAccessibleWidget(button, QAccessible::PageTab)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = button()->isChecked();
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName != pressAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        if (button()->isEnabled())
            button()->click();
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("CategoryPicker"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::PageTabList);
    if (className == QLatin1String("QToolButton") &&
        qobject_cast<CategoryPicker *>(object->parent()))
        return new SegmentInterface(static_cast<QAbstractButton *>(object));
    return nullptr;
}

} // namespace

namespace CategoryPickerAccessible {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace CategoryPickerAccessible
