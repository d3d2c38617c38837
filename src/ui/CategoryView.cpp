#include "CategoryView.h"

#include "ClipListView.h"
#include "ClipboardManager.h"
#include "SearchFilterModel.h"
#include "TextSelectionModel.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include <utility>

CategoryView::CategoryView(ClipboardManager &manager, Category category, QWidget *parent)
    : CategoryView(manager, category, nullptr, parent)
{
}

CategoryView::CategoryView(ClipboardManager &manager, Category category,
                           SearchFilterModel &filtered, QWidget *parent)
    : CategoryView(manager, category, &filtered, parent)
{
}

CategoryView::CategoryView(ClipboardManager &manager, Category category,
                           SearchFilterModel *filtered, QWidget *parent)
    : QWidget(parent), m_manager(manager), m_category(category), m_list(new ClipListView(this)),
      m_filtered(filtered ? filtered : new SearchFilterModel(this)),
      m_selection(new TextSelectionModel(&manager.shownList(category), this)),
      m_search(new QLineEdit), m_empty(new QLabel(tr("No matching items")))
{
    m_filtered->setSourceModel(&manager.shownList(category));
    m_list->setModel(m_filtered);
    m_list->setPreviewSelection(m_selection);

    m_search->setObjectName(QStringLiteral("searchField"));
    m_search->setPlaceholderText(tr("Search..."));
    m_search->setClearButtonEnabled(false);
    m_search->setAccessibleName(tr("Search history"));
    m_search->setText(m_filtered->searchText());
    m_list->setAccessibleName(tr("History"));
    m_empty->setObjectName(QStringLiteral("emptyLabel"));
    // Inside the list it would take the list's text colour; it is gray.
    QPalette gray = m_empty->palette();
    gray.setColor(QPalette::WindowText, QColor(Qt::gray));
    gray.setColor(QPalette::Text, QColor(Qt::gray));
    m_empty->setPalette(gray);

    m_list->setHeader(m_search);
    m_list->setPlaceholder(m_empty);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    setTabOrder(m_search, m_list);
    setFocusProxy(m_search);
    m_search->installEventFilter(this);
    m_list->installEventFilter(this);

    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_whenShown = WhenShown::Nothing;
        m_filtered->setSearchText(text);
        emit searchTextChanged(text);
    });
    connect(m_filtered, &QAbstractItemModel::modelReset, this, [this] {
        const WhenShown pending = std::exchange(m_whenShown, WhenShown::Nothing);
        if (!m_search->hasFocus())
            return;
        if (pending == WhenShown::EnterList)
            enterList();
        else if (pending == WhenShown::Choose)
            chooseCurrentOrFirst();
    });
    connect(m_list, &ClipListView::textActivated, this, &CategoryView::toggleSelection);
    connect(m_list, &ClipListView::copyRequested, this, &CategoryView::copyItem);
    connect(m_list, &ClipListView::rowChosen, this, &CategoryView::itemChosen);
    connect(m_list, &ClipListView::deleteRequested, this, &CategoryView::deleteItem);
    connect(m_list, &ClipListView::pinRequested, this, &CategoryView::togglePinned);
    connect(m_list, &ClipListView::previewClicked, m_selection, &TextSelectionModel::clear);
}

QString CategoryView::searchText() const
{
    return m_search->text();
}

std::optional<QString> CategoryView::selectedText() const
{
    return m_selection->selectedText();
}

void CategoryView::startFresh()
{
    m_search->clear();
    m_selection->clear();
    m_list->setCurrentIndex({});
    m_list->verticalScrollBar()->setValue(0);
}

bool CategoryView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || (watched != m_search && watched != m_list))
        return QWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (watched == m_list && typeIntoSearch(key))
        return true;
    if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier)
        return QWidget::eventFilter(watched, event);
    switch (key->key()) {
    case Qt::Key_Escape:
        // The first Escape empties the search; with nothing to empty it goes on
        // (to close the popup).
        if (m_search->text().isEmpty())
            return false;
        m_search->clear();
        return true;
    case Qt::Key_Down:
        if (watched != m_search)
            return false;
        // While a long search runs, the rows shown are the last search's: Return
        // on the first of them would copy a text that does not match.
        if (m_filtered->isSearching()) {
            m_whenShown = WhenShown::EnterList;
            return true;
        }
        return enterList();
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (watched != m_search)
            return false;
        // The same wait as for Down: the rows shown are still the last search's.
        if (m_filtered->isSearching())
            m_whenShown = WhenShown::Choose;
        else
            chooseCurrentOrFirst();
        return true;
    case Qt::Key_Up:
        if (watched != m_list || m_list->currentIndex().row() != 0)
            return false;
        // The field scrolls with the rows: bring it back into sight.
        m_list->verticalScrollBar()->setValue(0);
        m_search->setFocus(Qt::BacktabFocusReason);
        return true;
    default:
        return false;
    }
}

bool CategoryView::enterList()
{
    if (m_filtered->rowCount() == 0)
        return false;
    m_list->setFocus(Qt::TabFocusReason);
    m_list->setCurrentIndex(m_filtered->index(0, 0));
    return true;
}

bool CategoryView::typeIntoSearch(QKeyEvent *key)
{
    const QString text = key->text();
    if ((key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ||
        text.isEmpty() || !text.front().isPrint() || text.front().isSpace())
        return false;
    m_list->verticalScrollBar()->setValue(0);
    m_search->setFocus(Qt::OtherFocusReason);
    QCoreApplication::sendEvent(m_search, key);
    return true;
}

void CategoryView::chooseCurrentOrFirst()
{
    const QModelIndex current = m_list->currentIndex();
    m_list->choose(current.isValid() ? current.row() : 0);
}

void CategoryView::toggleSelection(int row)
{
    m_selection->toggle(m_filtered->mapToSource(m_filtered->index(row, 0)));
}

void CategoryView::copyItem(int row)
{
    if (row >= 0 && row < m_filtered->rowCount())
        m_manager.copyToClipboard(m_filtered->textAt(row));
}

void CategoryView::deleteItem(int row)
{
    if (row < 0 || row >= m_filtered->rowCount())
        return;
    // A copy: the list the text lives in is about to change.
    const QString item = m_filtered->textAt(row);
    m_manager.deleteItem(m_category, item);
}

void CategoryView::togglePinned(int row)
{
    if (row < 0 || row >= m_filtered->rowCount())
        return;
    const QModelIndex shown = m_filtered->mapToSource(m_filtered->index(row, 0));
    const PinnedFirstList &list = m_manager.shownList(m_category);
    const bool pinned = list.isPinned(shown.row());
    const int listRow = list.listRow(shown.row());
    m_manager.setPinned(m_category, m_filtered->textAt(row), !pinned);
    // The row moved; the keyboard stays on it.
    if (m_list->hasFocus()) {
        const QModelIndex moved =
            m_filtered->mapFromSource(list.index(list.rowOfListRow(listRow), 0));
        if (moved.isValid())
            m_list->setCurrentIndex(moved);
    }
}
