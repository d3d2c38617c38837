// The text selected with the mouse: only the finished selection is recorded, and
// only while the switch is on, under the clipboard's rules.
#include "ClipboardManager.h"
#include "ManualPollTimers.h"
#include "MemoryClipboard.h"
#include "SelectionRecorder.h"
#include "SelectionSettle.h"
#include "SelectionSource.h"
#include "SqliteStores.h"
#include "TemporaryStore.h"

#include <QPointer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Hands out in-memory selections, remembering the one open.
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
        QStringList finished;
        SelectionSettle settle(
            timers, [&] { return held; }, [&](const QString &text) { finished.append(text); });

        // Growing faster than it settles: one selection, the last; no timer after.
        for (const QString &step : {u"a"_s, u"ab"_s, u"abc"_s})
            settle.selectionChanged(step);
        QVERIFY(finished.isEmpty());
        QCOMPARE(timers.runningCount(), 1);
        timers.tickAll();
        QCOMPARE(finished, QStringList{u"abc"_s});
        QCOMPARE(timers.runningCount(), 0);

        // Cleared, or nothing but an empty text, before it settled: nothing.
        settle.selectionChanged(u"gone"_s);
        settle.selectionChanged(std::nullopt);
        settle.selectionChanged(QString());
        timers.tickAll();
        QCOMPARE(finished, QStringList{u"abc"_s});

        // A drag that pauses longer than the quiet time is not finished until the
        // button is let go; then at the next look at the button.
        held = true;
        settle.selectionChanged(u"drag"_s);
        timers.tickAll();
        timers.tickAll();
        QVERIFY(settle.isSettling());
        held = false;
        timers.tickAll();
        QCOMPARE(finished, QStringList({u"abc"_s, u"drag"_s}));
        QCOMPARE(timers.runningCount(), 0);

        // The owner's last change after the release finishes it at once.
        held = true;
        settle.selectionChanged(u"dr"_s);
        held = false;
        settle.selectionChanged(u"dragged"_s);
        QCOMPARE(finished, QStringList({u"abc"_s, u"drag"_s, u"dragged"_s}));
        QCOMPARE(timers.runningCount(), 0);

        // Without a button seen held (keyboard, another program), only quiet counts.
        settle.selectionChanged(u"typed"_s);
        QCOMPARE(finished.size(), 3);
        timers.tickAll();
        QCOMPARE(finished.constLast(), u"typed"_s);
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
            if (source.opened)
                source.opened->setText(text);
            timers.tickAll();
            QCoreApplication::processEvents();
        };

        // Off by default: nothing is read.
        QVERIFY(!recorder.isRecording());
        QVERIFY(!source.opened);

        store.preferences().setRecordSelection(true);
        QVERIFY(source.opened);
        select(u"https://example.com/selected"_s);
        select(u"selected prose"_s);
        QCOMPARE(manager.urls().toStringList(), QStringList{u"https://example.com/selected"_s});
        QCOMPARE(manager.texts().toStringList(), QStringList{u"selected prose"_s});

        // Selected again: not a second item.
        select(u"https://example.com/selected"_s);
        QCOMPARE(manager.texts().toStringList(), QStringList{u"selected prose"_s});
        QCOMPARE(manager.urls().size(), 1);

        // Privacy Mode: neither a settling selection nor a new one.
        source.opened->setText(u"settling when private"_s);
        store.preferences().setPrivacyMode(true);
        select(u"selected when private"_s);
        store.preferences().setPrivacyMode(false);
        timers.tickAll();
        QCoreApplication::processEvents();
        QCOMPARE(manager.texts().toStringList(), QStringList{u"selected prose"_s});

        // Off again: the reader is closed, so it wakes nobody.
        store.preferences().setRecordSelection(false);
        QVERIFY(!source.opened);
        QVERIFY(!recorder.isRecording());
        QCOMPARE(timers.runningCount(), 0);
    }
};

QTEST_GUILESS_MAIN(SelectionRecordingTest)
#include "tst_selectionrecording.moc"
