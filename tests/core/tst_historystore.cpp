#include "ClipboardManager.h"
#include "MemoryClipboard.h"
#include "MemoryPreferencesStore.h"

#include <QSignalSpy>
#include <QTest>

// Adding, deduplicating, deleting through the list binding and clearing.
class HistoryStoreTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_clipboard = std::make_unique<MemoryClipboard>();
        m_store = std::make_unique<MemoryPreferencesStore>();
        m_manager = std::make_unique<ClipboardManager>(*m_clipboard, *m_store);
    }
    void cleanup()
    {
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
        QCOMPARE(m_manager->urls(), QStringList({QStringLiteral("https://b.example"),
                                                 QStringLiteral("https://a.example")}));
        QCOMPARE(m_manager->codes(), QStringList{QStringLiteral("int x = 1;")});
        QCOMPARE(m_manager->texts(), QStringList{QStringLiteral("hello there")});
        QCOMPARE(m_store->storedList(QStringLiteral("urls")).texts, m_manager->urls());
    }

    void addItemAlreadyRecorded_changesNothing()
    {
        m_manager->addItem(QStringLiteral("first"));
        m_manager->addItem(QStringLiteral("second"));
        m_store->resetCounts();
        QSignalSpy willChange(m_manager.get(), &ClipboardManager::objectWillChange);

        m_manager->addItem(QStringLiteral("first"));

        QCOMPARE(m_manager->texts(),
                 QStringList({QStringLiteral("second"), QStringLiteral("first")}));
        QCOMPARE(willChange.count(), 0);
        QCOMPARE(m_store->writeCount(), 0);
    }

    void addItemInAnotherCategory_isStillADuplicate()
    {
        // Stored lists may hold a text under a category the classifier would not give
        // it today; it is recorded already all the same.
        m_manager->setItems(Category::Code, {QStringLiteral("plain words")});
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
        QCOMPARE(m_manager->texts(), QStringList({QStringLiteral("CAF\u00c9"), precomposed}));
        // Stored exactly as given, never normalised.
        m_manager->clearHistory();
        m_manager->addItem(decomposed);
        QCOMPARE(m_manager->texts().constFirst(), decomposed);
    }

    void emptyText_isRecordedOnceAsText()
    {
        m_manager->addItem(QString());
        m_manager->addItem(QStringLiteral(""));
        QCOMPARE(m_manager->texts().size(), 1);
        QVERIFY(m_manager->texts().constFirst().isEmpty());
    }

    void addItem_announcesInsertionWithEaseInOut()
    {
        QSignalSpy willChange(m_manager.get(), &ClipboardManager::objectWillChange);
        QList<ListChange> changes;
        connect(m_manager.get(), &ClipboardManager::listChanged, this,
                [&](const ListChange &change) {
                    // Observers read the new list once told.
                    QCOMPARE(m_manager->items(change.category).constFirst(), QStringLiteral("a b"));
                    changes << change;
                });
        m_manager->addItem(QStringLiteral("a b"));
        QCOMPARE(willChange.count(), 1);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0].category, Category::Text);
        QCOMPARE(changes[0].kind, ListChange::Kind::Inserted);
        QCOMPARE(changes[0].index, 0);
        QCOMPARE(changes[0].animation.durationMs, 300);
        QCOMPARE(changes[0].animation.curve.valueForProgress(0.5), 0.5);
        QVERIFY(changes[0].animation.curve.valueForProgress(0.1) < 0.1);
    }

    void writingListBackUnchanged_stillAnnouncesAndSaves()
    {
        m_manager->addItem(QStringLiteral("kept"));
        QSignalSpy willChange(m_manager.get(), &ClipboardManager::objectWillChange);
        QSignalSpy changed(m_manager.get(), &ClipboardManager::listChanged);
        m_manager->setItemsUnchanged(Category::Text);
        QCOMPARE(willChange.count(), 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_store->storedList(QStringLiteral("texts")).texts,
                 QStringList{QStringLiteral("kept")});
    }

    void removingThroughBinding_removesThatItemAndSavesIt()
    {
        for (const char *text : {"one", "two", "three"})
            m_manager->addItem(QString::fromLatin1(text));
        m_store->resetCounts();
        m_manager->setItemsWithout(Category::Text, 1, ListAnimation::easeOut(200));
        QCOMPARE(m_manager->texts(), QStringList({QStringLiteral("three"), QStringLiteral("one")}));
        QCOMPARE(m_store->writeCount(), 1);
        QCOMPARE(m_store->storedList(QStringLiteral("texts")).texts, m_manager->texts());
        // A removed text may be recorded again.
        m_manager->addItem(QStringLiteral("two"));
        QCOMPARE(m_manager->texts().constFirst(), QStringLiteral("two"));
    }

    void indexOf_findsFirstEqualItem()
    {
        m_manager->setItems(Category::Text, {QStringLiteral("x"), QStringLiteral("cafe\u0301"),
                                             QStringLiteral("y"), QStringLiteral("caf\u00e9")});
        QCOMPARE(m_manager->indexOf(Category::Text, QStringLiteral("caf\u00e9"), 3), 1);
        QCOMPARE(m_manager->indexOf(Category::Text, QStringLiteral("y"), 2), 2);
        QCOMPARE(m_manager->indexOf(Category::Text, QStringLiteral("y"), 0), 2);
        QCOMPARE(m_manager->indexOf(Category::Text, QStringLiteral("Y")), -1);
        QCOMPARE(m_manager->indexOf(Category::Url, QStringLiteral("x")), -1);
    }

    void clearHistory_emptiesAllListsStoreAndClipboard()
    {
        m_manager->addItem(QStringLiteral("https://a.example"));
        m_manager->addItem(QStringLiteral("x = 1"));
        m_manager->addItem(QStringLiteral("words"));
        m_clipboard->setText(QStringLiteral("words"));
        QSignalSpy changed(m_manager.get(), &ClipboardManager::listChanged);

        m_manager->clearHistory();

        QCOMPARE(changed.count(), 3);
        for (Category category : allCategories) {
            QVERIFY(m_manager->items(category).isEmpty());
            QVERIFY(m_store->storedList(listKey(category)).texts.isEmpty());
        }
        QCOMPARE(m_clipboard->text(), std::nullopt);
    }

    void clearHistoryWhenEmpty_stillReplacesListsAndClearsClipboard()
    {
        m_clipboard->setText(QStringLiteral("on the clipboard"));
        m_clipboard->resetCounts();
        QSignalSpy changed(m_manager.get(), &ClipboardManager::listChanged);
        m_manager->clearHistory();
        QCOMPARE(changed.count(), 3);
        QCOMPARE(m_clipboard->clearCount(), 1);
        QCOMPARE(m_clipboard->text(), std::nullopt);
    }

private:
    std::unique_ptr<MemoryClipboard> m_clipboard;
    std::unique_ptr<MemoryPreferencesStore> m_store;
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_GUILESS_MAIN(HistoryStoreTest)
#include "tst_historystore.moc"
