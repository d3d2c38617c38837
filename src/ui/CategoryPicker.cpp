#include "CategoryPicker.h"

#include "CategoryPickerAccessible.h"
#include "Icons.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QToolButton>

#include <array>

namespace {

struct Segment
{
    Category category;
    IconName icon;
    // The design draws the tooltip in capitals; a screen reader would spell them.
    const char *tooltip;
    const char *name;
};

constexpr std::array<Segment, 3> segments{{
    {Category::Url, IconName::Globe, QT_TRANSLATE_NOOP("CategoryPicker", "URL"),
     QT_TRANSLATE_NOOP("CategoryPicker", "URL")},
    {Category::Code, IconName::CodeBrackets, QT_TRANSLATE_NOOP("CategoryPicker", "CODE"),
     QT_TRANSLATE_NOOP("CategoryPicker", "Code")},
    {Category::Text, IconName::Document, QT_TRANSLATE_NOOP("CategoryPicker", "TEXT"),
     QT_TRANSLATE_NOOP("CategoryPicker", "Text")},
}};

// Adjacent buttons drawn as one rounded bar; the selected one is filled.
const QLatin1String
    segmentStyle("QToolButton { border: 1px solid palette(mid); border-left: none;"
                 " background: palette(button); padding: 3px 0px; }"
                 "QToolButton[segment=\"first\"] { border-left: 1px solid palette(mid);"
                 " border-top-left-radius: 6px; border-bottom-left-radius: 6px; }"
                 "QToolButton[segment=\"last\"] { border-top-right-radius: 6px;"
                 " border-bottom-right-radius: 6px; }"
                 "QToolButton:hover { background: palette(midlight); }"
                 "QToolButton:checked { background: palette(highlight); }"
                 "QToolButton:focus { border: 2px solid palette(highlight); }"
                 "QToolButton:checked:focus { border: 2px solid palette(dark); }");

} // namespace

CategoryPicker::CategoryPicker(QWidget *parent) : QWidget(parent), m_group(new QButtonGroup(this))
{
    CategoryPickerAccessible::install();
    m_group->setExclusive(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    for (std::size_t i = 0; i < segments.size(); ++i) {
        const Segment &segment = segments[i];
        auto *button = new QToolButton(this);
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setIconSize(QSize(18, 18));
        button->setToolTip(tr(segment.tooltip));
        button->setAccessibleName(tr(segment.name));
        button->setObjectName(QStringLiteral("segment") + categoryName(segment.category));
        if (i == 0)
            button->setProperty("segment", QStringLiteral("first"));
        else if (i + 1 == segments.size())
            button->setProperty("segment", QStringLiteral("last"));
        button->setStyleSheet(segmentStyle);
        m_group->addButton(button, static_cast<int>(segment.category));
        layout->addWidget(button);
    }
    segment(Category::Url)->setChecked(true);
    updateIcons();

    connect(m_group, &QButtonGroup::idClicked, this,
            [this](int id) { emit chosen(static_cast<Category>(id)); });
}

Category CategoryPicker::selected() const
{
    return static_cast<Category>(m_group->checkedId());
}

QAbstractButton *CategoryPicker::segment(Category category) const
{
    return m_group->button(static_cast<int>(category));
}

void CategoryPicker::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateIcons();
}

void CategoryPicker::updateIcons()
{
    // The selected segment sits on the highlight colour, so its icon takes the
    // highlighted-text colour.
    const QColor normal = palette().color(QPalette::ButtonText);
    const QColor selected = palette().color(QPalette::HighlightedText);
    for (const Segment &entry : segments) {
        QIcon icon;
        const QIcon off = themedIcon(entry.icon, normal);
        const QIcon on = themedIcon(entry.icon, selected);
        for (const int side : {16, 18, 24, 32}) {
            for (const qreal ratio : {1.0, 2.0}) {
                const QSize size(side, side);
                icon.addPixmap(off.pixmap(size, ratio), QIcon::Normal, QIcon::Off);
                icon.addPixmap(on.pixmap(size, ratio), QIcon::Normal, QIcon::On);
            }
        }
        segment(entry.category)->setIcon(icon);
    }
}
