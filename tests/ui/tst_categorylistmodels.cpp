#include "ClipboardManager.h"
#include "FailingHistoryStore.h"
#include "FakeTextList.h"
#include "HistoryList.h"
#include "HistoryLookup.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "SearchFilterModel.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "TemporaryStore.h"
#include "TextSelectionModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList rowsOf(const QAbstractItemModel &model, int role = TextListModel::TextRole)
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

// The category list's models: the history's URL list, the search filter over it
// and the selection that follows its text through changes, driven through the
// history over a real store file. The filter is made before the selection here,
// the other way round in CategoryView: neither depends on it.
class CategoryListModelsTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_clipboard = std::make_unique<MemoryClipboard>();
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
        start({u"https://c.example/ABC"_s, u"https://b.example/x"_s, u"https://a.example/abc"_s});
    }
    void cleanup()
    {
        stop();
        m_store.reset();
        m_clipboard.reset();
    }

    // History list

    void historyModel_showsTheCategorysListInOrder()
    {
        QCOMPARE(rowsOf(*m_history), m_manager->urls().toStringList());
        QCOMPARE(rowsOf(*m_history),
                 QStringList({u"https://c.example/ABC"_s, u"https://b.example/x"_s,
                              u"https://a.example/abc"_s}));
        QCOMPARE(sourceRowOf(*m_filter, 1), 1);
        QCOMPARE(m_history->index(0).data(Qt::DisplayRole).toString(), u"https://c.example/ABC"_s);
    }

    void historyModel_longItemDisplaysShortenedText()
    {
        const QString longUrl = u"https://long.example/"_s + QString(200, u'z');
        start({longUrl});
        QCOMPARE(m_history->index(0).data(TextListModel::TextRole).toString(), longUrl);
        QCOMPARE(m_history->index(0).data(Qt::DisplayRole).toString(),
                 longUrl.first(100) + u"..."_s);
    }

    void newItem_isOneInsertedRowAtTheTop()
    {
        QSignalSpy inserted(m_history, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(m_history, &QAbstractItemModel::modelReset);
        m_manager->addItem(u"https://new.example"_s);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 0);
        QCOMPARE(inserted.at(0).at(2).toInt(), 0);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(rowsOf(*m_history), m_manager->urls().toStringList());
        QCOMPARE(m_history->textAt(0), u"https://new.example"_s);
    }

    void newItemInAnotherCategory_leavesTheModelAlone()
    {
        QSignalSpy inserted(m_history, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(m_history, &QAbstractItemModel::modelReset);
        m_manager->addItem(u"just some words"_s);
        QCOMPARE(m_manager->texts().size(), 1);
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(m_history->size(), 3);
    }

    // How rows move is the list view's choice (see tst_categoryview).
    void removal_isOneRemovedRow()
    {
        QSignalSpy removed(m_history, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(m_history, &QAbstractItemModel::modelReset);
        HistoryLookup::deleteRow(*m_manager, Category::Url, 1);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 1);
        QCOMPARE(removed.at(0).at(2).toInt(), 1);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(rowsOf(*m_history),
                 QStringList({u"https://c.example/ABC"_s, u"https://a.example/abc"_s}));
        QCOMPARE(storedUrls(), m_manager->urls().toStringList());
    }

    void deletion_isOneRemovedRow()
    {
        QSignalSpy removed(m_history, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(m_history, &QAbstractItemModel::modelReset);
        m_manager->deleteItem(Category::Url, u"https://a.example/abc"_s);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 2);
        QCOMPARE(removed.at(0).at(2).toInt(), 2);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(rowsOf(*m_history),
                 QStringList({u"https://c.example/ABC"_s, u"https://b.example/x"_s}));
    }

    void clearedHistory_resetsTheModel()
    {
        QSignalSpy reset(m_history, &QAbstractItemModel::modelReset);
        QSignalSpy removed(m_history, &QAbstractItemModel::rowsRemoved);
        m_manager->clearHistory();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(removed.count(), 0);
        QCOMPARE(m_history->rowCount(), 0);
        QCOMPARE(storedUrls(), QStringList());
    }

    // Search filter

    void emptySearch_showsEverythingInOrder()
    {
        QCOMPARE(rowsOf(*m_filter), m_manager->urls().toStringList());
    }

    void search_keepsMatchingItemsOfBothCases()
    {
        m_filter->setSearchText(u"abc"_s);
        QCOMPARE(rowsOf(*m_filter),
                 QStringList({u"https://c.example/ABC"_s, u"https://a.example/abc"_s}));
        QCOMPARE(sourceRowOf(*m_filter, 0), 0);
        QCOMPARE(sourceRowOf(*m_filter, 1), 2);
        QCOMPARE(m_filter->mapFromSource(m_history->index(2)).row(), 1);
        QVERIFY(!m_filter->mapFromSource(m_history->index(1)).isValid());
        QCOMPARE(m_filter->textAt(1), m_history->textAt(2));
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
        // Both forms of "café" as an earlier version may have stored them.
        start({u"ABC at start"_s, u"in the middle xABCx"_s, u"at the end ABC"_s, u"Abc"_s,
               u"ab c"_s, u"caf\u00e9"_s, u"cafe\u0301"_s, u"cafe"_s});
        QCOMPARE(m_history->size(), 8);
        m_filter->setSearchText(search);
        QCOMPARE(rowsOf(*m_filter), expected);
    }

    void clearingTheSearch_bringsAllRowsBack()
    {
        m_filter->setSearchText(u"nothing like it"_s);
        QCOMPARE(m_filter->rowCount(), 0);
        m_filter->setSearchText(QString());
        QCOMPARE(rowsOf(*m_filter), m_manager->urls().toStringList());
    }

    void typingOn_narrowsLikeAFreshSearch()
    {
        QStringList items;
        for (int i = 0; i < 200; ++i)
            items << u"https://x.example/%1/%2"_s.arg(i).arg(i % 7 == 0 ? u"AbCd"_s : u"abx"_s);
        items << u"https://x.example/ab\u20ddcd"_s << u"https://x.example/e\u0301"_s;
        start(items);
        QCOMPARE(m_history->size(), 202);
        const QStringList typed{u"a"_s, u"ab"_s,      u"abc"_s, u"abcd"_s,    u"abc"_s,
                                u"e"_s, u"e\u0301"_s, u"ab"_s,  u"ab\u20dd"_s};
        for (const QString &search : typed) {
            m_filter->setSearchText(search);
            SearchFilterModel fresh;
            fresh.setSourceModel(m_history);
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
        QCOMPARE(m_history->size(), 4);
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
        HistoryLookup::deleteRow(*m_manager, Category::Url, 1);
        QCOMPARE(removed.count(), 0);
        QCOMPARE(sourceRowOf(*m_filter, 1), 1);
        m_manager->deleteItem(Category::Url, u"https://c.example/ABC"_s);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 0);
        QCOMPARE(rowsOf(*m_filter), QStringList{u"https://a.example/abc"_s});
        QCOMPARE(sourceRowOf(*m_filter, 0), 0);
    }

    void clearedHistory_leavesTheFilterEmpty()
    {
        m_filter->setSearchText(u"a"_s);
        QSignalSpy reset(m_filter.get(), &QAbstractItemModel::modelReset);
        m_manager->clearHistory();
        QCOMPARE(reset.count(), 1);
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
        HistoryLookup::deleteRow(*m_manager, Category::Url, 0);
        QCOMPARE(selectedRowOf(*m_selection), 1);
    }

    void deletedSelectedItem_staysSelectedAndComesBackWithItsText()
    {
        m_selection->select(m_history->index(1), QItemSelectionModel::ClearAndSelect);
        m_manager->deleteItem(Category::Url, u"https://b.example/x"_s);
        QCOMPARE(m_history->size(), 2);
        QCOMPARE(m_selection->selectedText(), std::optional<QString>(u"https://b.example/x"_s));
        QCOMPARE(selectedRowOf(*m_selection), -1);
        // The same text arrives again.
        m_manager->addItem(u"https://b.example/x"_s);
        QCOMPARE(selectedRowOf(*m_selection), 0);
        QCOMPARE(m_selection->selectedText(), std::optional<QString>(u"https://b.example/x"_s));
    }

    void deletedSelectedItem_passesToTheSameTextFurtherDown()
    {
        start({u"https://a.example"_s, u"https://b.example"_s, u"https://a.example"_s});
        m_selection->select(m_history->index(0), QItemSelectionModel::ClearAndSelect);
        HistoryLookup::deleteRow(*m_manager, Category::Url, 0);
        QCOMPARE(selectedRowOf(*m_selection), 1);
        QCOMPARE(m_selection->selectedText(), std::optional<QString>(u"https://a.example"_s));
    }

    // The reset here is the history merging the stored lists it could not read at
    // its start with what it captured meanwhile.
    void selection_isByCanonicalText()
    {
        m_store->failingHistory().setFailReads(true);
        start({u"https://z.example"_s, u"https://cafe\u0301.example"_s});
        QCOMPARE(m_history->size(), 0);
        m_manager->addItem(u"https://caf\u00e9.example"_s);
        m_selection->select(m_history->index(0), QItemSelectionModel::ClearAndSelect);
        QVERIFY(m_selection->holds(u"https://cafe\u0301.example"_s));
        QVERIFY(!m_selection->holds(u"https://CAF\u00c9.example"_s));
        HistoryLookup::deleteRow(*m_manager, Category::Url, 0);
        QCOMPARE(selectedRowOf(*m_selection), -1);

        m_store->failingHistory().setFailReads(false);
        QSignalSpy reset(m_history, &QAbstractItemModel::modelReset);
        m_manager->addItem(u"plain words"_s);
        m_store->settle();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(rowsOf(*m_history),
                 QStringList({u"https://z.example"_s, u"https://cafe\u0301.example"_s}));
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
        HistoryLookup::deleteRow(*m_manager, Category::Url, 0);
        QVERIFY(m_selection->selectedText());
        m_selection->clear();
        QVERIFY(!m_selection->selectedText());
        m_manager->addItem(u"https://c.example/ABC"_s);
        QCOMPARE(m_history->textAt(0), u"https://c.example/ABC"_s);
        QCOMPARE(selectedRowOf(*m_selection), -1);
    }

    // Row actions

    void deleteItemNoLongerInTheList_changesNothing()
    {
        m_clipboard->setText(u"https://gone.example"_s);
        m_store->failingHistory().resetCounts();
        QSignalSpy removed(m_history, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(m_history, &QAbstractItemModel::modelReset);
        const QStringList before = m_manager->urls().toStringList();
        m_manager->deleteItem(Category::Url, u"https://gone.example"_s);
        QCOMPARE(m_manager->urls().toStringList(), before);
        QCOMPARE(removed.count() + reset.count(), 0);
        QCOMPARE(m_store->failingHistory().writeCount(), 0);
        QCOMPARE(storedUrls(), before);
        // Not removed, so the clipboard is not looked at either.
        QCOMPARE(m_clipboard->text(), std::optional<QString>(u"https://gone.example"_s));
        QCOMPARE(m_clipboard->clearCount(), 0);
    }

    void deleteItemWithAWrongHint_stillRemovesTheFirstEqualItem()
    {
        start({u"https://a.example"_s, u"https://b.example"_s, u"https://a.example"_s});
        QSignalSpy removed(m_history, &QAbstractItemModel::rowsRemoved);
        m_manager->deleteItem(Category::Url, u"https://a.example"_s);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 0);
        QCOMPARE(m_manager->urls().toStringList(),
                 QStringList({u"https://b.example"_s, u"https://a.example"_s}));
        QCOMPARE(storedUrls(), m_manager->urls().toStringList());
    }

    void copyItem_writesExactlyTheItem()
    {
        m_clipboard->setText(u"before"_s);
        m_manager->copyToClipboard(u"https://x.example\n"_s);
        QCOMPARE(m_clipboard->text(), std::optional<QString>(u"https://x.example\n"_s));
        QCOMPARE(m_manager->urls().size(), 3);
    }

private:
    // Stores `urls` as an earlier session would have, then starts a history over
    // the store with the models under test on its URL list, each checked as a model
    // while it lives.
    void start(const QStringList &urls)
    {
        stop();
        QVERIFY(m_store->history().replaceList(u"urls"_s, urls).ok());
        m_manager = std::make_unique<ClipboardManager>(*m_clipboard, m_store->preferences(),
                                                       m_store->failingHistory(), m_timers);
        m_history = &m_manager->urls();
        m_filter = std::make_unique<SearchFilterModel>();
        m_filter->setSourceModel(m_history);
        m_selection = std::make_unique<TextSelectionModel>(m_history);
        m_historyTester = std::make_unique<QAbstractItemModelTester>(
            m_history, QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_filterTester = std::make_unique<QAbstractItemModelTester>(
            m_filter.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
    void stop()
    {
        m_filterTester.reset();
        m_historyTester.reset();
        m_selection.reset();
        m_filter.reset();
        m_history = nullptr;
        m_manager.reset();
    }
    // The URL list as the next start would read it from the file.
    QStringList storedUrls() { return m_store->history().load().lists.value(u"urls"_s).texts(); }

    std::unique_ptr<MemoryClipboard> m_clipboard;
    std::unique_ptr<TemporaryStore> m_store;
    ManualPollTimers m_timers;
    std::unique_ptr<ClipboardManager> m_manager;
    HistoryList *m_history = nullptr;
    std::unique_ptr<SearchFilterModel> m_filter;
    std::unique_ptr<TextSelectionModel> m_selection;
    std::unique_ptr<QAbstractItemModelTester> m_historyTester;
    std::unique_ptr<QAbstractItemModelTester> m_filterTester;
};

QTEST_GUILESS_MAIN(CategoryListModelsTest)
#include "tst_categorylistmodels.moc"
