// The fault injector over the real history store, and the temporary store the
// tests above the platform run against.
#include "FailingHistoryStore.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStoreFile.h"
#include "TemporaryStore.h"

#include <QTest>

using namespace Qt::StringLiterals;

class FailingHistoryStoreTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
    }

    void cleanup() { m_store.reset(); }

    void withoutFaults_passesEverythingThrough()
    {
        FailingHistoryStore &store = m_store->failingHistory();
        const auto first = store.insertNewest(u"texts"_s, u"first"_s);
        const auto urls = store.replaceList(u"urls"_s, {u"u2"_s, u"u1"_s});
        QVERIFY(first.ok() && urls.ok());
        QVERIFY(store.insertNewest(u"codes"_s, u"c"_s).ok());
        QVERIFY(store.retainOnlyLists({u"texts"_s, u"urls"_s}).ok());
        QVERIFY(store.removeItem(urls.value().at(1)).ok());

        const HistoryRecord real = m_store->history().load();
        const HistoryRecord seen = store.load();
        QCOMPARE(seen.state, HistoryRecord::State::Loaded);
        QCOMPARE(seen.lists.keys(), real.lists.keys());
        QCOMPARE(seen.lists.value(u"texts"_s).ids, std::vector<qint64>{first.value()});
        QCOMPARE(seen.lists.value(u"urls"_s).texts(), QStringList{u"u2"_s});
        QCOMPARE(store.writeCount(), 5);
        QCOMPARE(store.loadCount(), 1);

        const auto keptAs = store.setAsideHistory();
        QVERIFY2(keptAs.ok(), qPrintable(keptAs.error()));
        QVERIFY(keptAs.value().startsWith(u"table clipboard_data_unreadable_"_s));
        QCOMPARE(store.load().state, HistoryRecord::State::Absent);
    }

    void failWrites_everyWriteFails_fileUnchanged()
    {
        FailingHistoryStore &store = m_store->failingHistory();
        const auto ids = store.replaceList(u"texts"_s, {u"b"_s, u"a"_s});
        QVERIFY(ids.ok());
        store.setFailWrites(true);
        const auto lost = store.insertNewest(u"texts"_s, u"lost"_s);
        QVERIFY(!lost.ok());
        QVERIFY(lost.error().contains(u"injected"_s));
        QVERIFY(!store.removeItem(ids.value().at(0)).ok());
        QVERIFY(!store.replaceList(u"texts"_s, {}).ok());
        QVERIFY(!store.retainOnlyLists({}).ok());
        QVERIFY(!store.setAsideHistory().ok());
        QCOMPARE(store.writeCount(), 6);

        m_store->restart();
        const HistoryRecord stored = m_store->history().load();
        QCOMPARE(stored.lists.value(u"texts"_s).texts(), (QStringList{u"b"_s, u"a"_s}));
        QCOMPARE(stored.lists.value(u"texts"_s).ids, ids.value());
    }

    void failNextWrites_failsThatMany_thenPasses()
    {
        FailingHistoryStore &store = m_store->failingHistory();
        store.failNextWrites(2);
        QVERIFY(!store.insertNewest(u"texts"_s, u"one"_s).ok());
        QVERIFY(!store.insertNewest(u"texts"_s, u"two"_s).ok());
        QVERIFY(store.insertNewest(u"texts"_s, u"three"_s).ok());
        QCOMPARE(m_store->history().load().lists.value(u"texts"_s).texts(),
                 QStringList{u"three"_s});
    }

    void failReads_loadFailed_untilLifted_realStoreReadable()
    {
        FailingHistoryStore &store = m_store->failingHistory();
        QVERIFY(store.insertNewest(u"codes"_s, u"x"_s).ok());
        store.setFailReads(true);
        const HistoryRecord failed = store.load();
        QCOMPARE(failed.state, HistoryRecord::State::Failed);
        QVERIFY(!failed.error.isEmpty());
        QCOMPARE(m_store->history().load().state, HistoryRecord::State::Loaded);
        // Writes still pass while only reads fail.
        QVERIFY(store.insertNewest(u"codes"_s, u"y"_s).ok());
        store.setFailReads(false);
        QCOMPARE(store.load().lists.value(u"codes"_s).texts(), (QStringList{u"y"_s, u"x"_s}));
        QCOMPARE(store.loadCount(), 2);
        store.resetCounts();
        QCOMPARE(store.loadCount() + store.writeCount(), 0);
    }

    void restart_keepsHistoryAndPreferences()
    {
        m_store->preferences().setShowInDock(true);
        QVERIFY(m_store->preferences().flush().ok());
        QVERIFY(m_store->history().insertNewest(u"urls"_s, u"https://kept"_s).ok());
        m_store->restart();
        QCOMPARE(m_store->preferences().showInDock(), true);
        QCOMPARE(m_store->history().load().lists.value(u"urls"_s).texts(),
                 QStringList{u"https://kept"_s});
        QVERIFY(m_store->file().path().endsWith(u"/brimvale.sqlite3"_s));
        QCOMPARE(m_store->file().path(), m_store->path());
    }

private:
    std::unique_ptr<TemporaryStore> m_store;
};

QTEST_GUILESS_MAIN(FailingHistoryStoreTest)
#include "tst_failinghistorystore.moc"
