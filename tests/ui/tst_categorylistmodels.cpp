#include "ClipRowActions.h"
#include "ClipboardManager.h"
#include "FakeTextList.h"
#include "HistoryListModel.h"
#include "MemoryClipboard.h"
#include "MemoryPreferencesStore.h"
#include "SearchFilterModel.h"
#include "TextSelectionModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList rowsOf(const QAbstractItemModel &model, int role = HistoryListModel::TextRole)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows << model.index(row, 0).data(role).toString();
    return rows;
}

// The row of the selection, or -1.
int selectedRowOf(const QItemSelectionModel &selection)
{
    const QModelIndexList selected = selection.selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

// The source row of `row` of the filter, or -1.
int sourceRowOf(const SearchFilterModel &filter, int row)
{
    const QModelIndex source = filter.mapToSource(filter.index(row, 0));
    return source.isValid() ? source.row() : -1;
}

} // namespace

// The category list's models: the history list, the search filter over it and the
// selection that follows its text through changes. The filter is made before the
// selection here, the other way round in CategoryView: neither depends on it.
class CategoryListModelsTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_clipboard = std::make_unique<MemoryClipboard>();
        m_store = std::make_unique<MemoryPreferencesStore>();
        m_manager = std::make_unique<ClipboardManager>(*m_clipboard, *m_store);
        m_manager->stopMonitoring();
        m_manager->setItems(Category::Url, {u"https://c.example/ABC"_s, u"https://b.example/x"_s,
                                            u"https://a.example/abc"_s});
        m_history = std::make_unique<HistoryListModel>(*m_manager, Category::Url);
        m_filter = std::make_unique<SearchFilterModel>();
        m_filter->setSourceModel(m_history.get());
        m_selection = std::make_unique<TextSelectionModel>(m_history.get());
        m_historyTester = std::make_unique<QAbstractItemModelTester>(
            m_history.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_filterTester = std::make_unique<QAbstractItemModelTester>(
            m_filter.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
    void cleanup()
    {
        m_filterTester.reset();
        m_historyTester.reset();
        m_selection.reset();
        m_filter.reset();
        m_history.reset();
        m_manager.reset();
        m_store.reset();
        m_clipboard.reset();
    }

    // History list model

    void historyModel_showsTheCategorysListInOrder()
    {
        QCOMPARE(rowsOf(*m_history), m_manager->urls());
        QCOMPARE(m_history->index(1).data(HistoryListModel::SourceRowRole).toInt(), 1);
        QCOMPARE(m_history->index(0).data(Qt::DisplayRole).toString(), u"https://c.example/ABC"_s);
    }

    void historyModel_longItemDisplaysShortenedText()
    {
        const QString longUrl = u"https://long.example/"_s + QString(200, u'z');
        m_manager->setItems(Category::Url, {longUrl});
        QCOMPARE(m_history->index(0).data(HistoryListModel::TextRole).toString(), longUrl);
        QCOMPARE(m_history->index(0).data(Qt::DisplayRole).toString(),
                 longUrl.first(100) + u"..."_s);
    }

    void newItem_isOneInsertedRowAtTheTop()
    {
        QSignalSpy inserted(m_history.get(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(m_history.get(), &QAbstractItemModel::modelReset);
        m_manager->addItem(u"https://new.example"_s);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 0);
        QCOMPARE(inserted.at(0).at(2).toInt(), 0);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(rowsOf(*m_history), m_manager->urls());
    }

    void newItemInAnotherCategory_leavesTheModelAlone()
    {
        QSignalSpy inserted(m_history.get(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(m_history.get(), &QAbstractItemModel::modelReset);
        m_manager->addItem(u"just some words"_s);
        QCOMPARE(m_manager->texts().size(), 1);
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(reset.count(), 0);
    }

    // How rows move is the list view's choice (see tst_categoryview).
    void removal_isOneRemovedRow()
    {
        QSignalSpy removed(m_history.get(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(m_history.get(), &QAbstractItemModel::modelReset);
        m_manager->setItemsWithout(Category::Url, 1, ListAnimation::easeOut(200));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 1);
        QCOMPARE(removed.at(0).at(2).toInt(), 1);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(rowsOf(*m_history), m_manager->urls());
    }

    void replacedList_resetsTheModel()
    {
        QSignalSpy reset(m_history.get(), &QAbstractItemModel::modelReset);
        m_manager->setItems(Category::Url, {u"https://only.example"_s});
        QCOMPARE(reset.count(), 1);
        QCOMPARE(rowsOf(*m_history), QStringList{u"https://only.example"_s});
    }

    // Search filter

    void emptySearch_showsEverythingInOrder() { QCOMPARE(rowsOf(*m_filter), m_manager->urls()); }

    void search_keepsMatchingItemsOfBothCases()
    {
        m_filter->setSearchText(u"abc"_s);
        QCOMPARE(rowsOf(*m_filter),
                 QStringList({u"https://c.example/ABC"_s, u"https://a.example/abc"_s}));
        QCOMPARE(sourceRowOf(*m_filter, 1), 2);
        QCOMPARE(m_filter->mapFromSource(m_history->index(2)).row(), 1);
        QVERIFY(!m_filter->mapFromSource(m_history->index(1)).isValid());
        QCOMPARE(m_filter->index(1, 0).data(HistoryListModel::SourceRowRole).toInt(), 2);
    }

    void search_textCasesAndAccents_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("expected");
        const QStringList items{
            u"ABC at start"_s, u"in the middle xABCx"_s, u"at the end ABC"_s, u"Abc"_s,
            u"ab c"_s,         u"caf\u00e9"_s,           u"cafe\u0301"_s,     u"cafe"_s};
        QTest::newRow("abc") << u"abc"_s << items.first(4);
        QTest::newRow("plain e") << u"cafe"_s << QStringList{u"cafe"_s};
        QTest::newRow("precomposed é") << u"caf\u00e9"_s << items.mid(5, 2);
        QTest::newRow("decomposed é") << u"cafe\u0301"_s << items.mid(5, 2);
        QTest::newRow("nothing") << u"zzz"_s << QStringList();
    }
    void search_textCasesAndAccents()
    {
        QFETCH(QString, search);
        QFETCH(QStringList, expected);
        m_manager->setItems(Category::Url,
                            {u"ABC at start"_s, u"in the middle xABCx"_s, u"at the end ABC"_s,
                             u"Abc"_s, u"ab c"_s, u"caf\u00e9"_s, u"cafe\u0301"_s, u"cafe"_s});
        m_filter->setSearchText(search);
        QCOMPARE(rowsOf(*m_filter), expected);
    }

    void clearingTheSearch_bringsAllRowsBack()
    {
        m_filter->setSearchText(u"nothing like it"_s);
        QCOMPARE(m_filter->rowCount(), 0);
        m_filter->setSearchText(QString());
        QCOMPARE(rowsOf(*m_filter), m_manager->urls());
    }

    void typingOn_narrowsLikeAFreshSearch()
    {
        QStringList items;
        for (int i = 0; i < 200; ++i)
            items << u"https://x.example/%1/%2"_s.arg(i).arg(i % 7 == 0 ? u"AbCd"_s : u"abx"_s);
        items << u"https://x.example/ab\u20ddcd"_s << u"https://x.example/e\u0301"_s;
        m_manager->setItems(Category::Url, items);
        const QStringList typed{u"a"_s, u"ab"_s,      u"abc"_s, u"abcd"_s,    u"abc"_s,
                                u"e"_s, u"e\u0301"_s, u"ab"_s,  u"ab\u20dd"_s};
        for (const QString &search : typed) {
            m_filter->setSearchText(search);
            SearchFilterModel fresh;
            fresh.setSourceModel(m_history.get());
            fresh.setSearchText(search);
            QCOMPARE(rowsOf(*m_filter), rowsOf(fresh));
        }
    }

    void newMatchingItem_isInsertedAtTheTop()
    {
        m_filter->setSearchText(u"abc"_s);
        QSignalSpy inserted(m_filter.get(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(m_filter.get(), &QAbstractItemModel::modelReset);
        m_manager->addItem(u"https://new.example/aBc"_s);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 0);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(rowsOf(*m_filter),
                 QStringList({u"https://new.example/aBc"_s, u"https://c.example/ABC"_s,
                              u"https://a.example/abc"_s}));
        QCOMPARE(sourceRowOf(*m_filter, 2), 3);
    }

    void newItemNotMatching_isNotShown()
    {
        m_filter->setSearchText(u"abc"_s);
        QSignalSpy inserted(m_filter.get(), &QAbstractItemModel::rowsInserted);
        m_manager->addItem(u"https://new.example/xyz"_s);
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(m_filter->rowCount(), 2);
        QCOMPARE(sourceRowOf(*m_filter, 0), 1);
        QCOMPARE(sourceRowOf(*m_filter, 1), 3);
    }

    void removingItems_removesTheirRowsOnly()
    {
        m_filter->setSearchText(u"abc"_s);
        QSignalSpy removed(m_filter.get(), &QAbstractItemModel::rowsRemoved);
        // A hidden item goes: no row of the filter changes, later ones shift.
        m_manager->setItemsWithout(Category::Url, 1, ListAnimation::none());
        QCOMPARE(removed.count(), 0);
        QCOMPARE(sourceRowOf(*m_filter, 1), 1);
        m_manager->setItemsWithout(Category::Url, 0, ListAnimation::none());
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 0);
        QCOMPARE(rowsOf(*m_filter), QStringList{u"https://a.example/abc"_s});
        QCOMPARE(sourceRowOf(*m_filter, 0), 0);
    }

    void clearedHistory_leavesTheFilterEmpty()
    {
        m_filter->setSearchText(u"a"_s);
        m_manager->clearHistory();
        QCOMPARE(m_filter->rowCount(), 0);
        m_manager->addItem(u"https://after.example/a"_s);
        QCOMPARE(rowsOf(*m_filter), QStringList{u"https://after.example/a"_s});
    }

    // Selection

    void selection_followsItsTextWhenRowsComeAndGo()
    {
        m_selection->select(m_history->index(1), QItemSelectionModel::ClearAndSelect);
        QCOMPARE(m_selection->selectedText(), std::optional<QString>(u"https://b.example/x"_s));
        QCOMPARE(selectedRowOf(*m_selection), 1);
        m_manager->addItem(u"https://new.example"_s);
        QCOMPARE(selectedRowOf(*m_selection), 2);
        m_manager->setItemsWithout(Category::Url, 0, ListAnimation::none());
        QCOMPARE(selectedRowOf(*m_selection), 1);
    }

    void deletedSelectedItem_staysSelectedAndComesBackWithItsText()
    {
        m_selection->select(m_history->index(1), QItemSelectionModel::ClearAndSelect);
        m_manager->setItemsWithout(Category::Url, 1, ListAnimation::none());
        QCOMPARE(m_selection->selectedText(), std::optional<QString>(u"https://b.example/x"_s));
        QCOMPARE(selectedRowOf(*m_selection), -1);
        // The same text, decomposed differently or not, arrives again.
        m_manager->addItem(u"https://b.example/x"_s);
        QCOMPARE(selectedRowOf(*m_selection), 0);
        QCOMPARE(m_selection->selectedText(), std::optional<QString>(u"https://b.example/x"_s));
    }

    void deletedSelectedItem_passesToTheSameTextFurtherDown()
    {
        m_manager->setItems(Category::Url, {u"https://a.example"_s, u"https://b.example"_s,
                                            u"https://a.example"_s});
        m_selection->select(m_history->index(0), QItemSelectionModel::ClearAndSelect);
        m_manager->setItemsWithout(Category::Url, 0, ListAnimation::none());
        QCOMPARE(selectedRowOf(*m_selection), 1);
        QCOMPARE(m_selection->selectedText(), std::optional<QString>(u"https://a.example"_s));
    }

    void selection_isByCanonicalText()
    {
        m_manager->setItems(Category::Url,
                            {u"https://caf\u00e9.example"_s, u"https://z.example"_s});
        m_selection->select(m_history->index(0), QItemSelectionModel::ClearAndSelect);
        QVERIFY(m_selection->holds(u"https://cafe\u0301.example"_s));
        QVERIFY(!m_selection->holds(u"https://CAF\u00c9.example"_s));
        m_manager->setItems(Category::Url,
                            {u"https://z.example"_s, u"https://cafe\u0301.example"_s});
        QCOMPARE(selectedRowOf(*m_selection), 1);
    }

    void toggle_selectsThenClears()
    {
        QSignalSpy changed(m_selection.get(), &QItemSelectionModel::selectionChanged);
        m_selection->toggle(m_history->index(2));
        QCOMPARE(m_selection->selectedText(), std::optional<QString>(u"https://a.example/abc"_s));
        m_selection->toggle(m_history->index(0));
        QCOMPARE(m_selection->selectedText(), std::optional<QString>(u"https://c.example/ABC"_s));
        m_selection->toggle(m_history->index(0));
        QVERIFY(!m_selection->selectedText());
        QCOMPARE(selectedRowOf(*m_selection), -1);
        QCOMPARE(changed.count(), 3);
    }

    void selectionHiddenByTheSearch_staysOnItsRow()
    {
        m_selection->select(m_history->index(1), QItemSelectionModel::ClearAndSelect);
        m_filter->setSearchText(u"abc"_s);
        QVERIFY(!m_filter->mapFromSource(m_selection->selectedIndexes().first()).isValid());
        m_manager->addItem(u"https://new.example/abc"_s);
        QCOMPARE(selectedRowOf(*m_selection), 2);
        m_filter->setSearchText(QString());
        QCOMPARE(m_filter->mapFromSource(m_selection->selectedIndexes().first()).row(), 2);
        QCOMPARE(m_selection->selectedText(), std::optional<QString>(u"https://b.example/x"_s));
    }

    // What a model stacked on the same list announces, the selection already
    // knows, whichever of the two was made first.
    void selection_isUpToDateWhenTheFilterAnnouncesAChange()
    {
        FakeTextList list({u"one"_s, u"two"_s, u"three"_s});
        TextSelectionModel before(&list);
        SearchFilterModel filter;
        filter.setSourceModel(&list);
        TextSelectionModel after(&list);
        before.select(list.index(1), QItemSelectionModel::ClearAndSelect);
        after.select(list.index(1), QItemSelectionModel::ClearAndSelect);
        QList<int> seen;
        connect(&filter, &QAbstractItemModel::rowsInserted, this, [&] {
            seen << filter.mapFromSource(before.selectedIndexes().first()).row()
                 << filter.mapFromSource(after.selectedIndexes().first()).row();
        });
        connect(&filter, &QAbstractItemModel::rowsRemoved, this,
                [&] { seen << selectedRowOf(before) << selectedRowOf(after); });
        list.insert(0, {u"zero"_s});
        list.remove(1, 1);
        list.remove(1, 1);
        QCOMPARE(seen, QList<int>({2, 2, 1, 1, -1, -1}));
        QCOMPARE(before.selectedText(), std::optional<QString>(u"two"_s));
        QCOMPARE(after.selectedText(), std::optional<QString>(u"two"_s));
    }

    void clear_forgetsATextWithoutRow()
    {
        m_selection->select(m_history->index(0), QItemSelectionModel::ClearAndSelect);
        m_manager->setItemsWithout(Category::Url, 0, ListAnimation::none());
        QVERIFY(m_selection->selectedText());
        m_selection->clear();
        QVERIFY(!m_selection->selectedText());
        m_manager->addItem(u"https://c.example/ABC"_s);
        QCOMPARE(selectedRowOf(*m_selection), -1);
    }

    // Row actions

    void deleteItemNoLongerInTheList_writesTheListBackUnchanged()
    {
        m_clipboard->setText(u"https://gone.example"_s);
        QSignalSpy changed(m_manager.get(), &ClipboardManager::listChanged);
        const QStringList before = m_manager->urls();
        ClipRowActions::deleteItem(*m_manager, Category::Url, u"https://gone.example"_s, 1);
        QCOMPARE(m_manager->urls(), before);
        // Announced as a change (the stored list already says the same).
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<ListChange>().kind, ListChange::Kind::Replaced);
        QCOMPARE(m_store->storedList(u"urls"_s).texts, before);
        // Not removed, so the clipboard is not looked at either.
        QCOMPARE(m_clipboard->text(), std::optional<QString>(u"https://gone.example"_s));
        QCOMPARE(m_clipboard->clearCount(), 0);
    }

    void deleteItemWithAWrongHint_stillRemovesTheFirstEqualItem()
    {
        m_manager->setItems(Category::Url, {u"https://a.example"_s, u"https://b.example"_s,
                                            u"https://a.example"_s});
        ClipRowActions::deleteItem(*m_manager, Category::Url, u"https://a.example"_s, 1);
        QCOMPARE(m_manager->urls(), QStringList({u"https://b.example"_s, u"https://a.example"_s}));
        QCOMPARE(m_store->storedList(u"urls"_s).texts, m_manager->urls());
    }

    void copyItem_writesExactlyTheItem()
    {
        m_clipboard->setText(u"before"_s);
        ClipRowActions::copyItem(*m_clipboard, u"https://x.example\n"_s);
        QCOMPARE(m_clipboard->text(), std::optional<QString>(u"https://x.example\n"_s));
        QCOMPARE(m_manager->urls().size(), 3);
    }

private:
    std::unique_ptr<MemoryClipboard> m_clipboard;
    std::unique_ptr<MemoryPreferencesStore> m_store;
    std::unique_ptr<ClipboardManager> m_manager;
    std::unique_ptr<HistoryListModel> m_history;
    std::unique_ptr<SearchFilterModel> m_filter;
    std::unique_ptr<TextSelectionModel> m_selection;
    std::unique_ptr<QAbstractItemModelTester> m_historyTester;
    std::unique_ptr<QAbstractItemModelTester> m_filterTester;
};

QTEST_GUILESS_MAIN(CategoryListModelsTest)
#include "tst_categorylistmodels.moc"
