// Behaviour the real stores and the tests' stand-ins share: the in-memory
// preferences and the fault injector over the history stand in for the SQLite
// stores in the core's tests, so they must not drift from them.
#include "FailingHistoryStore.h"
#include "MemoryPreferences.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "TemporaryStore.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

class StoreContractTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<bool>("standIns");
        QTest::newRow("sqlite") << false;
        QTest::newRow("stand-ins") << true;
    }

    void init()
    {
        QFETCH_GLOBAL(bool, standIns);
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
        if (standIns) {
            m_memoryPreferences = std::make_unique<MemoryPreferences>();
            m_preferences = m_memoryPreferences.get();
            m_history = &m_store->failingHistory();
        } else {
            m_preferences = &m_store->preferences();
            m_history = &m_store->history();
        }
        m_announced.clear();
        // What each announcement said, with the value it had when it was made.
        connect(m_preferences, &Preferences::changed, this, [this](Preference preference) {
            m_announced.emplace_back(preference, m_preferences->value(preference));
        });
    }

    void cleanup()
    {
        m_preferences = nullptr;
        m_history = nullptr;
        m_memoryPreferences.reset();
        m_store.reset();
    }

    void newStore_preferencesFalse_historyAbsent()
    {
        QCOMPARE(m_preferences->value(Preference::PrivacyMode), false);
        QCOMPARE(m_preferences->value(Preference::ShowInDock), false);
        QCOMPARE(m_preferences->privacyMode(), false);
        QCOMPARE(m_preferences->showInDock(), false);
        QCOMPARE(m_history->load().state, HistoryRecord::State::Absent);
    }

    void setValue_readBack_announcedOnlyWhenValueChanges()
    {
        m_preferences->setValue(Preference::PrivacyMode, true);
        QVERIFY(m_preferences->flush().ok());
        QCOMPARE(m_preferences->value(Preference::PrivacyMode), true);
        QCOMPARE(m_preferences->privacyMode(), true);
        QCOMPARE(m_preferences->value(Preference::ShowInDock), false);
        m_preferences->setPrivacyMode(true);
        QVERIFY(m_preferences->flush().ok());
        m_preferences->setShowInDock(false);
        QVERIFY(m_preferences->flush().ok());
        QCOMPARE(m_announced.size(), size_t(1));
        QCOMPARE(m_announced.at(0), std::pair(Preference::PrivacyMode, true));

        m_preferences->setPrivacyMode(false);

        QVERIFY(m_preferences->flush().ok());
        QCOMPARE(m_preferences->privacyMode(), false);
        QCOMPARE(m_announced.size(), size_t(2));
        QCOMPARE(m_announced.at(1), std::pair(Preference::PrivacyMode, false));

        m_preferences->setShowInDock(true);

        QVERIFY(m_preferences->flush().ok());
        QCOMPARE(m_preferences->showInDock(), true);
        QCOMPARE(m_announced.size(), size_t(3));
        QCOMPARE(m_announced.at(2), std::pair(Preference::ShowInDock, true));
    }

    void numberPreference_defaultsToZero_readBack_announcedWhenChanged()
    {
        QCOMPARE(m_preferences->number(Preference::WindowWidth), qint64(0));
        m_preferences->setNumber(Preference::WindowWidth, 612);
        QVERIFY(m_preferences->flush().ok());
        m_preferences->setNumber(Preference::WindowWidth, 612);
        QVERIFY(m_preferences->flush().ok());
        QCOMPARE(m_preferences->number(Preference::WindowWidth), qint64(612));
        QCOMPARE(m_preferences->number(Preference::WindowHeight), qint64(0));
        QCOMPARE(m_announced.size(), size_t(1));
        QCOMPARE(m_announced.at(0).first, Preference::WindowWidth);
    }

    void insertNewest_idsGrow_loadsNewestFirstPerList()
    {
        const auto a = m_history->insertNewest(u"urls"_s, u"https://a.example"_s);
        const auto b = m_history->insertNewest(u"texts"_s, u"words"_s);
        const auto c = m_history->insertNewest(u"urls"_s, u"https://c.example"_s);
        QVERIFY(a.ok() && b.ok() && c.ok());
        QVERIFY(a.value() < b.value() && b.value() < c.value());

        const HistoryRecord history = m_history->load();
        QCOMPARE(history.state, HistoryRecord::State::Loaded);
        QCOMPARE(history.lists.size(), 2);
        const StoredList urls = history.lists.value(u"urls"_s);
        QCOMPARE(urls.texts(), (QStringList{u"https://c.example"_s, u"https://a.example"_s}));
        QCOMPARE(urls.ids, (std::vector<qint64>{c.value(), a.value()}));
        QCOMPARE(history.lists.value(u"texts"_s).texts(), QStringList{u"words"_s});
        QCOMPARE(history.lists.value(u"texts"_s).ids, std::vector<qint64>{b.value()});
    }

    void replaceList_keepsOrder_idsGrowTowardsNewest_otherListsUntouched()
    {
        const auto code = m_history->insertNewest(u"codes"_s, u"int x;"_s);
        QVERIFY(code.ok());
        QVERIFY(m_history->insertNewest(u"texts"_s, u"old"_s).ok());
        const QStringList texts{u"newest"_s, u"middle"_s, u"oldest"_s};
        const auto result = m_history->replaceList(u"texts"_s, texts);
        QVERIFY(result.ok());
        const std::vector<qint64> &ids = result.value();
        QCOMPARE(ids.size(), size_t(3));
        QVERIFY(ids[0] > ids[1] && ids[1] > ids[2]);
        QVERIFY(ids[2] > code.value());

        const HistoryRecord history = m_history->load();
        QCOMPARE(history.lists.value(u"texts"_s).texts(), texts);
        QCOMPARE(history.lists.value(u"texts"_s).ids, ids);
        QCOMPARE(history.lists.value(u"codes"_s).texts(), QStringList{u"int x;"_s});
    }

    void replaceListWithNothing_removesTheList_lastOneGoneMeansAbsent()
    {
        QVERIFY(m_history->replaceList(u"urls"_s, {u"u1"_s, u"u2"_s}).ok());
        QVERIFY(m_history->insertNewest(u"codes"_s, u"c"_s).ok());
        const auto none = m_history->replaceList(u"urls"_s, {});
        QVERIFY(none.ok());
        QVERIFY(none.value().empty());
        const HistoryRecord history = m_history->load();
        QCOMPARE(history.state, HistoryRecord::State::Loaded);
        QVERIFY(!history.lists.contains(u"urls"_s));

        QVERIFY(m_history->replaceList(u"codes"_s, {}).ok());
        QCOMPARE(m_history->load().state, HistoryRecord::State::Absent);
    }

    void removeItem_removesOnlyThatItem()
    {
        const auto result = m_history->replaceList(u"texts"_s, {u"c"_s, u"b"_s, u"a"_s});
        QVERIFY(result.ok());
        const std::vector<qint64> ids = result.value();
        QVERIFY(m_history->removeItem(ids[1]).ok());
        const StoredList texts = m_history->load().lists.value(u"texts"_s);
        QCOMPARE(texts.texts(), (QStringList{u"c"_s, u"a"_s}));
        QCOMPARE(texts.ids, (std::vector<qint64>{ids[0], ids[2]}));
        // Removing what is gone already is no failure.
        QVERIFY(m_history->removeItem(ids[1]).ok());
    }

    void newItemAfterRemovingTheNewest_isStillNewest()
    {
        const auto first = m_history->insertNewest(u"texts"_s, u"first"_s);
        const auto second = m_history->insertNewest(u"texts"_s, u"second"_s);
        QVERIFY(first.ok() && second.ok());
        QVERIFY(m_history->removeItem(second.value()).ok());
        QVERIFY(m_history->insertNewest(u"texts"_s, u"third"_s).ok());
        QCOMPARE(m_history->load().lists.value(u"texts"_s).texts(),
                 (QStringList{u"third"_s, u"first"_s}));
    }

    void retainOnlyLists_dropsEveryOtherKey()
    {
        QVERIFY(m_history->insertNewest(u"urls"_s, u"u"_s).ok());
        QVERIFY(m_history->insertNewest(u"pinned"_s, u"p"_s).ok());
        QVERIFY(m_history->insertNewest(u"texts"_s, u"t"_s).ok());
        QVERIFY(m_history->insertNewest(u"extra"_s, u"e"_s).ok());
        QVERIFY(m_history->retainOnlyLists({u"urls"_s, u"codes"_s, u"texts"_s}).ok());
        QStringList keys = m_history->load().lists.keys();
        keys.sort();
        QCOMPARE(keys, (QStringList{u"texts"_s, u"urls"_s}));

        QVERIFY(m_history->retainOnlyLists({}).ok());
        QCOMPARE(m_history->load().state, HistoryRecord::State::Absent);
    }

    void textsKeptVerbatim()
    {
        const QStringList texts{u"  padded  "_s, u"MiXeD"_s, u"e\u0301"_s,
                                u"\u00e9"_s,     QString(),  u"line\r\nbreaks\n"_s};
        QVERIFY(m_history->replaceList(u"texts"_s, texts).ok());
        QCOMPARE(m_history->load().lists.value(u"texts"_s).texts(), texts);
    }

private:
    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<MemoryPreferences> m_memoryPreferences;
    Preferences *m_preferences = nullptr;
    HistoryStore *m_history = nullptr;
    std::vector<std::pair<Preference, bool>> m_announced;
};

QTEST_GUILESS_MAIN(StoreContractTest)
#include "tst_storecontract.moc"
