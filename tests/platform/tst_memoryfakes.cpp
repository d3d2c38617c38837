// The test hooks of the in-memory clipboard and store, which the core's tests
// rely on to stage failures and look inside.
#include "MemoryClipboard.h"
#include "MemoryPreferencesStore.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class MemoryFakesTest final : public QObject
{
    Q_OBJECT

private slots:
    // Clipboard

    void clipboard_secretHidesTextUntilTheNextCopy()
    {
        MemoryClipboard clipboard;
        QSignalSpy changes(&clipboard, &Clipboard::changed);
        clipboard.setText(u"hunter2"_s);
        clipboard.setSecret(true);
        QCOMPARE(clipboard.readText(), std::nullopt);
        QCOMPARE(clipboard.text(), std::optional(u"hunter2"_s));
        clipboard.setText(u"plain"_s);
        QCOMPARE(clipboard.readText(), std::optional(u"plain"_s));
        clipboard.setText(std::nullopt);
        QCOMPARE(clipboard.readText(), std::nullopt);
        QCOMPARE(changes.size(), 4);
        QCOMPARE(clipboard.readCount(), 3);
    }

    void clipboard_writeAndClear_countedApart()
    {
        MemoryClipboard clipboard;
        clipboard.writeText(QString());
        QCOMPARE(clipboard.readText(), std::optional(QString()));
        clipboard.clear();
        QCOMPARE(clipboard.readText(), std::nullopt);
        QCOMPARE(clipboard.writeCount(), 1);
        QCOMPARE(clipboard.clearCount(), 1);
        clipboard.resetCounts();
        QCOMPARE(clipboard.readCount() + clipboard.writeCount() + clipboard.clearCount(), 0);
    }

    // Store

    void failWrites_nothingStoredChanges_boolKeptForTheSession()
    {
        MemoryPreferencesStore store;
        QVERIFY(store.insertNewest(u"texts"_s, u"kept"_s));
        store.setFailWrites(true);
        QVERIFY(!store.insertNewest(u"texts"_s, u"lost"_s));
        QVERIFY(!store.lastError().isEmpty());
        QVERIFY(!store.replaceList(u"texts"_s, {}));
        QVERIFY(!store.retainOnlyLists({}));
        QVERIFY(!store.removeItem(1));
        QVERIFY(!store.setAsideHistory());
        QSignalSpy changes(&store, &PreferencesStore::boolValueChanged);
        QVERIFY(!store.setBoolValue(u"privacyMode"_s, true));
        QCOMPARE(store.boolValue(u"privacyMode"_s), true);
        QCOMPARE(store.storedBool(u"privacyMode"_s), std::nullopt);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(store.storedList(u"texts"_s).texts, QStringList{u"kept"_s});
        QCOMPARE(store.writeCount(), 6);
        QCOMPARE(store.boolWriteCount(), 1);

        store.setFailWrites(false);
        QVERIFY(store.insertNewest(u"texts"_s, u"later"_s));
        QVERIFY(store.lastError().isEmpty());
    }

    void plantedRecord_loadedWithItsIds()
    {
        MemoryPreferencesStore store;
        StoredHistory planted;
        planted.state = StoredHistory::State::Loaded;
        planted.lists.insert(u"urls"_s, StoredList{{u"new"_s, u"old"_s}, {9, 4}});
        planted.lists.insert(u"texts"_s, StoredList{{u"t"_s}, {}});
        store.setStoredHistory(planted);
        const StoredHistory loaded = store.loadHistory();
        QCOMPARE(loaded.state, StoredHistory::State::Loaded);
        QCOMPARE(loaded.lists.value(u"urls"_s).ids, (std::vector<qint64>{9, 4}));
        QCOMPARE(loaded.lists.value(u"texts"_s).texts, QStringList{u"t"_s});
        QCOMPARE(store.storedListKeys(), (QStringList{u"texts"_s, u"urls"_s}));
        const auto id = store.insertNewest(u"urls"_s, u"newest"_s);
        QVERIFY(id && *id > 9);
    }

    void plantedUnreadableRecord_loadsUnreadable_setAsideKeepsIt()
    {
        MemoryPreferencesStore store;
        StoredHistory broken;
        broken.state = StoredHistory::State::Unreadable;
        broken.problem = u"item 3 of \"urls\" is an integer"_s;
        store.setStoredHistory(broken);
        QCOMPARE(store.loadHistory().problem, broken.problem);
        QVERIFY(store.setAsideHistory());
        QCOMPARE(store.setAsideRecords().size(), 1);
        QCOMPARE(store.setAsideRecords().constFirst().problem, broken.problem);
        QCOMPARE(store.loadHistory().state, StoredHistory::State::Absent);
    }

    void failReads_loadFailed_untilLifted()
    {
        MemoryPreferencesStore store;
        QVERIFY(store.insertNewest(u"codes"_s, u"x"_s));
        store.setFailReads(true);
        QCOMPARE(store.loadHistory().state, StoredHistory::State::Failed);
        QVERIFY(!store.lastError().isEmpty());
        store.setFailReads(false);
        QCOMPARE(store.loadHistory().lists.value(u"codes"_s).texts, QStringList{u"x"_s});
        QCOMPARE(store.loadCount(), 2);
    }
};

QTEST_GUILESS_MAIN(MemoryFakesTest)
#include "tst_memoryfakes.moc"
