#include "SwaySession.h"

#include "ClipboardManager.h"
#include "ManualPollTimers.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SystemClipboard.h"
#include "TemporaryStore.h"
#include "WaylandClipboard.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The data-control clipboard in this process, on a private headless sway whose
// focus a terminal holds, with wl-copy and wl-paste as the other programs. The
// monitor over it has poll timers that never tick: what it records, the change
// notices alone brought.
class WaylandClipboardTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const std::optional<QString> why = SwaySession::unavailable())
            QSKIP(qPrintable(*why));
        QVERIFY2(m_sway.start(), "sway did not start");
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(m_sway.socketPath()));
        SystemClipboard chosen = createSystemClipboard();
        QCOMPARE(chosen.reach, ClipboardReach::Everything);
        m_clipboard = std::move(chosen.clipboard);
        QVERIFY(qobject_cast<WaylandClipboard *>(m_clipboard.get()));
        QVERIFY(m_store.isValid());
        m_manager = std::make_unique<ClipboardManager>(*m_clipboard, m_store.preferences(),
                                                       m_store.history(), m_timers);
    }

    void cleanupTestCase()
    {
        m_manager.reset();
        m_clipboard.reset();
        m_sway.stop();
    }

    void otherProgramsCopy_seenAtOnce_bytesAsOnX11()
    {
        QSignalSpy changes(m_clipboard.get(), &Clipboard::changed);
        QVERIFY(m_sway.copy("seen at once"));
        QTRY_COMPARE_WITH_TIMEOUT(m_clipboard->readText(), std::optional(u"seen at once"_s), 5000);
        QVERIFY(!changes.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(texts().value(0), u"seen at once"_s, 5000);

        // A NUL character and an invalid sequence: converted as Qt converts text on X11.
        const QByteArray odd("a\0b\xff"
                             "c",
                             5);
        QVERIFY(m_sway.copy(odd, u"text/plain;charset=utf-8"_s));
        QTRY_COMPARE_WITH_TIMEOUT(m_clipboard->readText(), std::optional(QString::fromUtf8(odd)),
                                  5000);
    }

    // The rules every reader shares: types by name in any case, every NUL at the
    // end dropped, a hint secret whatever its case and spaces.
    void offersOfEveryKind_readAsEveryReaderReadsThem()
    {
        QVERIFY(m_sway.copy(QByteArray("text\0\0", 6), u"Text/Plain; Charset=UTF-8"_s));
        QTRY_COMPARE_WITH_TIMEOUT(m_clipboard->readText(), std::optional(u"text"_s), 5000);

        QProcess secret;
        secret.setProcessEnvironment(m_sway.clientEnvironment());
        secret.start(QStringLiteral(WAYLAND_OFFER_HELPER),
                     {u"x-kde-passwordManagerHint"_s, u"SECRET "_s, u"text/plain"_s, u"hunter2"_s});
        QVERIFY(secret.waitForReadyRead(5000));
        QTRY_COMPARE_WITH_TIMEOUT(m_clipboard->readText(), std::nullopt, 5000);
        // Left out for its hint alone: the text is there for any paster.
        QCOMPARE(m_sway.paste(), std::optional(QByteArray("hunter2")));
        QVERIFY(!texts().contains(u"hunter2"_s));
        secret.kill();
        secret.waitForFinished();
    }

    void copyBack_pastedExactly_notReadAgain()
    {
        QVERIFY(m_sway.copy("someone else's"));
        QTRY_COMPARE_WITH_TIMEOUT(m_clipboard->readText(), std::optional(u"someone else's"_s),
                                  5000);
        const qsizetype recorded = texts().size();
        QSignalSpy changes(m_clipboard.get(), &Clipboard::changed);
        const QString ours = u"copied back, caf\u00e9"_s;
        m_manager->copyToClipboard(ours);
        QCOMPARE(m_sway.paste(true), std::optional(ours.toUtf8()));
        // Our own copy came back as the selection by now, and was not read as new.
        QTest::qWait(300);
        QCOMPARE(changes.size(), 0);
        QCOMPARE(m_clipboard->readText(), std::optional(ours));
        QCOMPARE(texts().size(), recorded);

        // A large text goes out while the event loop keeps running.
        const QString large(3 * 1024 * 1024, u'x');
        m_manager->copyToClipboard(large);
        QCOMPARE(m_sway.paste(true), std::optional(large.toUtf8()));
    }

    void clearHistory_leavesNoSelection()
    {
        QVERIFY(m_sway.copy("about to be cleared"));
        QTRY_COMPARE_WITH_TIMEOUT(texts().value(0), u"about to be cleared"_s, 5000);
        m_manager->clearHistory();
        QTRY_COMPARE_WITH_TIMEOUT(m_sway.paste(true), std::nullopt, 5000);
        QCOMPARE(m_clipboard->readText(), std::nullopt);
        QVERIFY(texts().isEmpty());
    }

    void silentOwner_droppedAfterTheLimit_laterCopiesRead()
    {
        QVERIFY(m_sway.copy("before the silent one"));
        QTRY_COMPARE_WITH_TIMEOUT(m_clipboard->readText(),
                                  std::optional(u"before the silent one"_s), 5000);
        QProcess silent;
        silent.setProcessEnvironment(m_sway.clientEnvironment());
        silent.start(QStringLiteral(WAYLAND_OFFER_HELPER),
                     {u"--silent"_s, u"text/plain"_s, u"never sent"_s});
        QVERIFY(silent.waitForStarted());
        // The event loop runs on meanwhile: the wait itself proves it.
        QTRY_COMPARE_WITH_TIMEOUT(m_clipboard->readText(), std::nullopt, 5000);
        QVERIFY(m_sway.copy("after the silent one"));
        QTRY_COMPARE_WITH_TIMEOUT(m_clipboard->readText(), std::optional(u"after the silent one"_s),
                                  5000);
        QVERIFY(!texts().contains(u"never sent"_s));
        silent.kill();
        silent.waitForFinished();
    }

    // A writer that takes longer than the limit in all, but is never silent that
    // long, is waited for: the limit is on silence, not on the whole transfer.
    void slowWriter_neverSilentForLong_readWhole()
    {
        QProcess slow;
        slow.setProcessEnvironment(m_sway.clientEnvironment());
        slow.start(QStringLiteral(WAYLAND_OFFER_HELPER),
                   {u"--pause"_s, u"1200"_s, u"text/plain"_s, u"slow but steady"_s});
        QVERIFY(slow.waitForReadyRead(5000));
        QTRY_COMPARE_WITH_TIMEOUT(m_clipboard->readText(), std::optional(u"slow but steady"_s),
                                  8000);
        QCOMPARE(texts().value(0), u"slow but steady"_s);
        slow.kill();
        slow.waitForFinished();
    }

private:
    QStringList texts() const { return m_manager->list(Category::Text).toStringList(); }

    SwaySession m_sway;
    TemporaryStore m_store;
    ManualPollTimers m_timers;
    std::unique_ptr<Clipboard> m_clipboard;
    std::unique_ptr<ClipboardManager> m_manager;
};

QTEST_GUILESS_MAIN(WaylandClipboardTest)
#include "tst_waylandclipboard.moc"
