// Behaviour both stores share: the in-memory one stands in for the SQLite one in
// the core's tests, so it must not drift from it.
#include "MemoryPreferencesStore.h"
#include "SqlitePreferencesStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

class PreferencesStoreTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("memory") << u"memory"_s;
        QTest::newRow("sqlite") << u"sqlite"_s;
    }

    void init()
    {
        QFETCH_GLOBAL(QString, kind);
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        if (kind == u"memory")
            m_store = std::make_unique<MemoryPreferencesStore>();
        else
            m_store = std::make_unique<SqlitePreferencesStore>(m_dir->filePath(u"store.sqlite3"_s));
    }

    void cleanup()
    {
        m_store.reset();
        m_dir.reset();
    }

    void newStore_boolsFalse_historyAbsent()
    {
        QCOMPARE(m_store->boolValue(u"privacyMode"_s), false);
        QCOMPARE(m_store->boolValue(u"showInDock"_s), false);
        QCOMPARE(m_store->loadHistory().state, StoredHistory::State::Absent);
    }

    void setBoolValue_readBack_signalOnlyWhenValueChanges()
    {
        QSignalSpy spy(m_store.get(), &PreferencesStore::boolValueChanged);
        QVERIFY(m_store->setBoolValue(u"privacyMode"_s, true));
        QCOMPARE(m_store->boolValue(u"privacyMode"_s), true);
        QCOMPARE(m_store->boolValue(u"showInDock"_s), false);
        QVERIFY(m_store->setBoolValue(u"privacyMode"_s, true));
        QVERIFY(m_store->setBoolValue(u"showInDock"_s, false));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), u"privacyMode"_s);
        QCOMPARE(spy.at(0).at(1).toBool(), true);

        QVERIFY(m_store->setBoolValue(u"privacyMode"_s, false));
        QCOMPARE(m_store->boolValue(u"privacyMode"_s), false);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.at(1).at(1).toBool(), false);
    }

    void insertNewest_idsGrow_loadsNewestFirstPerList()
    {
        const auto a = m_store->insertNewest(u"urls"_s, u"https://a.example"_s);
        const auto b = m_store->insertNewest(u"texts"_s, u"words"_s);
        const auto c = m_store->insertNewest(u"urls"_s, u"https://c.example"_s);
        QVERIFY(a && b && c);
        QVERIFY(*a < *b && *b < *c);

        const StoredHistory history = m_store->loadHistory();
        QCOMPARE(history.state, StoredHistory::State::Loaded);
        QCOMPARE(history.lists.size(), 2);
        const StoredList urls = history.lists.value(u"urls"_s);
        QCOMPARE(urls.texts, (QStringList{u"https://c.example"_s, u"https://a.example"_s}));
        QCOMPARE(urls.ids, (std::vector<qint64>{*c, *a}));
        QCOMPARE(history.lists.value(u"texts"_s).texts, QStringList{u"words"_s});
        QCOMPARE(history.lists.value(u"texts"_s).ids, std::vector<qint64>{*b});
    }

    void replaceList_keepsOrder_idsGrowTowardsNewest_otherListsUntouched()
    {
        const auto code = m_store->insertNewest(u"codes"_s, u"int x;"_s);
        QVERIFY(code);
        QVERIFY(m_store->insertNewest(u"texts"_s, u"old"_s));
        const QStringList texts{u"newest"_s, u"middle"_s, u"oldest"_s};
        const auto ids = m_store->replaceList(u"texts"_s, texts);
        QVERIFY(ids);
        QCOMPARE(ids->size(), size_t(3));
        QVERIFY((*ids)[0] > (*ids)[1] && (*ids)[1] > (*ids)[2]);
        QVERIFY((*ids)[2] > *code);

        const StoredHistory history = m_store->loadHistory();
        QCOMPARE(history.lists.value(u"texts"_s).texts, texts);
        QCOMPARE(history.lists.value(u"texts"_s).ids, *ids);
        QCOMPARE(history.lists.value(u"codes"_s).texts, QStringList{u"int x;"_s});
    }

    void replaceListWithNothing_removesTheList_lastOneGoneMeansAbsent()
    {
        QVERIFY(m_store->replaceList(u"urls"_s, {u"u1"_s, u"u2"_s}));
        QVERIFY(m_store->insertNewest(u"codes"_s, u"c"_s));
        const auto none = m_store->replaceList(u"urls"_s, {});
        QVERIFY(none);
        QVERIFY(none->empty());
        StoredHistory history = m_store->loadHistory();
        QCOMPARE(history.state, StoredHistory::State::Loaded);
        QVERIFY(!history.lists.contains(u"urls"_s));

        QVERIFY(m_store->replaceList(u"codes"_s, {}));
        QCOMPARE(m_store->loadHistory().state, StoredHistory::State::Absent);
    }

    void removeItem_removesOnlyThatItem()
    {
        const auto ids = m_store->replaceList(u"texts"_s, {u"c"_s, u"b"_s, u"a"_s});
        QVERIFY(ids);
        QVERIFY(m_store->removeItem((*ids)[1]));
        const StoredList texts = m_store->loadHistory().lists.value(u"texts"_s);
        QCOMPARE(texts.texts, (QStringList{u"c"_s, u"a"_s}));
        QCOMPARE(texts.ids, (std::vector<qint64>{(*ids)[0], (*ids)[2]}));
        // Removing what is gone already is no failure.
        QVERIFY(m_store->removeItem((*ids)[1]));
    }

    void newItemAfterRemovingTheNewest_isStillNewest()
    {
        const auto first = m_store->insertNewest(u"texts"_s, u"first"_s);
        const auto second = m_store->insertNewest(u"texts"_s, u"second"_s);
        QVERIFY(first && second);
        QVERIFY(m_store->removeItem(*second));
        const auto third = m_store->insertNewest(u"texts"_s, u"third"_s);
        QVERIFY(third);
        QCOMPARE(m_store->loadHistory().lists.value(u"texts"_s).texts,
                 (QStringList{u"third"_s, u"first"_s}));
    }

    void retainOnlyLists_dropsEveryOtherKey()
    {
        QVERIFY(m_store->insertNewest(u"urls"_s, u"u"_s));
        QVERIFY(m_store->insertNewest(u"pinned"_s, u"p"_s));
        QVERIFY(m_store->insertNewest(u"texts"_s, u"t"_s));
        QVERIFY(m_store->insertNewest(u"extra"_s, u"e"_s));
        QVERIFY(m_store->retainOnlyLists({u"urls"_s, u"codes"_s, u"texts"_s}));
        const StoredHistory history = m_store->loadHistory();
        QStringList keys = history.lists.keys();
        keys.sort();
        QCOMPARE(keys, (QStringList{u"texts"_s, u"urls"_s}));

        QVERIFY(m_store->retainOnlyLists({}));
        QCOMPARE(m_store->loadHistory().state, StoredHistory::State::Absent);
    }

    void textsKeptVerbatim()
    {
        const QStringList texts{u"  padded  "_s, u"MiXeD"_s, u"e\u0301"_s,
                                u"\u00e9"_s,     QString(),  u"line\r\nbreaks\n"_s};
        const auto ids = m_store->replaceList(u"texts"_s, texts);
        QVERIFY(ids);
        QCOMPARE(m_store->loadHistory().lists.value(u"texts"_s).texts, texts);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PreferencesStore> m_store;
};

QTEST_GUILESS_MAIN(PreferencesStoreTest)
#include "tst_preferencesstore.moc"
