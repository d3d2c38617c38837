#include "ClipboardManager.h"
#include "FailingHistoryStore.h"
#include "HistoryLookup.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "SqliteStores.h"
#include "TemporaryStore.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

// Adding, deduplicating, deleting and clearing, and how the lists announce it.
class ClipboardManagerTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_clipboard = std::make_unique<MemoryClipboard>();
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
        restart();
    }
    void cleanup()
    {
        m_testers.clear();
        m_manager.reset();
        m_store.reset();
        m_clipboard.reset();
    }

    void addItem_putsTextAtFrontOfItsCategory()
    {
        m_manager->addItem(QStringLiteral("https://a.example"));
        m_manager->addItem(QStringLiteral("int x = 1;"));
        m_manager->addItem(QStringLiteral("hello there"));
        m_manager->addItem(QStringLiteral("https://b.example"));
        QCOMPARE(m_manager->urls().toStringList(),
                 QStringList(
                     {QStringLiteral("https://b.example"), QStringLiteral("https://a.example")}));
        QCOMPARE(m_manager->codes().toStringList(), QStringList{QStringLiteral("int x = 1;")});
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("hello there")});
        QCOMPARE(m_store->history().load().lists.value(QStringLiteral("urls")).texts(),
                 m_manager->urls().toStringList());
        // Each item knows its stored row.
        QCOMPARE(m_manager->urls().storeIdAt(0),
                 m_store->history().load().lists.value(QStringLiteral("urls")).ids.front());
    }

    void addItemAlreadyRecorded_changesNothing()
    {
        m_manager->addItem(QStringLiteral("first"));
        m_manager->addItem(QStringLiteral("second"));
        m_store->failingHistory().resetCounts();
        QSignalSpy inserted(&m_manager->texts(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&m_manager->texts(), &QAbstractItemModel::modelReset);

        m_manager->addItem(QStringLiteral("first"));

        QCOMPARE(m_manager->texts().toStringList(),
                 QStringList({QStringLiteral("second"), QStringLiteral("first")}));
        QCOMPARE(inserted.count() + reset.count(), 0);
        QCOMPARE(m_store->failingHistory().writeCount(), 0);
    }

    void addItemInAnotherCategory_isStillADuplicate()
    {
        // Stored lists may hold a text under a category the classifier would not give
        // it today; it is recorded already all the same.
        plant(QStringLiteral("codes"), {QStringLiteral("plain words")});
        restart();
        m_manager->addItem(QStringLiteral("plain words"));
        QVERIFY(m_manager->texts().isEmpty());
        QCOMPARE(m_manager->codes().size(), 1);
    }

    void canonicallyEquivalentTexts_areOneText_caseCounts()
    {
        const QString precomposed = QStringLiteral("caf\u00e9");
        const QString decomposed = QStringLiteral("cafe\u0301");
        m_manager->addItem(precomposed);
        m_manager->addItem(decomposed);
        m_manager->addItem(QStringLiteral("CAF\u00c9"));
        QCOMPARE(m_manager->texts().toStringList(),
                 QStringList({QStringLiteral("CAF\u00c9"), precomposed}));
        // Stored exactly as given, never normalised.
        m_manager->clearHistory();
        m_manager->addItem(decomposed);
        QCOMPARE(m_manager->texts().textAt(0), decomposed);
    }

    void emptyText_isRecordedOnceAsText()
    {
        m_manager->addItem(QString());
        m_manager->addItem(QStringLiteral(""));
        QCOMPARE(m_manager->texts().size(), 1);
        QVERIFY(m_manager->texts().textAt(0).isEmpty());
    }

    void addItem_announcesOneInsertedRowAfterStoringIt()
    {
        QList<int> rows;
        connect(&m_manager->texts(), &QAbstractItemModel::rowsInserted, this,
                [&](const QModelIndex &, int first, int last) {
                    // Observers read the new row once told.
                    QCOMPARE(m_manager->texts().textAt(first), QStringLiteral("a b"));
                    rows << first << last;
                });
        QSignalSpy otherLists(&m_manager->urls(), &QAbstractItemModel::rowsInserted);
        m_manager->addItem(QStringLiteral("a b"));
        QCOMPARE(rows, QList<int>({0, 0}));
        QCOMPARE(otherLists.count(), 0);
        // Stored before the call returns.
        QCOMPARE(m_store->history().load().lists.value(QStringLiteral("texts")).texts(),
                 QStringList{QStringLiteral("a b")});
    }

    void deleteItemNotInList_changesAndWritesNothing()
    {
        m_manager->addItem(QStringLiteral("kept"));
        m_clipboard->setText(QStringLiteral("gone"));
        m_store->failingHistory().resetCounts();
        m_clipboard->resetCounts();
        QSignalSpy removed(&m_manager->texts(), &QAbstractItemModel::rowsRemoved);
        m_manager->deleteItem(Category::Text, QStringLiteral("gone"));
        QCOMPARE(removed.count(), 0);
        QCOMPARE(m_store->failingHistory().writeCount(), 0);
        QCOMPARE(m_clipboard->clearCount(), 0);
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("kept")});
    }

    void deleteItem_removesThatRowAndItsStoredRow()
    {
        for (const char *text : {"one", "two", "three"})
            m_manager->addItem(QString::fromLatin1(text));
        m_store->failingHistory().resetCounts();
        QSignalSpy removed(&m_manager->texts(), &QAbstractItemModel::rowsRemoved);
        HistoryLookup::deleteRow(*m_manager, Category::Text, 1);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 1);
        QCOMPARE(m_manager->texts().toStringList(),
                 QStringList({QStringLiteral("three"), QStringLiteral("one")}));
        QCOMPARE(m_store->failingHistory().writeCount(), 1);
        QCOMPARE(m_store->history().load().lists.value(QStringLiteral("texts")).texts(),
                 m_manager->texts().toStringList());
        // A removed text may be recorded again.
        m_manager->addItem(QStringLiteral("two"));
        QCOMPARE(m_manager->texts().textAt(0), QStringLiteral("two"));
    }

    void deleteItem_takesItOffTheClipboardOnlyWhenItIsThere()
    {
        for (const char *text : {"one", "two"})
            m_manager->addItem(QString::fromLatin1(text));
        m_clipboard->setText(QStringLiteral("one"));
        m_manager->deleteItem(Category::Text, QStringLiteral("two"));
        QCOMPARE(m_clipboard->text(), QStringLiteral("one"));
        // Canonically equal counts as the same text.
        m_manager->addItem(QStringLiteral("caf\u00e9"));
        m_clipboard->setText(QStringLiteral("cafe\u0301"));
        m_manager->deleteItem(Category::Text, QStringLiteral("caf\u00e9"));
        QCOMPARE(m_clipboard->text(), std::nullopt);
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("one")});
    }

    void copyToClipboard_offersExactlyTheText()
    {
        const QString text = QStringLiteral("  spaced\ttext\n");
        m_manager->copyToClipboard(text);
        QCOMPARE(m_clipboard->text(), text);
    }

    void indexOf_findsFirstEqualItem()
    {
        plant(QStringLiteral("texts"), {QStringLiteral("x"), QStringLiteral("cafe\u0301"),
                                        QStringLiteral("y"), QStringLiteral("caf\u00e9")});
        restart();
        QCOMPARE(HistoryLookup::rowOf(m_manager->list(Category::Text), QStringLiteral("caf\u00e9")),
                 1);
        QCOMPARE(HistoryLookup::rowOf(m_manager->list(Category::Text), QStringLiteral("y")), 2);
        QCOMPARE(HistoryLookup::rowOf(m_manager->list(Category::Text), QStringLiteral("Y")), -1);
        QCOMPARE(HistoryLookup::rowOf(m_manager->list(Category::Url), QStringLiteral("x")), -1);
    }

    void clearHistory_emptiesAllListsStoreAndClipboard()
    {
        m_manager->addItem(QStringLiteral("https://a.example"));
        m_manager->addItem(QStringLiteral("x = 1"));
        m_manager->addItem(QStringLiteral("words"));
        m_clipboard->setText(QStringLiteral("words"));
        std::vector<std::unique_ptr<QSignalSpy>> resets;
        for (Category category : allCategories)
            resets.push_back(std::make_unique<QSignalSpy>(&m_manager->list(category),
                                                          &QAbstractItemModel::modelReset));

        m_manager->clearHistory();

        for (const auto &reset : resets)
            QCOMPARE(reset->count(), 1);
        for (Category category : allCategories) {
            QVERIFY(m_manager->list(category).isEmpty());
            QVERIFY(m_store->history().load().lists.value(listKey(category)).texts().isEmpty());
        }
        QCOMPARE(m_clipboard->text(), std::nullopt);
    }

    void clearHistoryWhenEmpty_stillReplacesListsAndClearsClipboard()
    {
        m_clipboard->setText(QStringLiteral("on the clipboard"));
        m_clipboard->resetCounts();
        m_store->failingHistory().resetCounts();
        QSignalSpy reset(&m_manager->texts(), &QAbstractItemModel::modelReset);
        m_manager->clearHistory();
        QCOMPARE(reset.count(), 1);
        // One statement per list, so nothing of another list can survive.
        QCOMPARE(m_store->failingHistory().writeCount(), 3);
        QCOMPARE(m_clipboard->clearCount(), 1);
        QCOMPARE(m_clipboard->text(), std::nullopt);
    }

    void pinnedItems_standFirstInPinOrder_surviveRestartAndClear_stayDuplicates()
    {
        for (const char *text : {"a", "b", "c", "d"})
            m_manager->addItem(QString::fromLatin1(text));
        m_manager->setPinned(Category::Text, QStringLiteral("b"), true);
        m_manager->setPinned(Category::Text, QStringLiteral("a"), true);
        QCOMPARE(shown(), words("b a d c"));
        // The list itself keeps its order; the shown list marks its pinned rows.
        QCOMPARE(m_manager->texts().toStringList(), words("d c b a"));
        const PinnedFirstList &list = m_manager->shownList(Category::Text);
        QCOMPARE(list.index(1).data(PinnedFirstList::PinnedRole), QVariant(true));
        QCOMPARE(list.index(2).data(PinnedFirstList::PinnedRole), QVariant(false));

        // A pinned text copied again is refused as any other; a new one goes
        // below the pinned rows.
        m_manager->addItem(QStringLiteral("b"));
        m_manager->addItem(QStringLiteral("e"));
        QCOMPARE(shown(), words("b a e d c"));

        restart();
        QCOMPARE(shown(), words("b a e d c"));
        m_manager->setPinned(Category::Text, QStringLiteral("b"), false);
        QCOMPARE(shown(), words("a e d c b"));
        m_manager->setPinned(Category::Text, QStringLiteral("b"), true);
        QCOMPARE(shown(), words("a b e d c"));
        QVERIFY(m_manager->hasPinnedItems());

        m_manager->addItem(QStringLiteral("https://u.example"));
        m_manager->clearHistory();
        QCOMPARE(shown(), words("a b"));
        QVERIFY(m_manager->urls().isEmpty());
        restart();
        QCOMPARE(shown(), words("a b"));

        // Deleting a pinned item deletes it and its pin.
        m_manager->deleteItem(Category::Text, QStringLiteral("a"));
        restart();
        QCOMPARE(shown(), words("b"));
        QCOMPARE(m_store->history().load().pins.size(), std::size_t(1));
        m_manager->setPinned(Category::Text, QStringLiteral("b"), false);
        QVERIFY(!m_manager->hasPinnedItems());
        m_manager->clearHistory();
        QVERIFY(shown().isEmpty());
    }

    // Changes waiting while the store refuses writes reach it before the clear.
    void clearWhileWritesWait_leavesOnlyWhatIsPinnedNow()
    {
        for (const char *text : {"x", "y", "z"})
            m_manager->addItem(QString::fromLatin1(text));
        m_manager->setPinned(Category::Text, QStringLiteral("x"), true);
        m_manager->setPinned(Category::Text, QStringLiteral("y"), true);
        m_store->settle();
        m_store->failingHistory().setFailWrites(true);
        m_manager->setPinned(Category::Text, QStringLiteral("x"), false);
        m_manager->deleteItem(Category::Text, QStringLiteral("y"));
        m_manager->setPinned(Category::Text, QStringLiteral("z"), true);
        m_manager->clearHistory();
        m_store->failingHistory().setFailWrites(false);
        m_store->failingHistory().writer()->retrySoon();
        m_store->settle();
        restart();
        QCOMPARE(shown(), words("z"));
    }

private:
    QStringList shown() const { return m_manager->shownList(Category::Text).toStringList(); }
    static QStringList words(const char *spaced)
    {
        return QString::fromLatin1(spaced).split(u' ', Qt::SkipEmptyParts);
    }
    // Stores a list as an earlier session would have.
    void plant(const QString &key, const QStringList &texts)
    {
        QVERIFY(m_store->history().replaceList(key, texts).ok());
    }
    // A new manager over the same store, as at the next start; every list is
    // checked as a model while it lives.
    void restart()
    {
        m_testers.clear();
        m_manager.reset();
        m_manager = std::make_unique<ClipboardManager>(*m_clipboard, m_store->preferences(),
                                                       m_store->failingHistory(), m_timers);
        for (Category category : allCategories) {
            m_testers.push_back(std::make_unique<QAbstractItemModelTester>(
                &m_manager->list(category),
                QAbstractItemModelTester::FailureReportingMode::QtTest));
            m_testers.push_back(std::make_unique<QAbstractItemModelTester>(
                &m_manager->shownList(category),
                QAbstractItemModelTester::FailureReportingMode::QtTest));
        }
    }

    std::unique_ptr<MemoryClipboard> m_clipboard;
    std::unique_ptr<TemporaryStore> m_store;
    ManualPollTimers m_timers;
    std::unique_ptr<ClipboardManager> m_manager;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> m_testers;
};

QTEST_GUILESS_MAIN(ClipboardManagerTest)
#include "tst_clipboardmanager.moc"
