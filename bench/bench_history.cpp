// The history model at the size people reach, 100,000 items in a real SQLite file,
// or at the size given (bench_history 1000000).
#include "ClipboardManager.h"
#include "HistoryFile.h"
#include "HistoryGenerator.h"
#include "HistoryLookup.h"
#include "HistorySize.h"
#include "LoadedHistory.h"
#include "MemoryClipboard.h"
#include "PollTimers.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStoreFile.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
int historySize = 100000;

struct Fixture
{
    Fixture()
    {
        path = dir.filePath(QStringLiteral("brimvale.sqlite3"));
        const QStringList items = HistoryGenerator::history(historySize);
        if (const StoreStatus written = HistoryFile::write(path, items); !written.ok())
            qFatal("could not write the history: %s", qPrintable(written.error()));
        middleText = items.at(items.size() / 2);
    }

    QTemporaryDir dir;
    QString path;
    QString middleText;
};

Fixture &fixture()
{
    static Fixture instance;
    return instance;
}

// The program's stores on the fixture's file, as at its start.
struct Session
{
    Session() : file(fixture().path), manager(clipboard, preferences, history, timers)
    {
        waitUntilLoaded(manager);
    }
    MemoryClipboard clipboard;
    // In the order they depend on each other, so destroyed in reverse.
    SqliteStoreFile file;
    SqlitePreferences preferences{file};
    SqliteHistoryStore history{file};
    // The program's own; no event loop runs, so they never tick on their own.
    QtPollTimers timers;
    ClipboardManager manager;
};

void BM_LoadAtStart(benchmark::State &state)
{
    fixture();
    for (auto _ : state) {
        Session session;
        benchmark::DoNotOptimize(session.manager.texts().size());
    }
}
BENCHMARK(BM_LoadAtStart)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AddItemCommitted(benchmark::State &state)
{
    Session session;
    // Repetitions reopen the same file: keep every text new.
    static int n = 0;
    for (auto _ : state) {
        session.manager.addItem(
            QStringLiteral("new clipboard text number %1 for the benchmark").arg(n++));
        // Committed once the store's thread has written it.
        session.file.writer().flush();
    }
    state.counters["items"] =
        double(session.manager.texts().size() + session.manager.codes().size() +
               session.manager.urls().size());
}
BENCHMARK(BM_AddItemCommitted)->Unit(benchmark::kMicrosecond)->Iterations(500)->Repetitions(5);

void BM_DuplicateRejected(benchmark::State &state)
{
    Session session;
    const QString copy = QString(fixture().middleText.constData(), fixture().middleText.size());
    for (auto _ : state)
        session.manager.addItem(copy);
}
BENCHMARK(BM_DuplicateRejected)->Unit(benchmark::kMicrosecond)->Repetitions(5);

void BM_DeleteFromMiddleSaved(benchmark::State &state)
{
    Session session;
    for (auto _ : state) {
        const int middle = session.manager.texts().size() / 2;
        HistoryLookup::deleteRow(session.manager, Category::Text, middle);
        session.file.writer().flush();
    }
}
BENCHMARK(BM_DeleteFromMiddleSaved)->Unit(benchmark::kMicrosecond)->Iterations(500)->Repetitions(5);

void BM_TickWithUnchangedClipboard(benchmark::State &state)
{
    Session session;
    session.clipboard.setText(QString(5 * 1024 * 1024, u'x'));
    QCoreApplication::processEvents();
    for (auto _ : state)
        session.manager.checkClipboard();
}
BENCHMARK(BM_TickWithUnchangedClipboard)->Unit(benchmark::kMicrosecond)->Repetitions(5);
} // namespace

int main(int argc, char **argv)
{
    historySize = historySizeArgument(argc, argv);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
