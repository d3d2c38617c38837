// Privacy Mode keeps what is copied while it is on out of the history, also once
// it goes off again, however it went off, and across a restart.
#include "ClipboardManager.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "MemoryPreferences.h"
#include "SqliteStores.h"
#include "TemporaryStore.h"

#include <QTest>

using namespace Qt::StringLiterals;

class PrivacyModeTest final : public QObject
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

    void switchedOff_textCopiedWhileOn_isNeverRecorded()
    {
        create(m_store->preferences());
        copy(u"before"_s);
        m_store->preferences().setPrivacyMode(true);
        QVERIFY(m_store->preferences().flush().ok());
        copy(u"secret-password-123"_s);
        tick();
        m_store->preferences().setPrivacyMode(false);
        QVERIFY(m_store->preferences().flush().ok());
        tick();
        tick();
        QCOMPARE(m_manager->texts().toStringList(), QStringList{u"before"_s});
        QCOMPARE(storedTexts(), QStringList{u"before"_s});

        // What is copied after is recorded as usual.
        copy(u"after"_s);
        QCOMPARE(m_manager->texts().toStringList(), QStringList({u"after"_s, u"before"_s}));
        QCOMPARE(storedTexts(), QStringList({u"after"_s, u"before"_s}));
    }

    void switchedOff_afterSeveralCopies_noneOfThemIsRecorded()
    {
        create(m_store->preferences());
        m_store->preferences().setPrivacyMode(true);
        QVERIFY(m_store->preferences().flush().ok());
        copy(u"first secret"_s);
        copy(u"second secret"_s);
        m_store->preferences().setPrivacyMode(false);
        QVERIFY(m_store->preferences().flush().ok());
        tick();
        QVERIFY(m_manager->texts().isEmpty());
        // Copying an earlier one again is a new copy, made with the mode off.
        copy(u"first secret"_s);
        QCOMPARE(m_manager->texts().toStringList(), QStringList{u"first secret"_s});
    }

    void switchedOffWithNoTextOnClipboard_nextTextIsRecorded()
    {
        create(m_store->preferences());
        copy(u"before"_s);
        m_store->preferences().setPrivacyMode(true);
        QVERIFY(m_store->preferences().flush().ok());
        copy(std::nullopt);
        m_store->preferences().setPrivacyMode(false);
        QVERIFY(m_store->preferences().flush().ok());
        tick();
        copy(u"next"_s);
        QCOMPARE(m_manager->texts().toStringList(), QStringList({u"next"_s, u"before"_s}));
    }

    void switchedOffInStoreByAnotherWay_textCopiedWhileOn_isNeverRecorded()
    {
        MemoryPreferences preferences;
        preferences.setPrivacyMode(true);
        QVERIFY(preferences.flush().ok());
        create(preferences);
        copy(u"secret-password-123"_s);
        // Another session wrote "off"; this one finds it when it reads the store again.
        preferences.setStoredValue(Preference::PrivacyMode, false);
        QVERIFY(preferences.reopen().ok());
        QVERIFY(!preferences.privacyMode());
        tick();
        tick();
        QVERIFY(m_manager->texts().isEmpty());
        QVERIFY(storedTexts().isEmpty());
        copy(u"after"_s);
        QCOMPARE(m_manager->texts().toStringList(), QStringList{u"after"_s});
    }

    void startedWithModeOn_textOnClipboard_isNeverRecorded()
    {
        m_store->preferences().setPrivacyMode(true);
        QVERIFY(m_store->preferences().flush().ok());
        m_clipboard->setText(u"secret-password-123"_s);
        create(m_store->preferences());
        tick();
        m_store->preferences().setPrivacyMode(false);
        QVERIFY(m_store->preferences().flush().ok());
        tick();
        QVERIFY(m_manager->texts().isEmpty());
        copy(u"after"_s);
        QCOMPARE(m_manager->texts().toStringList(), QStringList{u"after"_s});
    }

    void restartWhileOn_thenSwitchedOff_textCopiedBeforeRestartIsNeverRecorded()
    {
        create(m_store->preferences());
        m_store->preferences().setPrivacyMode(true);
        QVERIFY(m_store->preferences().flush().ok());
        copy(u"secret-password-123"_s);
        tick();

        m_manager.reset();
        m_store->restart();
        QVERIFY(m_store->preferences().privacyMode());
        create(m_store->preferences());
        tick();
        m_store->preferences().setPrivacyMode(false);
        QVERIFY(m_store->preferences().flush().ok());
        tick();
        tick();
        QVERIFY(m_manager->texts().isEmpty());
        QVERIFY(storedTexts().isEmpty());
        copy(u"after"_s);
        QCOMPARE(m_manager->texts().toStringList(), QStringList{u"after"_s});
    }

private:
    void create(Preferences &preferences)
    {
        m_manager = std::make_unique<ClipboardManager>(*m_clipboard, preferences,
                                                       m_store->history(), m_timers);
    }
    // Another application copies; the change notice runs a tick, then the posted
    // addItem runs.
    void copy(const std::optional<QString> &text)
    {
        m_clipboard->setText(text);
        QCoreApplication::processEvents();
    }
    void tick()
    {
        m_timers.tickAll();
        QCoreApplication::processEvents();
    }
    // The texts list as the next start would read it from the file.
    QStringList storedTexts() const
    {
        m_store->settle();
        SqliteStores nextStart(m_store->path());
        return nextStart.history.load().lists.value(u"texts"_s).texts();
    }

    std::unique_ptr<MemoryClipboard> m_clipboard;
    std::unique_ptr<TemporaryStore> m_store;
    ManualPollTimers m_timers;
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_GUILESS_MAIN(PrivacyModeTest)
#include "tst_privacymode.moc"
