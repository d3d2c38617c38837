#include "CategoryPicker.h"

#include "CategoryPickerAccessible.h"
#include "Icons.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLocale>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QToolButton>

#include <algorithm>
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
                 "QToolButton:checked:focus { border: 2px solid palette(window-text); }");

// A segment draws its count of matches small, beside its icon, the two centred
// together: a tool button would put its text and icon at its left edge.
class SegmentButton final : public QToolButton
{
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        const QString count = text();
        if (count.isEmpty()) {
            painter.drawComplexControl(QStyle::CC_ToolButton, option);
            return;
        }
        const QIcon icon = option.icon;
        option.icon = QIcon();
        option.text.clear();
        painter.drawComplexControl(QStyle::CC_ToolButton, option);

        QFont small = font();
        small.setPointSizeF(small.pointSizeF() * 0.85);
        const QFontMetrics metrics(small);
        constexpr int gap = 3;
        const int width = iconSize().width() + gap + metrics.horizontalAdvance(count);
        const QRect iconRect(
            QPoint(rect().center().x() - width / 2, rect().center().y() - iconSize().height() / 2),
            iconSize());
        icon.paint(&painter, iconRect, Qt::AlignCenter,
                   isEnabled() ? QIcon::Normal : QIcon::Disabled,
                   isChecked() ? QIcon::On : QIcon::Off);
        painter.setFont(small);
        painter.setPen(
            palette().color(isChecked() ? QPalette::HighlightedText : QPalette::ButtonText));
        const QRect countRect(iconRect.right() + 1 + gap, 0, width, height());
        painter.drawText(countRect, Qt::AlignLeft | Qt::AlignVCenter, count);
    }
};

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
    CategoryPickerAccessible::install();
    m_group->setExclusive(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    for (std::size_t i = 0; i < segments.size(); ++i) {
        const Segment &segment = segments[i];
        auto *button = new SegmentButton(this);
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setIconSize(QSize(18, 18));
        button->setToolTip(tooltip(segment.tooltip, i));
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

void CategoryPicker::setMatchCount(Category category, std::optional<int> count)
{
    const auto entry = std::find_if(segments.begin(), segments.end(), [category](const Segment &s) {
        return s.category == category;
    });
    QAbstractButton *button = segment(category);
    const QString name = tr(entry->name);
    if (!count) {
        button->setText(QString());
        button->setAccessibleName(name);
        return;
    }
    button->setText(QLocale().toString(*count));
    // One match is said apart, so that English needs no translation of its own.
    button->setAccessibleName(*count == 1 ? tr("%1, 1 match").arg(name)
                                          : tr("%1, %n matches", nullptr, *count).arg(name));
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
