// The text selected with the mouse: only the finished selection is recorded, and
// only while the switch is on, under the clipboard's rules.
#include "ClipboardManager.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "SelectionRecorder.h"
#include "SelectionSource.h"
#include "SqliteStores.h"
#include "TemporaryStore.h"

#include <QPointer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

class MemorySelectionSource final : public SelectionSource
{
public:
    QString unavailableReason() const override { return {}; }
    std::unique_ptr<Clipboard> open() override
    {
        auto reader = std::make_unique<MemoryClipboard>(Clipboard::ChangeNotices::Every);
        opened = reader.get();
        return reader;
    }
    QPointer<MemoryClipboard> opened;
};

} // namespace

class SelectionRecordingTest final : public QObject
{
    Q_OBJECT

private slots:
    void settle_finishesOnQuietOrRelease()
    {
        ManualPollTimers timers;
        std::optional<bool> held;
        QStringList done;
        SelectionSettle settle(
            timers, [&] { return held; }, [&](const QString &t) { done << t; });

        // Growing faster than it settles: the last one only, and then no timer.
        for (const QString &step : {u"a"_s, u"ab"_s, u"abc"_s})
            settle.selectionChanged(step);
        QVERIFY(done.isEmpty());
        timers.tickAll();
        QCOMPARE(done, QStringList{u"abc"_s});
        QCOMPARE(timers.runningCount(), 0);
        // Cleared before it settled: nothing.
        settle.selectionChanged(u"gone"_s);
        settle.selectionChanged(std::nullopt);
        timers.tickAll();
        // A drag that pauses is finished only once the button is let go.
        held = true;
        settle.selectionChanged(u"drag"_s);
        timers.tickAll();
        timers.tickAll();
        QCOMPARE(done, QStringList{u"abc"_s});
        held = false;
        timers.tickAll();
        QCOMPARE(done, QStringList({u"abc"_s, u"drag"_s}));
        // The owner's last change after the release finishes it at once.
        held = true;
        settle.selectionChanged(u"dr"_s);
        held = false;
        settle.selectionChanged(u"dragged"_s);
        QCOMPARE(done, QStringList({u"abc"_s, u"drag"_s, u"dragged"_s}));
        QCOMPARE(timers.runningCount(), 0);
    }

    void recorder_followsTheSwitchAndTheClipboardsRules()
    {
        TemporaryStore store;
        QVERIFY(store.isValid());
        MemoryClipboard clipboard(Clipboard::ChangeNotices::Every);
        ManualPollTimers timers;
        MemorySelectionSource source;
        ClipboardManager manager(clipboard, store.preferences(), store.history(), timers);
        SelectionRecorder recorder(manager, store.preferences(), source, timers);
        const auto select = [&](const QString &text) {
            source.opened->setText(text);
            timers.tickAll();
            QCoreApplication::processEvents();
        };
        QVERIFY(!source.opened); // off by default

        store.preferences().setRecordSelection(true);
        QVERIFY(source.opened);
        select(u"https://example.com/selected"_s);
        select(u"selected prose"_s);
        select(u"https://example.com/selected"_s);
        QCOMPARE(manager.urls().toStringList(), QStringList{u"https://example.com/selected"_s});
        QCOMPARE(manager.texts().toStringList(), QStringList{u"selected prose"_s});

        // Privacy Mode: neither the selection settling nor a new one.
        source.opened->setText(u"settling"_s);
        store.preferences().setPrivacyMode(true);
        select(u"selected when private"_s);
        store.preferences().setPrivacyMode(false);
        timers.tickAll();
        QCoreApplication::processEvents();
        QCOMPARE(manager.texts().toStringList(), QStringList{u"selected prose"_s});

        // Off again: the reader is closed, so no selection wakes us.
        store.preferences().setRecordSelection(false);
        QVERIFY(!source.opened);
        QCOMPARE(timers.runningCount(), 0);
    }
};

QTEST_GUILESS_MAIN(SelectionRecordingTest)
#include "tst_selectionrecording.moc"
