#include "CategoryView.h"

#include "ClipListView.h"
#include "ClipboardManager.h"
#include "SearchFilterModel.h"
#include "TextSelectionModel.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CategoryView::CategoryView(ClipboardManager &manager, Category category, QWidget *parent)
    : QWidget(parent), m_manager(manager), m_category(category), m_list(new ClipListView(this)),
      m_filtered(new SearchFilterModel(this)),
      m_selection(new TextSelectionModel(&manager.list(category), this)), m_search(new QLineEdit),
      m_empty(new QLabel(tr("No matching items")))
{
    m_filtered->setSourceModel(&manager.list(category));
    m_list->setModel(m_filtered);
    m_list->setPreviewSelection(m_selection);

    m_search->setObjectName(QStringLiteral("searchField"));
    m_search->setPlaceholderText(tr("Search..."));
    m_search->setClearButtonEnabled(false);
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

    connect(m_search, &QLineEdit::textChanged, m_filtered, &SearchFilterModel::setSearchText);
    connect(m_list, &ClipListView::textActivated, this, &CategoryView::toggleSelection);
    connect(m_list, &ClipListView::copyRequested, this, &CategoryView::copyItem);
    connect(m_list, &ClipListView::deleteRequested, this, &CategoryView::deleteItem);
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
    const int hint = m_filtered->mapToSource(m_filtered->index(row, 0)).row();
    m_manager.deleteItem(m_category, item, hint);
}
