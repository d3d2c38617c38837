// A text of hundreds of megabytes copied and written while the user goes on: the
// GUI thread's longest hold-up while it is captured and written with Privacy
// Mode switched ten times meanwhile, whether every switch reached the file, and
// how soon a deletion of such a stored text, and a Clear made while one is being
// written, are committed.
// Usage: bench_largewrite [megabytes, default 300]
#include "ClipboardManager.h"
#include "HistoryLookup.h"
#include "MemoryClipboard.h"
#include "PollTimers.h"
#include "SqliteStores.h"
#include "StallMeter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

QString hugeText(int megabytes, QChar mark)
{
    const QString line = QStringLiteral("x = compute(value, other); // a line of a large copy\n");
    QString text = line.repeated(qsizetype(megabytes) * 1024 * 1024 / line.size());
    text[0] = mark;
    return text;
}

// Runs the event loop until `done`; false after two minutes.
template <typename Done> bool waitFor(Done done)
{
    const QDeadlineTimer deadline(120000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

int itemCount(const ClipboardManager &manager)
{
    int count = 0;
    for (Category category : allCategories)
        count += manager.list(category).size();
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 300;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("brimvale.sqlite3"));
    MemoryClipboard clipboard;
    std::optional<SqliteStores> stores(std::in_place, path);
    QtPollTimers timers;
    std::optional<ClipboardManager> manager(std::in_place, clipboard, stores->preferences,
                                            stores->history, timers);

    // 1. Captured and written while Privacy Mode is switched every 20 ms.
    const QString first = hugeText(megabytes, u'a');
    StallMeter stalls;
    QElapsedTimer clock;
    clock.start();
    clipboard.setText(first);
    manager->checkClipboard();
    int switches = 0;
    QTimer switcher;
    QObject::connect(&switcher, &QTimer::timeout, [&] {
        // Ends on: switched on.
        if (switches < 10)
            stores->preferences.setPrivacyMode(switches++ % 2 == 1);
    });
    switcher.start(20);
    if (!waitFor([&] { return itemCount(*manager) == 1 && switches == 10; }))
        return 1;
    // Privacy Mode is on now: the next text is ours to copy, not recorded.
    stores->preferences.setPrivacyMode(false);
    if (!waitFor([&] { return !manager->hasBackgroundWork(); }))
        return 1;
    const qint64 written = clock.elapsed();
    const qint64 holdUp = stalls.stop();

    // 2. The stored text deleted: its pages are freed one by one.
    QElapsedTimer deleting;
    deleting.start();
    for (Category category : allCategories)
        if (manager->list(category).size() == 1)
            HistoryLookup::deleteRow(*manager, category, 0);
    if (!waitFor([&] { return !manager->hasBackgroundWork(); }))
        return 1;
    const qint64 deleted = deleting.elapsed();

    // 3. A Clear while a second one is being written.
    const QString second = hugeText(megabytes, u'b');
    clipboard.setText(second);
    manager->checkClipboard();
    if (!waitFor([&] { return itemCount(*manager) == 1; }))
        return 1;
    // The list takes the text at once; the store's thread needs a moment to be
    // well into writing it.
    QElapsedTimer underWay;
    underWay.start();
    if (!waitFor([&] { return underWay.elapsed() >= 300; }))
        return 1;
    QElapsedTimer cleared;
    cleared.start();
    manager->clearHistory();
    if (!waitFor([&] { return !manager->hasBackgroundWork(); }))
        return 1;
    const qint64 clearCommitted = cleared.elapsed();

    stores->preferences.setPrivacyMode(true);
    manager.reset();
    stores.reset();
    SqliteStores reopened(path);
    const HistoryRecord record = reopened.history.load();
    const bool privacyKept = reopened.preferences.privacyMode();

    // 4. A start with such a text in the history.
    {
        std::optional<ClipboardManager> writing(std::in_place, clipboard, reopened.preferences,
                                                reopened.history, timers);
        reopened.preferences.setPrivacyMode(false);
        clipboard.setText(second);
        writing->checkClipboard();
        if (!waitFor([&] { return itemCount(*writing) == 1 && !writing->hasBackgroundWork(); }))
            return 1;
    }
    // The GUI thread from the start until the text is in the list.
    StallMeter startStalls;
    std::optional<ClipboardManager> started(std::in_place, clipboard, reopened.preferences,
                                            reopened.history, timers);
    if (!waitFor([&] { return itemCount(*started) == 1; }))
        return 1;
    const qint64 startHeld = startStalls.stop();
    std::printf("text: %d MB\n"
                "captured and written: %lld ms; the GUI thread's longest hold-up meanwhile: "
                "%lld ms\n"
                "the stored text deleted, committed after: %lld ms\n"
                "a Clear while the second text was written, committed after: %lld ms\n"
                "after a restart: Privacy Mode %s, %lld items stored\n"
                "a start with such a text stored holds the GUI thread: %lld ms\n",
                megabytes, static_cast<long long>(written), static_cast<long long>(holdUp),
                static_cast<long long>(deleted), static_cast<long long>(clearCommitted),
                privacyKept ? "on (as last set)" : "OFF (lost)",
                static_cast<long long>(record.lists.value(QStringLiteral("codes")).size() +
                                       record.lists.value(QStringLiteral("texts")).size()),
                static_cast<long long>(startHeld));
    return 0;
}
