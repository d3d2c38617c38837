// The history store alone, at the size people reach: 100,000 items in a real
// SQLite file, read back as the program does at start.
#include "HistoryGenerator.h"
#include "SqliteHistoryStore.h"
#include "SqliteStoreFile.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>

namespace {

constexpr int historySize = 100000;

struct Fixture
{
    Fixture()
    {
        path = dir.filePath(QStringLiteral("brimvale.sqlite3"));
        const QStringList items = HistoryGenerator::history(historySize);
        // A third in each list, as capture would spread them.
        const std::array<QString, 3> keys{QStringLiteral("urls"), QStringLiteral("codes"),
                                          QStringLiteral("texts")};
        SqliteStoreFile file(path);
        SqliteHistoryStore store(file);
        for (size_t k = 0; k < keys.size(); ++k) {
            QStringList list;
            for (qsizetype i = qsizetype(k); i < items.size(); i += 3)
                list << items.at(i);
            written = written && store.replaceList(keys[k], list).ok();
        }
    }

    QTemporaryDir dir;
    QString path;
    bool written = true;
};

Fixture &fixture()
{
    static Fixture instance;
    return instance;
}

void BM_LoadHistory(benchmark::State &state)
{
    if (!fixture().written) {
        state.SkipWithError("the history could not be written");
        return;
    }
    for (auto _ : state) {
        SqliteStoreFile file(fixture().path);
        SqliteHistoryStore store(file);
        const HistoryRecord record = store.load();
        qsizetype rows = 0;
        for (const StoredList &list : record.lists)
            rows += list.size();
        if (rows != historySize) {
            state.SkipWithError("the history did not load whole");
            return;
        }
    }
}
BENCHMARK(BM_LoadHistory)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5);

} // namespace

BENCHMARK_MAIN();
