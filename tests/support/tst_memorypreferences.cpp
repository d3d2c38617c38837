// The in-memory preferences that stand in for the SQLite ones in the tests of
// the core and the views: their hooks, and the behaviour they copy.
#include "MemoryPreferences.h"

#include <QSignalSpy>
#include <QTest>

class MemoryPreferencesTest final : public QObject
{
    Q_OBJECT

private slots:
    void newPreferences_defaults_nothingStored()
    {
        MemoryPreferences preferences;
        for (const PreferenceInfo &info : preferenceTable) {
            QCOMPARE(preferences.number(info.preference), info.defaultValue);
            QCOMPARE(preferences.storedValue(info.preference), std::nullopt);
        }
        QCOMPARE(preferences.privacyMode(), false);
        QCOMPARE(preferences.showInDock(), false);
    }

    void setValue_stored_announcedOnlyWhenChanged()
    {
        MemoryPreferences preferences;
        QSignalSpy changes(&preferences, &Preferences::changed);
        preferences.setShowInDock(true);
        QVERIFY(preferences.flush().ok());
        preferences.setShowInDock(true);
        QVERIFY(preferences.flush().ok());
        preferences.setPrivacyMode(false);
        QVERIFY(preferences.flush().ok());
        QCOMPARE(preferences.showInDock(), true);
        QCOMPARE(preferences.storedValue(Preference::ShowInDock), std::optional(true));
        QCOMPARE(preferences.storedValue(Preference::PrivacyMode), std::optional(false));
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.at(0).at(0).value<Preference>(), Preference::ShowInDock);
        QCOMPARE(preferences.writeCount(), 3);
        preferences.resetCounts();
        QCOMPARE(preferences.writeCount(), 0);
    }

    void failWrites_valueKeptAndAnnounced_nothingStored()
    {
        MemoryPreferences preferences;
        preferences.setFailWrites(true);
        QSignalSpy changes(&preferences, &Preferences::changed);
        preferences.setPrivacyMode(true);
        const StoreStatus status = preferences.flush();
        QVERIFY(!status.ok());
        QVERIFY(status.error().contains(QLatin1StringView("privacyMode")));
        QCOMPARE(preferences.privacyMode(), true);
        QCOMPARE(preferences.storedValue(Preference::PrivacyMode), std::nullopt);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(preferences.writeCount(), 1);
    }

    void reopen_announcesStoredValuesThatDiffer_once()
    {
        MemoryPreferences preferences;
        preferences.setShowInDock(true);
        QVERIFY(preferences.flush().ok());
        preferences.setStoredValue(Preference::PrivacyMode, true);
        preferences.setStoredValue(Preference::ShowInDock, true);
        QCOMPARE(preferences.privacyMode(), false);
        QSignalSpy changes(&preferences, &Preferences::changed);
        QVERIFY(preferences.reopen().ok());
        QCOMPARE(preferences.privacyMode(), true);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.at(0).at(0).value<Preference>(), Preference::PrivacyMode);
        QVERIFY(preferences.reopen().ok());
        QCOMPARE(changes.size(), 1);
    }

    void valueThatCouldNotBeWritten_winsOnReopen_andIsWrittenThen()
    {
        MemoryPreferences preferences;
        preferences.setStoredValue(Preference::PrivacyMode, true);
        QVERIFY(preferences.reopen().ok());
        preferences.setFailWrites(true);
        preferences.setPrivacyMode(false);
        QVERIFY(!preferences.flush().ok());
        QVERIFY(!preferences.reopen().ok());
        QCOMPARE(preferences.privacyMode(), false);
        QCOMPARE(preferences.storedValue(Preference::PrivacyMode), std::optional(true));

        preferences.setFailWrites(false);
        QSignalSpy changes(&preferences, &Preferences::changed);
        QVERIFY(preferences.reopen().ok());
        QCOMPARE(preferences.privacyMode(), false);
        QCOMPARE(preferences.storedValue(Preference::PrivacyMode), std::optional(false));
        QCOMPARE(changes.size(), 0);
    }
};

QTEST_GUILESS_MAIN(MemoryPreferencesTest)
#include "tst_memorypreferences.moc"
