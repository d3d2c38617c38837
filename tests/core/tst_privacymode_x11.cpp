// Privacy Mode on the real X clipboard: the history over the system clipboard and
// a store file, with real poll timers, while xclip copies as another program.
// Skipped without an X server.
#include "ClipboardManager.h"
#include "HistoryLookup.h"
#include "QtClipboard.h"
#include "SqliteStores.h"
#include "TemporaryStore.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

bool offerWithXclip(const QByteArray &data, const QString &type = u"UTF8_STRING"_s)
{
    QProcess xclip;
    xclip.start(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-t"_s, type, u"-i"_s});
    if (!xclip.waitForStarted())
        return false;
    xclip.write(data);
    xclip.closeWriteChannel();
    return xclip.waitForFinished() && xclip.exitCode() == 0;
}

} // namespace

class PrivacyModeX11Test final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("needs an X server: DISPLAY is not set");
        if (QStandardPaths::findExecutable(u"xclip"_s).isEmpty())
            QSKIP("needs xclip");
    }

    void init()
    {
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
        // Something that is not text, so nothing is recorded at start.
        QVERIFY(offerWithXclip("\x89PNG not really", u"image/png"_s));
    }

    void cleanup()
    {
        m_manager.reset();
        m_clipboard.reset();
        m_store.reset();
    }

    void switchedOffFromPanelOrTray_secretCopiedWhileOn_isNeverRecorded()
    {
        start();
        QVERIFY(offerWithXclip("before"));
        QTRY_COMPARE_WITH_TIMEOUT(m_manager->texts().toStringList(), QStringList{u"before"_s},
                                  5000);

        m_store->preferences().setPrivacyMode(true);

        QVERIFY(m_store->preferences().flush().ok());
        QVERIFY(offerWithXclip(m_secret.toUtf8()));
        waitForPolls();
        m_store->preferences().setPrivacyMode(false);
        QVERIFY(m_store->preferences().flush().ok());
        waitForPolls();
        QCOMPARE(m_manager->texts().toStringList(), QStringList{u"before"_s});
        QVERIFY(!HistoryLookup::isRecorded(*m_manager, m_secret));
        QCOMPARE(storedTexts(), QStringList{u"before"_s});

        QVERIFY(offerWithXclip("after"));
        QTRY_COMPARE_WITH_TIMEOUT(m_manager->texts().toStringList(),
                                  QStringList({u"after"_s, u"before"_s}), 5000);
        QCOMPARE(storedTexts(), QStringList({u"after"_s, u"before"_s}));
    }

    void restartWhileOn_thenSwitchedOff_secretIsNeverRecorded()
    {
        start();
        m_store->preferences().setPrivacyMode(true);
        QVERIFY(m_store->preferences().flush().ok());
        QVERIFY(offerWithXclip(m_secret.toUtf8()));
        waitForPolls();

        // The program quits and starts again with the mode on, the secret still
        // offered by its owner.
        m_manager.reset();
        m_clipboard.reset();
        m_store->restart();
        QVERIFY(m_store->preferences().privacyMode());
        start();
        waitForPolls();
        QVERIFY(m_manager->texts().isEmpty());

        m_store->preferences().setPrivacyMode(false);

        QVERIFY(m_store->preferences().flush().ok());
        waitForPolls();
        QVERIFY(!HistoryLookup::isRecorded(*m_manager, m_secret));
        QVERIFY(storedTexts().isEmpty());

        QVERIFY(offerWithXclip("after"));
        QTRY_COMPARE_WITH_TIMEOUT(m_manager->texts().toStringList(), QStringList{u"after"_s}, 5000);
        QCOMPARE(storedTexts(), QStringList{u"after"_s});
    }

private:
    void start()
    {
        m_clipboard = std::make_unique<QtClipboard>();
        m_manager = std::make_unique<ClipboardManager>(*m_clipboard, m_store->preferences(),
                                                       m_store->history(), m_timers);
    }
    // As long as the history takes to look at the clipboard at least twice.
    static void waitForPolls()
    {
        QTest::qWait(int(2 * ClipboardManager::pollInterval.count()) + 500);
    }
    QStringList storedTexts() const
    {
        m_store->settle();
        SqliteStores nextStart(m_store->path());
        return nextStart.history.load().lists.value(u"texts"_s).texts();
    }

    const QString m_secret = u"secret-password-123"_s;
    std::unique_ptr<TemporaryStore> m_store;
    QtPollTimers m_timers;
    std::unique_ptr<QtClipboard> m_clipboard;
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_MAIN(PrivacyModeX11Test)
#include "tst_privacymode_x11.moc"
