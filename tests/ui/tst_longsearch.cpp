#include "CategorySearch.h"
#include "ClipboardManager.h"
#include "FakeTextList.h"
#include "FilterRows.h"
#include "HistoryList.h"
#include "HistoryLookup.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "SearchFilterModel.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "TemporaryStore.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <map>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Texts that try the search's rules: other forms, case folding, clusters.
const QStringList varied =
    u"apple pie with café au lait|cafe\u0301 written apart|\u212A as the Kelvin sign|Straße and "
    u"STRAẞE|naïve plan|e\u0301tude at eight|\U0001F44D thumbs up|data 42|Ağaç and İstanbul|"
    u"CR\r\nLF apart|keep calm|zebra"_s.split(u'|');

// Enough rows that a search through them runs beside the GUI thread.
QStringList longList(const QStringList &texts = varied)
{
    QStringList rows;
    for (int i = 0; i < 3000; ++i)
        rows += texts;
    return rows;
}

} // namespace

// The search filter over lists long enough to be searched beside the GUI thread:
// once a search has run, it shows what a search at once would, whatever the user
// and the list did meanwhile, and until then the rows of the search before.
class LongSearchTest final : public QObject
{
    Q_OBJECT

private slots:
    void longList_findsWhatAShortListFinds()
    {
        FakeTextList shortList(varied);
        FakeTextList list(longList());
        SearchFilterModel shortFilter;
        SearchFilterModel filter;
        shortFilter.setSourceModel(&shortList);
        filter.setSourceModel(&list);
        QSignalSpy reset(&filter, &QAbstractItemModel::modelReset);
        // Widening, narrowing the current matches ("a" passes two thirds), both
        // beside the GUI thread and at once, and clearing.
        const QStringList typed{u"e"_s, u"a"_s,      u"ap"_s, u"a"_s,  u"é"_s,   u"cafe\u0301"_s,
                                u"K"_s, u"straẞe"_s, u"i"_s,  u"\r"_s, QString()};
        int beside = 0;
        for (const QString &needle : typed) {
            const auto resets = reset.count();
            shortFilter.setSearchText(needle);
            filter.setSearchText(needle);
            if (filter.isSearching()) {
                ++beside;
                QCOMPARE(reset.count(), resets);
                QTRY_VERIFY(!filter.isSearching());
            }
            QCOMPARE(reset.count(), resets + 1);
            QCOMPARE(shown(filter), longList(shown(shortFilter)));
        }
        QVERIFY(beside >= 5);
    }

    void newerSearch_winsOverOlderOnes()
    {
        FakeTextList list(longList());
        SearchFilterModel filter;
        filter.setSourceModel(&list);
        QSignalSpy reset(&filter, &QAbstractItemModel::modelReset);
        // One that has run but whose rows have not arrived, one cut short.
        filter.setSearchText(u"k"_s);
        QVERIFY(filter.findChild<QThreadPool *>()->waitForDone());
        filter.setSearchText(u"a"_s);
        filter.setSearchText(u"e"_s);
        QTRY_VERIFY(!filter.isSearching());
        QCoreApplication::processEvents();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(shown(filter), passing(list.texts(), u"e"_s));
        // Back to the search shown before the newer one arrived: nothing to redo.
        filter.setSearchText(u"k"_s);
        filter.setSearchText(u"e"_s);
        QVERIFY(!filter.isSearching());
        QCOMPARE(reset.count(), 1);
    }

    void listChangedWhileSearching_endsAsAFreshSearch()
    {
        FakeTextList list(longList());
        SearchFilterModel filter;
        filter.setSourceModel(&list);
        QAbstractItemModelTester tester(&filter,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        filter.setSearchText(u"a"_s);
        QTRY_VERIFY(!filter.isSearching());
        // Narrowing: the scan goes through the matches of "a", which change too.
        filter.setSearchText(u"ap"_s);
        QVERIFY(filter.isSearching());
        QSignalSpy inserted(&filter, &QAbstractItemModel::rowsInserted);
        list.insert(1, {u"an apple"_s, u"a pear"_s, u"kiwi"_s});
        // Meanwhile the rows shown follow the search shown, row by row.
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(shown(filter), passing(list.texts(), u"a"_s));
        QVERIFY(filter.isSearching());
        list.remove(0, 40);
        list.setText(50, u"apricot"_s);
        QCOMPARE(shown(filter), passing(list.texts(), u"a"_s));
        QTRY_VERIFY(!filter.isSearching());
        QCOMPARE(shown(filter), passing(list.texts(), u"ap"_s));

        // Widening: the scan goes through the whole list, which is moved, then
        // replaced; both are followed at once.
        filter.setSearchText(u"e"_s);
        QVERIFY(filter.isSearching());
        list.move(0, 9);
        QVERIFY(!filter.isSearching());
        QCOMPARE(shown(filter), passing(list.texts(), u"e"_s));
        filter.setSearchText(u"k"_s);
        const QStringList others = longList({u"kale"_s, u"leek"_s, u"okra"_s, u"pea"_s});
        list.replaceAll(others);
        QVERIFY(!filter.isSearching());
        QCOMPARE(shown(filter), passing(others, u"k"_s));
    }

    void historyList_newAndDeletedItemsWhileSearching()
    {
        TemporaryStore store;
        QStringList texts;
        for (int i = 0; i < 30000; ++i)
            texts << u"note %1 about %2"_s.arg(i).arg(varied.at(i % varied.size()));
        QVERIFY(store.history().replaceList(u"texts"_s, texts).ok());
        MemoryClipboard clipboard;
        ManualPollTimers timers;
        ClipboardManager manager(clipboard, store.preferences(), store.history(), timers);
        HistoryList &history = manager.texts();
        SearchFilterModel filter;
        filter.setSourceModel(&history);
        QAbstractItemModelTester tester(&filter,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&filter, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&filter, &QAbstractItemModel::rowsRemoved);
        filter.setSearchText(u"café"_s);
        QVERIFY(filter.isSearching());
        manager.addItem(u"a new note about a café"_s);
        HistoryLookup::deleteRow(manager, Category::Text, 5);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(removed.count(), 1);
        QTRY_VERIFY(!filter.isSearching());
        QCOMPARE(shown(filter), passing(history.toStringList(), u"café"_s));
        QCOMPARE(filter.textAt(0), u"a new note about a café"_s);
    }

    // The panel's search through three long lists: the shown one searches alone,
    // the others once its rows are in; each count is the last one shown until
    // the newer search's rows arrive.
    void panelSearch_othersSearchOnceTheShownRowsAreIn()
    {
        TemporaryStore store;
        std::map<Category, QStringList> lists;
        for (const Category category : allCategories) {
            lists[category] = longList();
            lists[category].prepend(categoryName(category));
            QVERIFY(store.history().replaceList(listKey(category), lists[category]).ok());
        }
        MemoryClipboard clipboard;
        ManualPollTimers timers;
        ClipboardManager manager(clipboard, store.preferences(), store.history(), timers);
        CategorySearch search(manager);
        const auto held = [&search](Category category) { return search.filter(category).isHeld(); };
        const auto matches = [&lists](Category category, const QString &needle) {
            return std::optional<int>(int(passing(lists[category], needle).size()));
        };

        search.setText(u"a"_s);
        QVERIFY(search.filter(Category::Url).isSearching() && !held(Category::Url));
        QVERIFY(held(Category::Code) && held(Category::Text));
        QCOMPARE(search.matchCount(Category::Code), std::nullopt);
        QTRY_VERIFY(!search.filter(Category::Url).isSearching());
        QCOMPARE(search.matchCount(Category::Url), matches(Category::Url, u"a"_s));
        QTRY_VERIFY(search.matchCount(Category::Text).has_value());
        QTRY_VERIFY(search.matchCount(Category::Code).has_value());
        QCOMPARE(search.matchCount(Category::Code), matches(Category::Code, u"a"_s));

        // Switched while the shown list searches: the new one goes first.
        search.setText(u"co"_s);
        search.setShown(Category::Code);
        QVERIFY(search.filter(Category::Code).isSearching() && !held(Category::Code));
        QVERIFY(held(Category::Url) && held(Category::Text));
        QCOMPARE(search.matchCount(Category::Text), matches(Category::Text, u"a"_s));
        for (const Category category : allCategories) {
            QTRY_COMPARE(search.matchCount(category), matches(category, u"co"_s));
            QCOMPARE(shown(search.filter(category)), passing(lists[category], u"co"_s));
        }
        search.setText(QString());
        QCOMPARE(search.matchCount(Category::Code), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(LongSearchTest)
#include "tst_longsearch.moc"
