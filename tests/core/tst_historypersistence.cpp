#include "ClipboardManager.h"
#include "FailingHistoryStore.h"
#include "HistoryLookup.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "ProgramMessages.h"
#include "SqliteStores.h"
#include "SqliteTestUtil.h"
#include "StreamCapture.h"
#include "TemporaryStore.h"

#include <QSignalSpy>
#include <QTest>

// Loading the stored history, writing only what changed, and what happens when
// the store misbehaves; against a real store file.
class HistoryPersistenceTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_messages = std::make_unique<ProgramMessages>();
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
    }
    void cleanup()
    {
        m_manager.reset();
        m_store.reset();
        m_messages.reset();
    }

    void firstStart_startsEmptyAndWritesNothing()
    {
        create();
        for (Category category : allCategories)
            QVERIFY(m_manager->list(category).isEmpty());
        QCOMPARE(failing().writeCount(), 0);
        QCOMPARE(m_store->history().load().state, HistoryRecord::State::Absent);
    }

    void storedLists_loadInOrder_missingKeysEmpty()
    {
        plant(QStringLiteral("urls"),
              {QStringLiteral("https://new"), QStringLiteral("https://old")});
        create();
        QCOMPARE(m_manager->urls().toStringList(),
                 QStringList({QStringLiteral("https://new"), QStringLiteral("https://old")}));
        QVERIFY(m_manager->codes().isEmpty());
        QVERIFY(m_manager->texts().isEmpty());
        // Each item knows its row, so deleting one deletes that row only.
        HistoryLookup::deleteRow(*m_manager, Category::Url, 1);
        QCOMPARE(stored(QStringLiteral("urls")), QStringList{QStringLiteral("https://new")});
    }

    void storedDuplicates_areLoadedUnchanged()
    {
        plant(QStringLiteral("texts"), {QStringLiteral("a"), QStringLiteral("a")});
        create();
        QCOMPARE(m_manager->texts().toStringList(),
                 QStringList({QStringLiteral("a"), QStringLiteral("a")}));
    }

    void rowsOfOtherLists_neitherLoadedNorDeleted()
    {
        plant(QStringLiteral("texts"), {QStringLiteral("t")});
        plant(QStringLiteral("pinned"), {QStringLiteral("p")});
        // A newer version's list may hold what this one cannot read.
        QCOMPARE(SqliteTestUtil::exec(m_store->path(),
                                      QStringLiteral("INSERT INTO clipboard_data(list, item) "
                                                     "VALUES('images', x'89504e47')")),
                 QString());
        StreamCapture err(stderr);
        create();
        m_store->settle();
        QCOMPARE(err.take(), QByteArray());
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("t")});
        QCOMPARE(otherRows(), qint64(2));

        // Neither single changes nor whole rewrites touch them.
        m_manager->addItem(QStringLiteral("u"));
        failing().failNextWrites(1);
        m_manager->addItem(QStringLiteral("https://rewritten"));
        m_manager->addItem(QStringLiteral("v"));
        QCOMPARE(stored(QStringLiteral("texts")),
                 QStringList({QStringLiteral("v"), QStringLiteral("u"), QStringLiteral("t")}));
        m_manager->clearHistory();
        QCOMPARE(otherRows(), qint64(2));
        QCOMPARE(setAsideTable(), QString());
    }

    void unreadableRecord_startsEmptyAndIsSetAsideNotOverwritten()
    {
        plant(QStringLiteral("urls"), {QStringLiteral("https://kept")});
        QCOMPARE(SqliteTestUtil::exec(m_store->path(),
                                      QStringLiteral("INSERT INTO clipboard_data(list, item) "
                                                     "VALUES('urls', 3)")),
                 QString());
        StreamCapture err(stderr);
        create();
        const QByteArray said = err.take();
        QCOMPARE(said.count('\n'), 1);
        QVERIFY2(said.contains("of \"urls\" is an integer"), said.constData());
        QVERIFY(m_manager->urls().isEmpty());
        const QString keptIn = setAsideTable();
        QVERIFY(!keptIn.isEmpty());
        QCOMPARE(SqliteTestUtil::value(
                     m_store->path(),
                     QStringLiteral("SELECT item FROM %1 ORDER BY id LIMIT 1").arg(keptIn)),
                 QVariant(QStringLiteral("https://kept")));

        m_manager->addItem(QStringLiteral("https://new"));
        QCOMPARE(stored(QStringLiteral("urls")), QStringList{QStringLiteral("https://new")});
        // Kept once, never overwritten.
        QCOMPARE(setAsideTable(), keptIn);
        QCOMPARE(SqliteTestUtil::value(m_store->path(),
                                       QStringLiteral("SELECT count(*) FROM %1").arg(keptIn)),
                 QVariant(qint64(2)));
    }

    void eachChange_writesOnlyWhatChanged()
    {
        create();
        m_manager->addItem(QStringLiteral("one"));
        m_manager->addItem(QStringLiteral("two"));
        QCOMPARE(failing().writeCount(), 2);
        failing().resetCounts();
        HistoryLookup::deleteRow(*m_manager, Category::Text, 1);
        QCOMPARE(failing().writeCount(), 1);
        failing().resetCounts();
        m_manager->clearHistory();
        QCOMPARE(failing().writeCount(), 3);
    }

    void failingWrites_keepHistoryInMemoryAndCatchUpAtNextChange()
    {
        create();
        m_manager->addItem(QStringLiteral("saved"));
        m_store->settle();
        failing().setFailWrites(true);
        StreamCapture err(stderr);
        m_manager->addItem(QStringLiteral("kept in memory"));
        HistoryLookup::deleteRow(*m_manager, Category::Text, 1);
        m_store->settle();
        QCOMPARE(err.take().count('\n'), 1);
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("kept in memory")});
        // Nothing already stored was lost while writes failed.
        QCOMPARE(stored(QStringLiteral("texts")), QStringList{QStringLiteral("saved")});

        failing().setFailWrites(false);
        StreamCapture recovered(stderr);
        m_manager->addItem(QStringLiteral("https://later"));
        m_store->settle();
        QCOMPARE(recovered.take(), QByteArray("brimvale: the clipboard history is saved again\n"));
        QCOMPARE(stored(QStringLiteral("texts")), m_manager->texts().toStringList());
        QCOMPARE(stored(QStringLiteral("urls")), m_manager->urls().toStringList());

        // Back in step: a deletion is one write again, of the right row.
        failing().resetCounts();
        HistoryLookup::deleteRow(*m_manager, Category::Url, 0);
        QCOMPARE(failing().writeCount(), 1);
        QVERIFY(stored(QStringLiteral("urls")).isEmpty());
        QCOMPARE(stored(QStringLiteral("texts")), QStringList{QStringLiteral("kept in memory")});
    }

    void unreadableStoreAtStart_isMergedNotOverwrittenOnceReadable()
    {
        plant(QStringLiteral("texts"),
              {QStringLiteral("stored newer"), QStringLiteral("stored older")});
        plant(QStringLiteral("urls"), {QStringLiteral("https://stored")});
        failing().setFailReads(true);
        failing().setFailWrites(true);
        StreamCapture err(stderr);
        create();
        m_store->settle();
        QCOMPARE(err.take().count('\n'), 1);
        QVERIFY(m_manager->texts().isEmpty());

        // Captured while the store cannot be read: kept in memory, nothing stored is touched.
        m_manager->addItem(QStringLiteral("captured meanwhile"));
        m_manager->addItem(QStringLiteral("stored older"));
        QCOMPARE(stored(QStringLiteral("texts")),
                 QStringList({QStringLiteral("stored newer"), QStringLiteral("stored older")}));

        failing().setFailReads(false);
        failing().setFailWrites(false);
        QSignalSpy changed(&m_manager->texts(), &QAbstractItemModel::modelReset);
        m_manager->addItem(QStringLiteral("https://later"));
        m_store->settle();
        const QStringList expectedTexts{QStringLiteral("stored older"),
                                        QStringLiteral("captured meanwhile"),
                                        QStringLiteral("stored newer")};
        QCOMPARE(m_manager->texts().toStringList(), expectedTexts);
        QCOMPARE(m_manager->urls().toStringList(),
                 QStringList({QStringLiteral("https://later"), QStringLiteral("https://stored")}));
        QCOMPARE(stored(QStringLiteral("texts")), expectedTexts);
        QCOMPARE(stored(QStringLiteral("urls")), m_manager->urls().toStringList());
        // The views hear of the merged lists.
        QCOMPARE(changed.count(), 1);
        // The merged items were given their rows: a deletion removes just that one.
        HistoryLookup::deleteRow(*m_manager, Category::Text, 2);
        QCOMPARE(stored(QStringLiteral("texts")), expectedTexts.mid(0, 2));
    }

    // Items not stored yet take their pins along when they are stored; the
    // stored record's pins survive the merge.
    void pinsWhileStoreUnreadable_storedWithTheMerge()
    {
        plant(QStringLiteral("texts"), {QStringLiteral("stored pinned"), QStringLiteral("stored")});
        const std::vector<qint64> plantedIds =
            m_store->history().load().lists.value(QStringLiteral("texts")).ids;
        QVERIFY(m_store->history().pinItem(plantedIds.front()).ok());
        failing().setFailReads(true);
        failing().setFailWrites(true);
        StreamCapture err(stderr);
        create();
        m_store->settle();
        m_manager->addItem(QStringLiteral("captured pinned"));
        m_manager->addItem(QStringLiteral("captured"));
        m_manager->setPinned(Category::Text, QStringLiteral("captured pinned"), true);

        failing().setFailReads(false);
        failing().setFailWrites(false);
        m_manager->addItem(QStringLiteral("https://later"));
        m_store->settle();
        const QStringList shown{QStringLiteral("captured pinned"), QStringLiteral("stored pinned"),
                                QStringLiteral("captured"), QStringLiteral("stored")};
        QCOMPARE(m_manager->shownList(Category::Text).toStringList(), shown);
        m_manager.reset();
        m_store->restart();
        create();
        QCOMPARE(m_manager->shownList(Category::Text).toStringList(), shown);
    }

    // The history's end gives up only its own waiting writes.
    void quitWhileFileLocked_preferenceStillWrittenOnceReleased()
    {
        create();
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_store->path()).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        m_store->preferences().setPrivacyMode(true);
        m_manager.reset();
        QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        QVERIFY(m_store->preferences().flush().ok());
        m_store->restart();
        QCOMPARE(m_store->preferences().privacyMode(), true);
    }

    void restart_historySurvivesWithOddTexts()
    {
        const QString withNul = QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b;");
        create();
        for (const QString &text :
             {QStringLiteral("https://one"), QStringLiteral("x = 1"), QStringLiteral("prose"),
              withNul, QStringLiteral("https://two"), QStringLiteral("more prose")})
            m_manager->addItem(text);
        HistoryLookup::deleteRow(*m_manager, Category::Text, 1);
        m_manager.reset();
        m_store->restart();
        create();
        QCOMPARE(m_manager->urls().toStringList(),
                 QStringList({QStringLiteral("https://two"), QStringLiteral("https://one")}));
        QCOMPARE(m_manager->codes().toStringList(),
                 QStringList({withNul, QStringLiteral("x = 1")}));
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("more prose")});

        m_manager->clearHistory();
        m_manager.reset();
        SqliteStores reopened(m_store->path());
        const HistoryRecord record = reopened.history.load();
        for (Category category : allCategories)
            QVERIFY(record.lists.value(listKey(category)).texts().isEmpty());
    }

private:
    FailingHistoryStore &failing() { return m_store->failingHistory(); }

    void create()
    {
        m_manager = std::make_unique<ClipboardManager>(m_clipboard, m_store->preferences(),
                                                       failing(), m_timers);
    }
    // Stores a list as an earlier session would have.
    void plant(const QString &key, const QStringList &texts)
    {
        QVERIFY(m_store->history().replaceList(key, texts).ok());
    }
    QStringList stored(const QString &key)
    {
        m_store->settle();
        return m_store->history().loadLists({key}).lists.value(key).texts();
    }
    qint64 otherRows() const
    {
        return SqliteTestUtil::value(
                   m_store->path(), QStringLiteral("SELECT count(*) FROM clipboard_data WHERE list "
                                                   "NOT IN ('urls', 'codes', 'texts')"))
            .value_or(QVariant())
            .toLongLong();
    }
    QString setAsideTable() const
    {
        return SqliteTestUtil::value(m_store->path(),
                                     QStringLiteral("SELECT name FROM sqlite_schema WHERE name "
                                                    "LIKE 'clipboard_data_unreadable_%'"))
            .value_or(QVariant())
            .toString();
    }

    // The history's reports are read as the program writes them.
    std::unique_ptr<ProgramMessages> m_messages;
    MemoryClipboard m_clipboard;
    ManualPollTimers m_timers;
    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_GUILESS_MAIN(HistoryPersistenceTest)
#include "tst_historypersistence.moc"
