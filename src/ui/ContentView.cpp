#include "ContentView.h"

#include "CaptureReachNote.h"
#include "CategoryPicker.h"
#include "CategorySearch.h"
#include "CategoryView.h"
#include "ClearConfirmation.h"
#include "ClipboardManager.h"
#include "IconLabel.h"
#include "PanelStyle.h"
#include "Preferences.h"
#include "RecordSelectionRow.h"
#include "ToggleSwitch.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

ContentView::ContentView(ClipboardManager &manager, Preferences &preferences,
                         SaveDialog &saveDialog, ClipboardReach reach, QWidget *parent)
    : QWidget(parent), m_manager(manager), m_preferences(preferences), m_saveDialog(saveDialog),
      m_search(new CategorySearch(manager, this)), m_picker(new CategoryPicker(this)),
      m_privacyLabel(new IconLabel(tr("Privacy Mode"), this)),
      m_privacySwitch(new ToggleSwitch(this)),
      m_exportButton(new QPushButton(tr("Export Items"), this)),
      m_clearButton(new QPushButton(tr("Clear History"), this)), m_exportFailure(new QLabel(this)),
      m_exportFailureTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("contentView"));
    setFixedSize(viewWidth, viewHeight);
    const int padding = style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this);

    m_picker->setObjectName(QStringLiteral("categoryPicker"));
    auto *pickerRow = new QHBoxLayout;
    pickerRow->setContentsMargins(padding, 0, padding, 0);
    pickerRow->addWidget(m_picker);

    m_privacyLabel->setObjectName(QStringLiteral("privacyLabel"));
    m_privacySwitch->setObjectName(QStringLiteral("privacySwitch"));
    m_privacySwitch->setAccessibleName(tr("Privacy Mode"));
    auto *privacyRow = new QHBoxLayout;
    privacyRow->setContentsMargins(2 * padding, 0, 2 * padding, 0);
    privacyRow->addStretch();
    privacyRow->addWidget(m_privacyLabel);
    privacyRow->addWidget(m_privacySwitch);
    privacyRow->addStretch();

    m_exportButton->setObjectName(QStringLiteral("exportButton"));
    m_clearButton->setObjectName(QStringLiteral("clearHistoryButton"));
    PanelStyle::makeProminentDestructive(m_clearButton);
    for (QPushButton *button : {m_exportButton, m_clearButton})
        button->setAutoDefault(false);
    auto *actionRow = new QHBoxLayout;
    actionRow->addStretch();
    actionRow->addWidget(m_exportButton);
    actionRow->addWidget(m_clearButton);
    actionRow->addStretch();

    // A failed export would otherwise look like success: the line it prints goes
    // to a terminal nobody sees.
    m_exportFailure->setObjectName(QStringLiteral("exportFailureLabel"));
    m_exportFailure->setWordWrap(true);
    m_exportFailure->setAlignment(Qt::AlignCenter);
    m_exportFailure->setContentsMargins(padding, 0, padding, 0);
    QPalette red = m_exportFailure->palette();
    red.setColor(QPalette::WindowText, PanelStyle::destructiveRed(palette()));
    m_exportFailure->setPalette(red);
    m_exportFailure->hide();
    m_exportFailureTimer->setSingleShot(true);
    m_exportFailureTimer->setInterval(exportFailureShownMs);
    connect(m_exportFailureTimer, &QTimer::timeout, m_exportFailure, &QWidget::hide);
    connect(&m_manager, &ClipboardManager::exportFailed, this, &ContentView::showExportFailure);

    m_list = makeList(Category::Url);
    m_list->setFixedHeight(listHeight);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    layout->addLayout(pickerRow);
    layout->addLayout(privacyRow);
    // The list takes what a resizable view has to spare, not the space around it.
    layout->addWidget(m_list, 1);
    layout->addWidget(PanelStyle::makeDivider(this));
    layout->addLayout(actionRow);
    layout->addWidget(m_exportFailure);
    layout->addWidget(new CaptureReachNote(reach, this));
    layout->addStretch();

    // Last child, so it lies above everything else when shown.
    m_confirmation = new ClearConfirmation(m_manager, this);

    updateTabOrder();

    const bool privacy = m_preferences.privacyMode();
    m_privacySwitch->setChecked(privacy);
    showPrivacyMode(privacy);

    connect(m_picker, &CategoryPicker::chosen, this, &ContentView::selectCategory);
    // Window-wide, so they work from the panel's own rows below this view too.
    for (std::size_t i = 0; i < allCategories.size(); ++i) {
        const QKeySequence keys(Qt::ALT | Qt::Key(Qt::Key_1 + int(i)));
        new QShortcut(keys, this, [this, i] { chooseCategoryByKey(allCategories[i]); });
    }
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this,
                  [this] { chooseNeighbourCategory(1); });
    auto *previous = new QShortcut(this);
    // X sends Shift+Tab as Backtab; either spelling may arrive.
    previous->setKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)});
    connect(previous, &QShortcut::activated, this, [this] { chooseNeighbourCategory(-1); });
    // A click on a segment and then typing searches.
    for (const Category category : allCategories)
        m_picker->segment(category)->installEventFilter(this);
    connect(m_search, &CategorySearch::matchCountChanged, this, [this](Category category) {
        m_picker->setMatchCount(category, m_search->matchCount(category));
    });
    connect(m_privacySwitch, &ToggleSwitch::toggled, this, [this](bool on) {
        // Kept for the session even when it cannot be written; the store writes it
        // once its file can be written again.
        m_preferences.setPrivacyMode(on);
        showPrivacyMode(on);
    });
    connect(&m_preferences, &Preferences::changed, this, [this](Preference preference) {
        if (preference != Preference::PrivacyMode)
            return;
        const bool value = m_preferences.privacyMode();
        const QSignalBlocker blocker(m_privacySwitch);
        m_privacySwitch->setChecked(value);
        showPrivacyMode(value);
    });
    connect(m_exportButton, &QPushButton::clicked, this,
            [this] { m_manager.exportItems(m_selectedCategory, m_saveDialog); });
    connect(m_clearButton, &QPushButton::clicked, this, &ContentView::showClearConfirmation);
}

ContentView::~ContentView()
{
    // The list shows the search's filters, which would otherwise go first.
    delete m_list;
}

bool ContentView::isClearConfirmationShown() const
{
    return m_confirmation->isPresented();
}

QWidget *ContentView::firstFocusable() const
{
    return m_picker->segment(m_picker->selected());
}

QWidget *ContentView::lastFocusable() const
{
    return m_clearButton;
}

bool ContentView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->parent() == m_picker)
        return m_list->typeIntoSearch(static_cast<QKeyEvent *>(event));
    return QWidget::eventFilter(watched, event);
}

void ContentView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Show and hide events can repeat (minimising, window flag changes); monitoring
    // starts once per appearance and stops once per disappearance.
    if (!m_monitoringWhileShown) {
        m_monitoringWhileShown = true;
        m_manager.startMonitoring();
    }
    // Opening the panel is for finding something: typing filters at once. The
    // card, when it is still up, keeps the focus it holds.
    if (!event->spontaneous() && !m_confirmation->isPresented())
        m_list->setFocus(Qt::OtherFocusReason);
}

void ContentView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_monitoringWhileShown) {
        m_monitoringWhileShown = false;
        m_manager.stopMonitoring();
    }
}

void ContentView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_confirmation->setGeometry(rect());
}

void ContentView::selectCategory(Category category)
{
    if (category == m_selectedCategory)
        return;
    m_selectedCategory = category;
    // A click on a segment does not take the focus; it would go with the old list.
    const QWidget *focused = QApplication::focusWidget();
    const bool focusInList = focused && (focused == m_list || m_list->isAncestorOf(focused));

    // A fresh list per category, so no open preview carries over; its filter,
    // and so the search, does.
    m_search->setShown(category);
    CategoryView *fresh = makeList(category);
    delete layout()->replaceWidget(m_list, fresh);
    delete m_list;
    m_list = fresh;
    applyListSize();
    // Children made after their parent was shown start hidden.
    m_list->show();
    updateTabOrder();
    m_confirmation->raise();
    if (focusInList)
        m_list->setFocus(Qt::OtherFocusReason);
}

void ContentView::chooseCategoryByKey(Category category)
{
    // Nothing moves beneath the clear card.
    if (m_confirmation->isPresented())
        return;
    m_picker->segment(category)->setChecked(true);
    selectCategory(category);
}

void ContentView::chooseNeighbourCategory(int step)
{
    const auto count = int(allCategories.size());
    const auto at = int(std::find(allCategories.begin(), allCategories.end(), m_selectedCategory) -
                        allCategories.begin());
    chooseCategoryByKey(allCategories[std::size_t((at + step + count) % count)]);
}

CategoryView *ContentView::makeList(Category category)
{
    auto *list = new CategoryView(m_manager, category, m_search->filter(category), this);
    connect(list, &CategoryView::itemChosen, this, &ContentView::itemChosen);
    connect(list, &CategoryView::searchTextChanged, m_search, &CategorySearch::setText);
    return list;
}

void ContentView::updateTabOrder()
{
    // Reading order. A list made after the window was built sits at the end of the
    // window's focus chain; Tab would reach it through its focus proxy after the
    // last control of the panel. So the list itself is moved behind the privacy
    // switch first, which setTabOrder only does for a widget that takes focus and
    // has no proxy.
    QList<QWidget *> listParts;
    for (QWidget *widget = m_list->nextInFocusChain(); widget != m_list;
         widget = widget->nextInFocusChain()) {
        if (m_list->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus))
            listParts.append(widget);
    }
    QWidget *proxy = m_list->focusProxy();
    if (proxy && listParts.removeOne(proxy))
        listParts.prepend(proxy); // the search field, above the rows

    const Qt::FocusPolicy listPolicy = m_list->focusPolicy();
    m_list->setFocusProxy(nullptr);
    m_list->setFocusPolicy(Qt::TabFocus);

    QList<QWidget *> order;
    for (const Category category : allCategories)
        order.append(m_picker->segment(category));
    order.append(m_privacySwitch);
    if (m_selectionRow)
        order.append(m_selectionRow->toggleSwitch());
    order.append(m_list);
    order.append(listParts);
    order.append(m_exportButton);
    order.append(m_clearButton);
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    m_list->setFocusPolicy(listPolicy);
    m_list->setFocusProxy(proxy);
}

RecordSelectionRow *ContentView::addRecordSelection(bool available)
{
    if (m_selectionRow)
        return m_selectionRow;
    m_selectionRow = new RecordSelectionRow(m_preferences, available, this);
    auto *column = qobject_cast<QVBoxLayout *>(layout());
    // Right below the Privacy Mode row, above the list.
    column->insertWidget(column->indexOf(m_list), m_selectionRow);
    updateTabOrder();
    m_confirmation->raise();
    return m_selectionRow;
}

void ContentView::showPrivacyMode(bool on)
{
    if (on)
        m_privacyLabel->setIcon(IconName::LockClosed, PanelStyle::destructiveRed(palette()));
    else
        m_privacyLabel->setIcon(IconName::LockOpen);
}

void ContentView::showClearConfirmation()
{
    m_confirmation->present();
}

void ContentView::showExportFailure(const QString &message)
{
    m_exportFailure->setText(message);
    m_exportFailure->show();
    m_exportFailureTimer->start();
}

void ContentView::setListHeight(int height)
{
    m_listHeight = std::clamp(height, minimumListHeight, listHeight);
    applyListSize();
}

void ContentView::setResizable(bool resizable)
{
    m_resizable = resizable;
    applyListSize();
}

void ContentView::applyListSize()
{
    if (m_resizable) {
        // As narrow as the popup at least; as short as the rows around the list
        // and the list's minimum allow.
        setMinimumSize(viewWidth, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        m_list->setMinimumHeight(minimumListHeight);
        m_list->setMaximumHeight(QWIDGETSIZE_MAX);
    } else {
        setFixedSize(viewWidth, viewHeight - listHeight + m_listHeight);
        m_list->setFixedHeight(m_listHeight);
    }
}
