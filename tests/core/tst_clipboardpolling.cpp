#include "ClipboardManager.h"
#include "HistoryLookup.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "SqliteStores.h"
#include "TemporaryStore.h"

#include <QSignalSpy>
#include <QTest>

// What a clipboard tick does, and how the polling timers come and go.
class ClipboardPollingTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_clipboard = std::make_unique<MemoryClipboard>();
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
    }
    void cleanup()
    {
        m_manager.reset();
        m_store.reset();
        m_clipboard.reset();
    }

    void textOnClipboardAtStart_isRecordedOnFirstTick()
    {
        m_clipboard->setText(QStringLiteral("already there"));
        create();
        QCoreApplication::processEvents();
        QVERIFY(m_manager->texts().isEmpty());
        m_timers.tickAll();
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("already there")});
    }

    void realTimers_pollOncePerInterval()
    {
        QtPollTimers timers;
        m_manager = std::make_unique<ClipboardManager>(*m_clipboard, m_store->preferences(),
                                                       m_store->history(), timers);
        // Without a change notice only the timer can notice the text.
        m_clipboard->blockSignals(true);
        m_clipboard->setText(QStringLiteral("found by polling"));
        m_clipboard->blockSignals(false);
        QTRY_COMPARE_WITH_TIMEOUT(m_manager->texts().toStringList(),
                                  QStringList{QStringLiteral("found by polling")}, 3000);
        m_manager.reset();
    }

    void tick_postsAddItemInsteadOfChangingListsItself()
    {
        create();
        m_clipboard->setText(QStringLiteral("posted"));
        // setText() notifies and the tick runs at once, but the lists change only
        // once the queued addItem runs.
        QCOMPARE(m_clipboard->readCount(), 1);
        QVERIFY(m_manager->texts().isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("posted")});
    }

    void sameTextAgain_isNotHandedOn_AthenBthenA_isIgnoredByAddItem()
    {
        create();
        copy(QStringLiteral("A"));
        copy(QStringLiteral("B"));
        QSignalSpy inserted(&m_manager->texts(), &QAbstractItemModel::rowsInserted);
        copy(QStringLiteral("A"));
        m_manager->checkClipboard();
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->texts().toStringList(),
                 QStringList({QStringLiteral("B"), QStringLiteral("A")}));
        QCOMPARE(inserted.count(), 0);
        // "A" is the last text seen now: removed from the history, it stays away
        // until the clipboard changes.
        HistoryLookup::deleteRow(*m_manager, Category::Text, 1);
        m_manager->checkClipboard();
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("B")});
    }

    void twoTextsWithinOneSecond_areBothRecorded()
    {
        create();
        m_clipboard->setText(QStringLiteral("first quickly"));
        m_clipboard->setText(QStringLiteral("then another"));
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->texts().toStringList(),
                 QStringList({QStringLiteral("then another"), QStringLiteral("first quickly")}));
    }

    void privacyMode_readsNothingAndKeepsLastCopiedText()
    {
        create();
        copy(QStringLiteral("before"));
        m_store->preferences().setPrivacyMode(true);
        QVERIFY(m_store->preferences().flush().ok());
        m_clipboard->resetCounts();
        copy(QStringLiteral("secret stuff"));
        m_manager->checkClipboard();
        QCOMPARE(m_clipboard->readCount(), 0);
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("before")});

        // Switched off, what was copied meanwhile is the last text seen, never
        // recorded; the next copy is.
        m_store->preferences().setPrivacyMode(false);
        QVERIFY(m_store->preferences().flush().ok());
        m_manager->checkClipboard();
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->texts().toStringList(), QStringList{QStringLiteral("before")});
        copy(QStringLiteral("after"));
        QCOMPARE(m_manager->texts().textAt(0), QStringLiteral("after"));
    }

    void noPlainText_endsTickAndKeepsLastCopiedText()
    {
        create();
        copy(QStringLiteral("text"));
        HistoryLookup::deleteRow(*m_manager, Category::Text, 0);
        copy(std::nullopt);
        // "text" is still the last text seen, so it is not recorded again.
        copy(QStringLiteral("text"));
        QVERIFY(m_manager->texts().isEmpty());
    }

    void passwordManagerSecret_isNeverRecorded()
    {
        create();
        copy(QStringLiteral("visible"));
        // The password manager's copy arrives with its mark in one go.
        m_clipboard->blockSignals(true);
        m_clipboard->setText(QStringLiteral("hunter2"));
        m_clipboard->blockSignals(false);
        m_clipboard->setSecret(true);
        m_manager->checkClipboard();
        QCoreApplication::processEvents();
        QVERIFY(!HistoryLookup::isRecorded(*m_manager, QStringLiteral("hunter2")));
        QCOMPARE(m_store->history().load().lists.value(QStringLiteral("texts")).texts(),
                 QStringList{QStringLiteral("visible")});
    }

    void emptyString_isAcceptedOnce()
    {
        create();
        copy(QString());
        copy(QString());
        QCOMPARE(m_manager->texts().size(), 1);
        QCOMPARE(m_manager->texts().textAt(0), QString());
    }

    void afterDeletion_copyingLastSeenTextAgainIsNotRecorded()
    {
        create();
        copy(QStringLiteral("gone soon"));
        HistoryLookup::deleteRow(*m_manager, Category::Text, 0);
        copy(QStringLiteral("gone soon"));
        QVERIFY(m_manager->texts().isEmpty());
        copy(QStringLiteral("something else"));
        copy(QStringLiteral("gone soon"));
        QCOMPARE(m_manager->texts().toStringList(),
                 QStringList({QStringLiteral("gone soon"), QStringLiteral("something else")}));
    }

    void afterClear_lastCopiedTextIsKept()
    {
        create();
        copy(QStringLiteral("last one"));
        m_manager->clearHistory();
        copy(QStringLiteral("last one"));
        QVERIFY(m_manager->texts().isEmpty());
    }

    void copyingBackAnItem_neverMovesOrDuplicatesIt()
    {
        create();
        copy(QStringLiteral("old"));
        copy(QStringLiteral("new"));
        m_clipboard->writeText(QStringLiteral("old"));
        m_manager->checkClipboard();
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->texts().toStringList(),
                 QStringList({QStringLiteral("new"), QStringLiteral("old")}));
    }

    void timers_startAddsOneAndStopStopsOnlyTheLatest()
    {
        create();
        QCOMPARE(m_timers.runningCount(), 1);
        m_manager->startMonitoring();
        QCOMPARE(m_timers.runningCount(), 2);
        m_manager->stopMonitoring();
        QCOMPARE(m_timers.runningCount(), 1);
        // A second stop has no timer of its own to stop: the first one keeps running.
        m_manager->stopMonitoring();
        QCOMPARE(m_timers.runningCount(), 1);
        m_manager->startMonitoring();
        m_manager->startMonitoring();
        QCOMPARE(m_timers.runningCount(), 3);
        m_manager->stopMonitoring();
        QCOMPARE(m_timers.runningCount(), 2);
    }

    void afterManyOpenAndClose_pollingGoesOn()
    {
        create();
        for (int i = 0; i < 20; ++i) {
            m_manager->startMonitoring();
            m_manager->stopMonitoring();
        }
        // Stopped timers are let go, not kept one per opening.
        QCOMPARE(m_timers.runningCount(), 1);
        // Without a change notice only the timer can notice the text.
        QSignalSpy ticks(m_clipboard.get(), &MemoryClipboard::changed);
        m_clipboard->blockSignals(true);
        m_clipboard->setText(QStringLiteral("found by polling"));
        m_clipboard->blockSignals(false);
        m_timers.tickAll();
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->texts().toStringList(),
                 QStringList{QStringLiteral("found by polling")});
        QCOMPARE(ticks.count(), 0);
    }

    void clipboardAnnouncingEveryChange_isNeverPolled()
    {
        MemoryClipboard announcing(Clipboard::ChangeNotices::Every);
        announcing.setText(QStringLiteral("already there"));
        ClipboardManager manager(announcing, m_store->preferences(), m_store->history(), m_timers);
        QCOMPARE(m_timers.runningCount(), 0);
        // What it held before anyone listened is taken once the event loop runs,
        // without waiting for a tick.
        QVERIFY(manager.texts().isEmpty());
        QTRY_COMPARE(manager.texts().toStringList(), QStringList{QStringLiteral("already there")});
        // The panel's opening and closing start and stop nothing either.
        manager.startMonitoring();
        QCOMPARE(m_timers.runningCount(), 0);
        manager.stopMonitoring();
        announcing.setText(QStringLiteral("announced"));
        QCoreApplication::processEvents();
        QCOMPARE(manager.texts().textAt(0), QStringLiteral("announced"));

        // Copying back from the history may come unannounced, and no tick sees it:
        // a later copy of the text seen before it still counts as new.
        HistoryLookup::deleteRow(manager, Category::Text, 0);
        announcing.blockSignals(true);
        manager.copyToClipboard(QStringLiteral("already there"));
        announcing.blockSignals(false);
        announcing.setText(QStringLiteral("announced"));
        QCoreApplication::processEvents();
        QCOMPARE(manager.texts().toStringList(),
                 QStringList({QStringLiteral("announced"), QStringLiteral("already there")}));
    }

private:
    void create()
    {
        m_manager = std::make_unique<ClipboardManager>(*m_clipboard, m_store->preferences(),
                                                       m_store->history(), m_timers);
    }
    // Another application copies; the change notice runs a tick, then the posted
    // addItem runs.
    void copy(const std::optional<QString> &text)
    {
        m_clipboard->setText(text);
        QCoreApplication::processEvents();
    }

    std::unique_ptr<MemoryClipboard> m_clipboard;
    std::unique_ptr<TemporaryStore> m_store;
    ManualPollTimers m_timers;
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_GUILESS_MAIN(ClipboardPollingTest)
#include "tst_clipboardpolling.moc"
