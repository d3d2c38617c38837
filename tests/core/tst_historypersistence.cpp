#include "ClipboardManager.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "MemoryPreferencesStore.h"
#include "SqlitePreferencesStore.h"
#include "StreamCapture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
StoredHistory record(std::initializer_list<std::pair<QString, QStringList>> lists)
{
    StoredHistory history;
    history.state = StoredHistory::State::Loaded;
    for (const auto &[key, texts] : lists)
        history.lists.insert(key, StoredList{texts, {}});
    return history;
}
} // namespace

// Loading the stored history, writing only what changed, and what happens when
// the store misbehaves.
class HistoryPersistenceTest final : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_store = std::make_unique<MemoryPreferencesStore>(); }
    void cleanup()
    {
        m_manager.reset();
        m_store.reset();
    }

    void firstStart_startsEmptyAndWritesNothing()
    {
        create();
        for (Category category : allCategories)
            QVERIFY(m_manager->list(category).isEmpty());
        QCOMPARE(m_store->writeCount(), 0);
        QVERIFY(m_store->storedListKeys().isEmpty());
    }

    void storedLists_loadInOrder_missingKeysEmpty()
    {
        m_store->setStoredHistory(
            record({{QStringLiteral("urls"),
                     {QStringLiteral("https://new"), QStringLiteral("https://old")}}}));
        create();
        QCOMPARE(m_manager->urls().toStringList(),
                 QStringList({QStringLiteral("https://new"), QStringLiteral("https://old")}));
        QVERIFY(m_manager->codes().isEmpty());
        QVERIFY(m_manager->texts().isEmpty());
    }

    void storedDuplicates_areLoadedUnchanged()
    {
        m_store->setStoredHistory(
            record({{QStringLiteral("texts"), {QStringLiteral("a"), QStringLiteral("a")}}}));
        create();
        QCOMPARE(m_manager->texts().toStringList(),
                 QStringList({QStringLiteral("a"), QStringLiteral("a")}));
    }

    void extraKeyWithTexts_loadsAndIsDropped()
    {
        m_store->setStoredHistory(record({{QStringLiteral("texts"), {QStringLiteral("t")}},
                                          {QStringLiteral("pinned"), {QStringLiteral("p")}}}));
        create();
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("t")});
        QVERIFY(!m_store->storedListKeys().contains(QStringLiteral("pinned")));
        QCOMPARE(m_store->storedList(QStringLiteral("texts")).texts,
                 QStringList{QStringLiteral("t")});
    }

    void unreadableRecord_startsEmptyAndIsSetAsideNotOverwritten()
    {
        StoredHistory broken = record({{QStringLiteral("urls"), {QStringLiteral("https://kept")}}});
        broken.state = StoredHistory::State::Unreadable;
        broken.problem = QStringLiteral("item 3 of \"urls\" is an integer");
        m_store->setStoredHistory(broken);
        StreamCapture err(stderr);
        create();
        const QByteArray said = err.take();
        QCOMPARE(said.count('\n'), 1);
        QVERIFY(said.contains("item 3 of \"urls\" is an integer"));
        QVERIFY(m_manager->urls().isEmpty());
        QCOMPARE(m_store->setAsideRecords().size(), 1);
        QCOMPARE(m_store->setAsideRecords().constFirst().lists.value(QStringLiteral("urls")).texts,
                 QStringList{QStringLiteral("https://kept")});

        m_manager->addItem(QStringLiteral("https://new"));
        QCOMPARE(m_store->storedList(QStringLiteral("urls")).texts,
                 QStringList{QStringLiteral("https://new")});
        QCOMPARE(m_store->setAsideRecords().size(), 1);
    }

    void eachChange_writesOnlyWhatChanged()
    {
        create();
        m_manager->addItem(QStringLiteral("one"));
        m_manager->addItem(QStringLiteral("two"));
        QCOMPARE(m_store->writeCount(), 2);
        m_store->resetCounts();
        m_manager->removeItem(Category::Text, 1);
        QCOMPARE(m_store->writeCount(), 1);
        m_store->resetCounts();
        m_manager->clearHistory();
        QCOMPARE(m_store->writeCount(), 3);
    }

    void failingWrites_keepHistoryInMemoryAndCatchUpAtNextChange()
    {
        create();
        m_manager->addItem(QStringLiteral("saved"));
        m_store->setFailWrites(true);
        StreamCapture err(stderr);
        m_manager->addItem(QStringLiteral("kept in memory"));
        m_manager->removeItem(Category::Text, 1);
        QCOMPARE(err.take().count('\n'), 1);
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("kept in memory")});
        // Nothing already stored was lost while writes failed.
        QCOMPARE(m_store->storedList(QStringLiteral("texts")).texts,
                 QStringList{QStringLiteral("saved")});

        m_store->setFailWrites(false);
        m_manager->addItem(QStringLiteral("https://later"));
        QCOMPARE(m_store->storedList(QStringLiteral("texts")).texts,
                 m_manager->texts().toStringList());
        QCOMPARE(m_store->storedList(QStringLiteral("urls")).texts,
                 m_manager->urls().toStringList());

        // Back in step: a deletion is one write again.
        m_store->resetCounts();
        m_manager->removeItem(Category::Url, 0);
        QCOMPARE(m_store->writeCount(), 1);
        QVERIFY(m_store->storedList(QStringLiteral("urls")).texts.isEmpty());
    }

    void unreadableStoreAtStart_isMergedNotOverwrittenOnceReadable()
    {
        m_store->setStoredHistory(
            record({{QStringLiteral("texts"),
                     {QStringLiteral("stored newer"), QStringLiteral("stored older")}},
                    {QStringLiteral("urls"), {QStringLiteral("https://stored")}}}));
        m_store->setFailReads(true);
        m_store->setFailWrites(true);
        StreamCapture err(stderr);
        create();
        QCOMPARE(err.take().count('\n'), 1);
        QVERIFY(m_manager->texts().isEmpty());

        // Captured while the store cannot be read: kept in memory, nothing stored is touched.
        m_manager->addItem(QStringLiteral("captured meanwhile"));
        m_manager->addItem(QStringLiteral("stored older"));
        QCOMPARE(m_store->storedList(QStringLiteral("texts")).texts,
                 QStringList({QStringLiteral("stored newer"), QStringLiteral("stored older")}));

        m_store->setFailReads(false);
        m_store->setFailWrites(false);
        QSignalSpy changed(&m_manager->texts(), &QAbstractItemModel::modelReset);
        m_manager->addItem(QStringLiteral("https://later"));
        const QStringList expectedTexts{QStringLiteral("stored older"),
                                        QStringLiteral("captured meanwhile"),
                                        QStringLiteral("stored newer")};
        QCOMPARE(m_manager->texts().toStringList(), expectedTexts);
        QCOMPARE(m_manager->urls().toStringList(),
                 QStringList({QStringLiteral("https://later"), QStringLiteral("https://stored")}));
        QCOMPARE(m_store->storedList(QStringLiteral("texts")).texts, expectedTexts);
        QCOMPARE(m_store->storedList(QStringLiteral("urls")).texts,
                 m_manager->urls().toStringList());
        // The views hear of the merged lists.
        QCOMPARE(changed.count(), 1);
    }

    void realFile_historySurvivesRestart()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("history.sqlite3"));
        const QString withNul = QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b;");
        MemoryClipboard clipboard;
        ManualPollTimers timers;
        {
            SqlitePreferencesStore store(path);
            ClipboardManager manager(clipboard, store, timers);
            for (const QString &text :
                 {QStringLiteral("https://one"), QStringLiteral("x = 1"), QStringLiteral("prose"),
                  withNul, QStringLiteral("https://two"), QStringLiteral("more prose")})
                manager.addItem(text);
            manager.removeItem(Category::Text, 1);
        }
        SqlitePreferencesStore store(path);
        ClipboardManager manager(clipboard, store, timers);
        QCOMPARE(manager.urls().toStringList(),
                 QStringList({QStringLiteral("https://two"), QStringLiteral("https://one")}));
        QCOMPARE(manager.codes().toStringList(), QStringList({withNul, QStringLiteral("x = 1")}));
        QCOMPARE(manager.texts().toStringList(), QStringList{QStringLiteral("more prose")});

        manager.clearHistory();
        SqlitePreferencesStore reopened(path);
        const StoredHistory stored = reopened.loadHistory();
        for (Category category : allCategories)
            QVERIFY(stored.lists.value(listKey(category)).texts.isEmpty());
    }

private:
    void create()
    {
        m_manager = std::make_unique<ClipboardManager>(m_clipboard, *m_store, m_timers);
    }

    MemoryClipboard m_clipboard;
    ManualPollTimers m_timers;
    std::unique_ptr<MemoryPreferencesStore> m_store;
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_GUILESS_MAIN(HistoryPersistenceTest)
#include "tst_historypersistence.moc"
