#include "CategoryPicker.h"

#include "Icons.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QToolButton>

#include <array>

namespace {

struct Segment
{
    Category category;
    IconName icon;
    const char *tooltip;
};

constexpr std::array<Segment, 3> segments{{
    {Category::Url, IconName::Globe, QT_TRANSLATE_NOOP("CategoryPicker", "URL")},
    {Category::Code, IconName::CodeBrackets, QT_TRANSLATE_NOOP("CategoryPicker", "CODE")},
    {Category::Text, IconName::Document, QT_TRANSLATE_NOOP("CategoryPicker", "TEXT")},
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
                 "QToolButton:checked:focus { border: 2px solid palette(window-text); }");

} // namespace

QString CategoryPicker::tooltip(const char *name, std::size_t index)
{
    // The keys of ContentView, where a mouse user looks for them.
    const QKeySequence choose(Qt::ALT | Qt::Key(Qt::Key_1 + int(index)));
    const QKeySequence next(Qt::CTRL | Qt::Key_Tab);
    return tr("%1 (%2; %3 goes to the next category)")
        .arg(tr(name), choose.toString(QKeySequence::NativeText),
             next.toString(QKeySequence::NativeText));
}

CategoryPicker::CategoryPicker(QWidget *parent) : QWidget(parent), m_group(new QButtonGroup(this))
{
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
        button->setToolTip(tooltip(segment.tooltip, i));
        button->setAccessibleName(tr(segment.tooltip));
        button->setObjectName(QStringLiteral("segment") + categoryName(segment.category));
        if (i == 0)
            button->setProperty("segment", QStringLiteral("first"));
        else if (i + 1 == segments.size())
            button->setProperty("segment", QStringLiteral("last"));
        button->setStyleSheet(segmentStyle);
        m_group->addButton(button, static_cast<int>(segment.category));
        layout->addWidget(button);
    }
    // One Tab stop for the segments, as for radio buttons: the chosen one, also
    // when it was chosen by a key (the button group moves it only on focus).
    connect(m_group, &QButtonGroup::idToggled, this, [this] {
        for (QAbstractButton *button : m_group->buttons()) {
            const int policy = button->focusPolicy();
            button->setFocusPolicy(Qt::FocusPolicy(button->isChecked() ? policy | Qt::TabFocus
                                                                       : policy & ~Qt::TabFocus));
        }
    });
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
