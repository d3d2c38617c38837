#include "FakeTextList.h"
#include "FilterRows.h"
#include "SearchFilterModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

using namespace Qt::StringLiterals;

// The search filter as a proxy model: how it follows every change of its source
// and of the search, checked by QAbstractItemModelTester along the way.
class SearchFilterTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_list = std::make_unique<FakeTextList>(
            QStringList{u"apple one"_s, u"pear two"_s, u"apple three"_s, u"plum four"_s});
        m_filter = std::make_unique<SearchFilterModel>();
        m_filter->setSourceModel(m_list.get());
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_filter.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
    void cleanup()
    {
        m_tester.reset();
        m_filter.reset();
        m_list.reset();
    }

    void mapsRowsBothWays()
    {
        QCOMPARE(m_filter->sourceModel(), m_list.get());
        m_filter->setSearchText(u"APPLE"_s);
        QCOMPARE(shown(*m_filter), QStringList({u"apple one"_s, u"apple three"_s}));
        QCOMPARE(m_filter->mapToSource(m_filter->index(1, 0)), m_list->index(2));
        QCOMPARE(m_filter->mapFromSource(m_list->index(2)), m_filter->index(1, 0));
        QVERIFY(!m_filter->mapFromSource(m_list->index(1)).isValid());
        QCOMPARE(m_filter->textAt(1), u"apple three"_s);
        QCOMPARE(m_filter->index(1, 0).data().toString(), u"apple three"_s);
        QVERIFY(!m_filter->index(2, 0).isValid());
    }

    void search_readsTextsWithoutData()
    {
        QStringList texts;
        for (int i = 0; i < 20000; ++i)
            texts << u"item %1 of the list"_s.arg(i);
        m_list->replaceAll(texts);
        // The tester reads rows of its own on every change.
        m_tester.reset();
        const int before = m_list->dataReads();
        m_filter->setSearchText(u"7"_s);
        m_filter->setSearchText(u"77"_s);
        m_filter->setSearchText(u"9"_s);
        QCOMPARE(m_list->dataReads(), before);
        // Shared out over the cores in slices, yet in the list's order.
        QCOMPARE(shown(*m_filter), passing(texts, u"9"_s));
    }

    void search_narrowingAndWideningResetOnceEach()
    {
        QSignalSpy reset(m_filter.get(), &QAbstractItemModel::modelReset);
        const QStringList typed{u"p"_s, u"pl"_s, u"p"_s, u"pe"_s, QString(), u"e"_s};
        for (const QString &search : typed) {
            const auto before = reset.count();
            m_filter->setSearchText(search);
            QCOMPARE(reset.count(), before + 1);
            QCOMPARE(shown(*m_filter), passing(m_list->texts(), search));
        }
        m_filter->setSearchText(u"e"_s);
        QCOMPARE(reset.count(), typed.size());
    }

    void insertedRows_comeInWhereTheyBelong()
    {
        m_filter->setSearchText(u"apple"_s);
        QSignalSpy inserted(m_filter.get(), &QAbstractItemModel::rowsInserted);
        const QPersistentModelIndex three(m_filter->index(1, 0));
        m_list->insert(0, {u"apple zero"_s});
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 0);
        QCOMPARE(inserted.at(0).at(2).toInt(), 0);
        QCOMPARE(three.row(), 2);
        QCOMPARE(three.data().toString(), u"apple three"_s);

        // A row that does not pass only moves the source rows after it.
        m_list->insert(2, {u"fig"_s});
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(m_filter->mapToSource(three), m_list->index(4));

        // Several at once: the ones that pass, in one announcement.
        m_list->insert(4, {u"apple x"_s, u"kiwi"_s, u"apple y"_s});
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(inserted.at(1).at(1).toInt(), 2);
        QCOMPARE(inserted.at(1).at(2).toInt(), 3);
        QCOMPARE(three.row(), 4);
        QCOMPARE(shown(*m_filter), passing(m_list->texts(), u"apple"_s));
    }

    void removedRows_shownOnesGoAndHiddenOnesOnlyShift()
    {
        m_filter->setSearchText(u"apple"_s);
        QSignalSpy removed(m_filter.get(), &QAbstractItemModel::rowsRemoved);
        QStringList going;
        connect(m_filter.get(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [&](const QModelIndex &, int first, int last) {
                    // Still readable while they are announced.
                    for (int row = first; row <= last; ++row)
                        going << m_filter->textAt(row);
                });
        m_list->remove(1, 1);
        QCOMPARE(removed.count(), 0);
        QCOMPARE(m_filter->mapToSource(m_filter->index(1, 0)), m_list->index(1));

        m_list->insert(3, {u"apple five"_s, u"grape"_s});
        // Source rows 1 to 3: "apple three", "plum four", "apple five".
        m_list->remove(1, 3);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 1);
        QCOMPARE(removed.at(0).at(2).toInt(), 2);
        QCOMPARE(going, QStringList({u"apple three"_s, u"apple five"_s}));
        QCOMPARE(shown(*m_filter), QStringList{u"apple one"_s});
        QCOMPARE(m_list->texts(), QStringList({u"apple one"_s, u"grape"_s}));
    }

    // Other listeners of the source may hear of a change before the filter does:
    // until the filter has caught up, it maps no source row rather than a wrong one.
    void sourceRowsNotAnnouncedYet_areNotMapped()
    {
        FakeTextList list({u"apple one"_s, u"pear two"_s});
        QList<bool> mapped;
        const auto look = [&](int row) {
            return [&, row] { mapped << m_filter->mapFromSource(list.index(row)).isValid(); };
        };
        connect(&list, &QAbstractItemModel::rowsInserted, this, look(0));
        connect(&list, &QAbstractItemModel::rowsRemoved, this, look(1));
        connect(&list, &QAbstractItemModel::modelReset, this, look(0));
        m_filter->setSourceModel(&list);
        m_filter->setSearchText(u"apple"_s);
        connect(&list, &QAbstractItemModel::rowsInserted, this, look(0));
        // Each time, the rows the filter keeps would map the row asked for to a
        // row it shows, and the row asked for is one it hides.
        list.insert(0, {u"plum"_s});
        list.remove(0, 0);
        list.replaceAll({u"kiwi"_s, u"apple three"_s});
        QCOMPARE(mapped, QList<bool>({false, false, false, false}));
        QCOMPARE(m_filter->mapFromSource(list.index(1)).row(), 0);
        QVERIFY(!m_filter->mapFromSource(list.index(0)).isValid());
    }

    void sourceReset_refiltersTheNewList()
    {
        m_filter->setSearchText(u"o"_s);
        QSignalSpy aboutToReset(m_filter.get(), &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy reset(m_filter.get(), &QAbstractItemModel::modelReset);
        m_list->replaceAll({u"one"_s, u"two"_s, u"three"_s, u"four"_s});
        QCOMPARE(aboutToReset.count(), 1);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(shown(*m_filter), QStringList({u"one"_s, u"two"_s, u"four"_s}));
        m_list->replaceAll({});
        QCOMPARE(m_filter->rowCount(), 0);
    }

    void changedText_comesInGoesOrChangesInPlace()
    {
        m_filter->setSearchText(u"apple"_s);
        QSignalSpy inserted(m_filter.get(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(m_filter.get(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(m_filter.get(), &QAbstractItemModel::dataChanged);
        m_list->setText(1, u"apple two"_s);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 1);
        m_list->setText(0, u"cherry one"_s);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 0);
        m_list->setText(2, u"apple three, ripe"_s);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>(), m_filter->index(1, 0));
        QCOMPARE(shown(*m_filter), passing(m_list->texts(), u"apple"_s));
    }

    void movedRows_areTakenAsANewList()
    {
        m_filter->setSearchText(u"p"_s);
        QSignalSpy reset(m_filter.get(), &QAbstractItemModel::modelReset);
        m_list->move(3, 0);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(m_list->texts().first(), u"plum four"_s);
        QCOMPARE(shown(*m_filter), passing(m_list->texts(), u"p"_s));
    }

    void sourceThatIsNotATextList_isRefused()
    {
        QStandardItemModel other(3, 1);
        QTest::ignoreMessage(QtWarningMsg, "SearchFilterModel: the source must be a TextListModel");
        m_filter->setSourceModel(&other);
        QCOMPARE(m_filter->sourceModel(), nullptr);
        QCOMPARE(m_filter->rowCount(), 0);
    }

    void anotherSource_replacesTheFirst()
    {
        FakeTextList second({u"apple pie"_s, u"tart"_s});
        m_filter->setSearchText(u"apple"_s);
        QSignalSpy reset(m_filter.get(), &QAbstractItemModel::modelReset);
        m_filter->setSourceModel(&second);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(shown(*m_filter), QStringList{u"apple pie"_s});
        QSignalSpy inserted(m_filter.get(), &QAbstractItemModel::rowsInserted);
        m_list->insert(0, {u"apple again"_s});
        QCOMPARE(inserted.count(), 0);
        second.insert(0, {u"apple crumble"_s});
        QCOMPARE(inserted.count(), 1);
        m_filter->setSourceModel(nullptr);
        QCOMPARE(m_filter->rowCount(), 0);
    }

    void destroyedSource_leavesTheFilterEmpty()
    {
        QSignalSpy reset(m_filter.get(), &QAbstractItemModel::modelReset);
        m_list.reset();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(m_filter->rowCount(), 0);
        QVERIFY(!m_filter->index(0, 0).isValid());
    }

private:
    std::unique_ptr<FakeTextList> m_list;
    std::unique_ptr<SearchFilterModel> m_filter;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_GUILESS_MAIN(SearchFilterTest)
#include "tst_searchfilter.moc"
