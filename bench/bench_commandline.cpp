// `brimvale --list` as a launcher runs it, over a history of 100,000 items in a
// real SQLite file, or of the size given (bench_commandline 1000000): the real
// binary, its output read through a pipe.
#include "HistoryFile.h"
#include "HistoryGenerator.h"
#include "HistorySize.h"
#include "SqliteHistoryStore.h"
#include "SqliteStoreFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {
int historySize = 100000;

struct Fixture
{
    Fixture()
    {
        QDir(dir.path()).mkpath(QStringLiteral("brimvale"));
        path = dir.filePath(QStringLiteral("brimvale/brimvale.sqlite3"));
        if (const StoreStatus written =
                HistoryFile::write(path, HistoryGenerator::history(historySize));
            !written.ok())
            qFatal("could not write the history: %s", qPrintable(written.error()));
    }

    QTemporaryDir dir;
    QString path;
};

Fixture &fixture()
{
    static Fixture instance;
    return instance;
}

// Runs `brimvale --list all` to its end; counts the time until its first line
// and until its last in `state`.
void listOnce(benchmark::State &state, double &firstLineMs, qint64 &lines)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), fixture().dir.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), fixture().dir.path());
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(BRIMVALE_BINARY),
                  {QStringLiteral("--list"), QStringLiteral("all")});
    firstLineMs = -1;
    lines = 0;
    while (process.waitForReadyRead(10000)) {
        const QByteArray read = process.readAll();
        if (firstLineMs < 0 && read.contains('\n'))
            firstLineMs = double(clock.nsecsElapsed()) / 1e6;
        lines += read.count('\n');
    }
    process.waitForFinished();
    state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    if (process.exitCode() != 0 || lines != historySize)
        state.SkipWithError("brimvale --list did not list the whole history");
}

void BM_ListAll(benchmark::State &state)
{
    fixture();
    // With Brimvale running, the store has its -wal and -shm beside it.
    std::unique_ptr<SqliteStoreFile> open;
    if (state.range(0) == 1) {
        open = std::make_unique<SqliteStoreFile>(fixture().path);
        if (!open->open().ok())
            state.SkipWithError("cannot open the store");
    }
    double firstLineMs = 0;
    double slowestFirstLineMs = 0;
    qint64 lines = 0;
    for (auto _ : state) {
        listOnce(state, firstLineMs, lines);
        slowestFirstLineMs = std::max(slowestFirstLineMs, firstLineMs);
    }
    state.counters["first_line_ms"] = slowestFirstLineMs;
    state.counters["lines"] = double(lines);
    state.SetLabel(state.range(0) == 1 ? "store open (Brimvale running)" : "store closed");
}
BENCHMARK(BM_ListAll)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
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
