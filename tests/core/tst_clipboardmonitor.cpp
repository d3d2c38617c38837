#include "ClipboardManager.h"
#include "MemoryClipboard.h"
#include "MemoryPreferencesStore.h"

#include <QSignalSpy>
#include <QTest>

// What a clipboard tick does, and how the polling timers come and go.
class ClipboardMonitorTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_clipboard = std::make_unique<MemoryClipboard>();
        m_store = std::make_unique<MemoryPreferencesStore>();
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
        QCOMPARE(m_manager->lastCopiedText(), std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(m_manager->texts(), QStringList{QStringLiteral("already there")},
                                  3000);
    }

    void tick_postsAddItemInsteadOfChangingListsItself()
    {
        create();
        m_clipboard->setText(QStringLiteral("posted"));
        // setText() notifies; the tick it runs records the text as seen...
        QCOMPARE(m_manager->lastCopiedText(), QStringLiteral("posted"));
        // ...but the lists change only once the queued addItem runs.
        QVERIFY(m_manager->texts().isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->texts(), QStringList{QStringLiteral("posted")});
    }

    void sameTextAgain_isNotHandedOn_AthenBthenA_isIgnoredByAddItem()
    {
        create();
        copy(QStringLiteral("A"));
        copy(QStringLiteral("B"));
        QSignalSpy willChange(m_manager.get(), &ClipboardManager::objectWillChange);
        copy(QStringLiteral("A"));
        m_manager->checkClipboard();
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->lastCopiedText(), QStringLiteral("A"));
        QCOMPARE(m_manager->texts(), QStringList({QStringLiteral("B"), QStringLiteral("A")}));
        QCOMPARE(willChange.count(), 0);
    }

    void twoTextsWithinOneSecond_areBothRecorded()
    {
        create();
        m_clipboard->setText(QStringLiteral("first quickly"));
        m_clipboard->setText(QStringLiteral("then another"));
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->texts(),
                 QStringList({QStringLiteral("then another"), QStringLiteral("first quickly")}));
    }

    void privacyMode_readsNothingAndKeepsLastCopiedText()
    {
        create();
        copy(QStringLiteral("before"));
        m_store->setBoolValue(PreferenceKeys::privacyMode, true);
        m_clipboard->resetCounts();
        copy(QStringLiteral("secret stuff"));
        m_manager->checkClipboard();
        QCOMPARE(m_clipboard->readCount(), 0);
        QCOMPARE(m_manager->lastCopiedText(), QStringLiteral("before"));
        QCOMPARE(m_manager->texts(), QStringList{QStringLiteral("before")});

        // Switched off, the next tick takes what was copied meanwhile.
        m_store->setBoolValue(PreferenceKeys::privacyMode, false);
        m_manager->checkClipboard();
        QCoreApplication::processEvents();
        QCOMPARE(m_manager->texts().constFirst(), QStringLiteral("secret stuff"));
    }

    void noPlainText_endsTickAndKeepsLastCopiedText()
    {
        create();
        copy(QStringLiteral("text"));
        copy(std::nullopt);
        QCOMPARE(m_manager->lastCopiedText(), QStringLiteral("text"));
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
        QCOMPARE(m_manager->lastCopiedText(), QStringLiteral("visible"));
        QVERIFY(!m_manager->contains(QStringLiteral("hunter2")));
        QCOMPARE(m_store->storedList(QStringLiteral("texts")).texts,
                 QStringList{QStringLiteral("visible")});
    }

    void emptyString_isAcceptedOnce()
    {
        create();
        copy(QString());
        QCOMPARE(m_manager->lastCopiedText(), QString());
        QCOMPARE(m_manager->texts().size(), 1);
    }

    void afterDeletion_copyingLastSeenTextAgainIsNotRecorded()
    {
        create();
        copy(QStringLiteral("gone soon"));
        m_manager->setItemsWithout(Category::Text, 0, ListAnimation::none());
        copy(QStringLiteral("gone soon"));
        QVERIFY(m_manager->texts().isEmpty());
        copy(QStringLiteral("something else"));
        copy(QStringLiteral("gone soon"));
        QCOMPARE(m_manager->texts(),
                 QStringList({QStringLiteral("gone soon"), QStringLiteral("something else")}));
    }

    void afterClear_lastCopiedTextIsKept()
    {
        create();
        copy(QStringLiteral("last one"));
        m_manager->clearHistory();
        QCOMPARE(m_manager->lastCopiedText(), QStringLiteral("last one"));
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
        QCOMPARE(m_manager->texts(), QStringList({QStringLiteral("new"), QStringLiteral("old")}));
    }

    void timers_startAddsOneAndStopStopsOnlyTheLatest()
    {
        create();
        QCOMPARE(m_manager->runningTimerCount(), 1);
        m_manager->startMonitoring();
        QCOMPARE(m_manager->runningTimerCount(), 2);
        m_manager->stopMonitoring();
        QCOMPARE(m_manager->runningTimerCount(), 1);
        // A second stop has no timer of its own to stop: the first one keeps running.
        m_manager->stopMonitoring();
        QCOMPARE(m_manager->runningTimerCount(), 1);
        m_manager->startMonitoring();
        m_manager->startMonitoring();
        QCOMPARE(m_manager->runningTimerCount(), 3);
        m_manager->stopMonitoring();
        QCOMPARE(m_manager->runningTimerCount(), 2);
    }

    void afterManyOpenAndClose_pollingGoesOn()
    {
        create();
        for (int i = 0; i < 20; ++i) {
            m_manager->startMonitoring();
            m_manager->stopMonitoring();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(m_manager->findChildren<QObject *>().size(), 1);
        // Without a change notice only the timer can notice the text.
        QSignalSpy ticks(m_clipboard.get(), &MemoryClipboard::changed);
        m_clipboard->blockSignals(true);
        m_clipboard->setText(QStringLiteral("found by polling"));
        m_clipboard->blockSignals(false);
        QTRY_COMPARE_WITH_TIMEOUT(m_manager->texts(),
                                  QStringList{QStringLiteral("found by polling")}, 3000);
        QCOMPARE(ticks.count(), 0);
    }

private:
    void create() { m_manager = std::make_unique<ClipboardManager>(*m_clipboard, *m_store); }
    // Another application copies; the change notice runs a tick, then the posted
    // addItem runs.
    void copy(const std::optional<QString> &text)
    {
        m_clipboard->setText(text);
        QCoreApplication::processEvents();
    }

    std::unique_ptr<MemoryClipboard> m_clipboard;
    std::unique_ptr<MemoryPreferencesStore> m_store;
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_GUILESS_MAIN(ClipboardMonitorTest)
#include "tst_clipboardmonitor.moc"
