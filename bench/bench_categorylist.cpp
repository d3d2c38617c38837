// The category list with the text list of a history of 100,000 items (or as many
// as the first argument says) in a real store file, loaded by the history as at the
// program's start: first frame, search keystrokes, a new item, the preview of a
// 50 MB item, a deletion, and scrolling; and search keystrokes with every item in
// its category's list, as the panel searches all three.
#include "CategorySearch.h"
#include "CategoryView.h"
#include "Classifier.h"
#include "ClipListView.h"
#include "ClipboardManager.h"
#include "HistoryGenerator.h"
#include "LoadedHistory.h"
#include "MemoryClipboard.h"
#include "PollTimers.h"
#include "PreviewPanel.h"
#include "SearchFilterModel.h"
#include "SqliteHistoryStore.h"
#include "SqlitePreferences.h"
#include "SqliteStoreFile.h"
#include "TextSearch.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

namespace {

int historySize = 100000;
constexpr qsizetype hugeSize = 50 * 1024 * 1024;

// The items of the generated history that capture puts in the text list: about
// 600,000 of a million.
const QStringList &history()
{
    static const QStringList items = [] {
        QStringList texts = HistoryGenerator::history(historySize);
        texts.removeIf([](const QString &text) { return categorize(text) != Category::Text; });
        return texts;
    }();
    return items;
}

// Every item of the generated history in its category's list, as capture sorts
// them.
const std::map<Category, QStringList> &sortedHistory()
{
    static const std::map<Category, QStringList> lists = [] {
        std::map<Category, QStringList> sorted;
        for (const QString &text : HistoryGenerator::history(historySize))
            sorted[categorize(text)].append(text);
        return sorted;
    }();
    return lists;
}

// A 50 MB text either of 80-character lines or of one line of words.
QString hugeText(bool lines)
{
    const QString unit = lines ? QString(79, u'x') + u'\n' : QStringLiteral("lorem ipsum dolor ");
    QString text;
    text.reserve(hugeSize + unit.size());
    while (text.size() < hugeSize)
        text += unit;
    return text;
}

// Writes `lists` as the stored lists of a new store file at `path`.
QString writtenHistory(const QString &path, const std::map<Category, QStringList> &lists)
{
    SqliteStoreFile file(path);
    SqliteHistoryStore history(file);
    for (const auto &[category, items] : lists) {
        if (const StoreStatus written = history.replaceList(listKey(category), items).status();
            !written.ok())
            qFatal("could not write the history: %s", qPrintable(written.error()));
    }
    return path;
}

// The program's stores on a file of its own holding `items` as the text list, and
// the history loaded from it, so that what one benchmark adds or deletes leaves
// the others' lists as they were.
struct Session
{
    explicit Session(const QStringList &items) : Session({{Category::Text, items}}) {}
    explicit Session(const std::map<Category, QStringList> &lists)
        : file(writtenHistory(dir.filePath(QStringLiteral("brimvale.sqlite3")), lists)),
          manager(clipboard, preferences, history, timers)
    {
        waitUntilLoaded(manager);
        for (const auto &[category, items] : lists) {
            if (manager.list(category).size() != items.size())
                qFatal("the history loaded %d of %d items", manager.list(category).size(),
                       int(items.size()));
        }
        // New items come through addItem() only, as the benchmark says.
        manager.stopMonitoring();
    }
    std::unique_ptr<CategoryView> showView()
    {
        auto view = std::make_unique<CategoryView>(manager, Category::Text);
        view->resize(350, 300);
        view->show();
        return view;
    }

    QTemporaryDir dir;
    MemoryClipboard clipboard;
    // In the order they depend on each other, so destroyed in reverse.
    SqliteStoreFile file;
    SqlitePreferences preferences{file};
    SqliteHistoryStore history{file};
    QtPollTimers timers;
    ClipboardManager manager;
};

ClipListView *listOf(const CategoryView &view)
{
    return view.findChild<ClipListView *>(QStringLiteral("clipList"));
}

QLineEdit *searchOf(const CategoryView &view)
{
    return view.findChild<QLineEdit *>(QStringLiteral("searchField"));
}

// Paints what is pending now, as the next frame would.
void paint(CategoryView &view)
{
    QApplication::processEvents();
    listOf(view)->viewport()->repaint();
}

void click(ClipListView &list, const QPoint &position)
{
    QMouseEvent press(QEvent::MouseButtonPress, position, list.viewport()->mapToGlobal(position),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, position,
                        list.viewport()->mapToGlobal(position), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &release);
}

void BM_TextSearchWholeHistory(benchmark::State &state)
{
    const QStringList &items = history();
    const TextSearch search(state.range(0) == 0 ? QStringLiteral("e") : QStringLiteral("zqx"));
    for (auto _ : state) {
        int matches = 0;
        for (const QString &item : items)
            matches += search.matches(item) ? 1 : 0;
        benchmark::DoNotOptimize(matches);
    }
}
BENCHMARK(BM_TextSearchWholeHistory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FirstFrame(benchmark::State &state)
{
    Session session(history());
    for (auto _ : state) {
        auto view = session.showView();
        benchmark::DoNotOptimize(view->grab());
        state.PauseTiming();
        view.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstFrame)->Unit(benchmark::kMillisecond)->Iterations(10);

SearchFilterModel &filterOf(const CategoryView &view)
{
    return *qobject_cast<SearchFilterModel *>(listOf(view)->model());
}

// Lets a search running beside the GUI thread deliver its rows, and paints them.
// Returns how long the GUI thread took to take and paint them, in seconds.
double waitForRows(CategoryView &view)
{
    SearchFilterModel &filter = filterOf(view);
    QElapsedTimer taking;
    const QMetaObject::Connection started =
        QObject::connect(&filter, &QAbstractItemModel::modelAboutToBeReset, [&] {
            if (!taking.isValid())
                taking.start();
        });
    while (filter.isSearching())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(started);
    if (!taking.isValid())
        return 0;
    paint(view);
    return double(taking.nsecsElapsed()) / 1e9;
}

// The GUI thread's time at work from its construction on: all but its sleeps in
// the event loop.
class BusyMeter final
{
public:
    BusyMeter()
    {
        QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
        m_connections[0] =
            QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] {
                if (!std::exchange(m_asleep, true))
                    m_busy += m_awake.nsecsElapsed();
            });
        m_connections[1] = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [this] {
            if (std::exchange(m_asleep, false))
                m_awake.start();
        });
        m_awake.start();
    }
    ~BusyMeter()
    {
        for (const QMetaObject::Connection &connection : m_connections)
            QObject::disconnect(connection);
    }
    BusyMeter(const BusyMeter &) = delete;
    BusyMeter &operator=(const BusyMeter &) = delete;

    // Seconds at work so far; called while at work.
    double busy() const { return double(m_busy + m_awake.nsecsElapsed()) / 1e9; }

private:
    QElapsedTimer m_awake;
    qint64 m_busy = 0;
    bool m_asleep = false;
    std::array<QMetaObject::Connection, 2> m_connections;
};

// Search text before and after one keystroke, a fixed number of times: typing the
// text before may take a whole search through a long list. The time is until the filtered rows
// are painted; the counters tell the GUI thread's stretches for the keystroke: the
// keystroke and its frame, or the rows' arrival and their frame, and busy_ms all
// its time at work until the rows are painted.
void searchKeystroke(benchmark::State &state, const QString &before, const QString &after,
                     int pins = 0)
{
    Session session(history());
    // Pinned rows spread over the list: every row shown is mapped past them.
    const HistoryList &texts = session.manager.texts();
    for (int pin = 0; pin < pins; ++pin)
        session.manager.setPinned(Category::Text,
                                  texts.textAt(int(qint64(texts.size()) * pin / pins)), true);
    auto view = session.showView();
    paint(*view);
    QLineEdit *search = searchOf(*view);
    double keystrokes = 0;
    double arrivals = 0;
    double longest = 0;
    double busy = 0;
    for (auto _ : state) {
        search->setText(before);
        paint(*view);
        waitForRows(*view);
        QElapsedTimer shown;
        shown.start();
        const BusyMeter meter;
        search->setText(after);
        paint(*view);
        const double keystroke = double(shown.nsecsElapsed()) / 1e9;
        const double arrival = waitForRows(*view);
        state.SetIterationTime(double(shown.nsecsElapsed()) / 1e9);
        busy += meter.busy();
        keystrokes += keystroke;
        arrivals += arrival;
        longest = std::max({longest, keystroke, arrival});
    }
    const auto perKeystroke = [&](double seconds) {
        return benchmark::Counter(seconds * 1e3 / double(state.iterations()));
    };
    state.counters["keystroke_ms"] = perKeystroke(keystrokes);
    state.counters["arrival_ms"] = perKeystroke(arrivals);
    state.counters["longest_ms"] = longest * 1e3;
    state.counters["busy_ms"] = perKeystroke(busy);
    state.counters["rows"] = double(listOf(*view)->model()->rowCount());
}

void BM_SearchFirstKeystroke(benchmark::State &state)
{
    searchKeystroke(state, QString(), QStringLiteral("d"));
}
BENCHMARK(BM_SearchFirstKeystroke)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// The same with 20 items pinned.
void BM_SearchFirstKeystrokePinned(benchmark::State &state)
{
    searchKeystroke(state, QString(), QStringLiteral("d"), 20);
}
BENCHMARK(BM_SearchFirstKeystrokePinned)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_SearchRareFirstKeystroke(benchmark::State &state)
{
    searchKeystroke(state, QString(), QStringLiteral("ж"));
}
BENCHMARK(BM_SearchRareFirstKeystroke)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_SearchNarrowingKeystroke(benchmark::State &state)
{
    searchKeystroke(state, QStringLiteral("da"), QStringLiteral("dat"));
}
BENCHMARK(BM_SearchNarrowingKeystroke)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_SearchBackspace(benchmark::State &state)
{
    searchKeystroke(state, QStringLiteral("dat"), QStringLiteral("da"));
}
BENCHMARK(BM_SearchBackspace)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_SearchCleared(benchmark::State &state)
{
    searchKeystroke(state, QStringLiteral("x"), QString());
}
BENCHMARK(BM_SearchCleared)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// As searchKeystroke(), with every item in its category's list and the text list
// shown, searched as the panel searches: the others' counts come once the text
// list's rows are in. The time is until the text list's rows are painted;
// counted_ms is the time until every count is in, and busy_ms the GUI thread's
// time at work for the keystroke until then.
void panelSearchKeystroke(benchmark::State &state, const QString &before, const QString &after)
{
    Session session(sortedHistory());
    CategorySearch search(session.manager);
    search.setShown(Category::Text);
    auto view = std::make_unique<CategoryView>(session.manager, Category::Text,
                                               search.filter(Category::Text));
    QObject::connect(view.get(), &CategoryView::searchTextChanged, &search,
                     &CategorySearch::setText);
    view->resize(350, 300);
    view->show();
    paint(*view);
    QLineEdit *field = searchOf(*view);
    const auto allCounted = [&search] {
        return std::none_of(allCategories.begin(), allCategories.end(),
                            [&search](Category c) { return search.filter(c).isSearching(); });
    };
    const auto waitForCounts = [&] {
        while (!allCounted())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    double counted = 0;
    double busy = 0;
    for (auto _ : state) {
        field->setText(before);
        paint(*view);
        waitForRows(*view);
        waitForCounts();
        QElapsedTimer shown;
        shown.start();
        const BusyMeter meter;
        field->setText(after);
        paint(*view);
        waitForRows(*view);
        state.SetIterationTime(double(shown.nsecsElapsed()) / 1e9);
        waitForCounts();
        counted += double(shown.nsecsElapsed()) / 1e9;
        busy += meter.busy();
    }
    const auto perKeystroke = [&](double seconds) {
        return benchmark::Counter(seconds * 1e3 / double(state.iterations()));
    };
    state.counters["counted_ms"] = perKeystroke(counted);
    state.counters["busy_ms"] = perKeystroke(busy);
    for (const Category category : allCategories) {
        state.counters[categoryName(category).toStdString() + "_rows"] =
            double(search.filter(category).rowCount());
    }
}

void BM_PanelSearchFirstKeystroke(benchmark::State &state)
{
    panelSearchKeystroke(state, QString(), QStringLiteral("d"));
}
BENCHMARK(BM_PanelSearchFirstKeystroke)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_PanelSearchNarrowingKeystroke(benchmark::State &state)
{
    panelSearchKeystroke(state, QStringLiteral("da"), QStringLiteral("dat"));
}
BENCHMARK(BM_PanelSearchNarrowingKeystroke)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

// range(0): 1 with the list shown, 0 for the history alone, to tell the view's
// share of the time. Each new row's entrance is let finish between iterations, as
// new items come a second apart at the soonest.
void BM_NewItemArrives(benchmark::State &state)
{
    Session session(history());
    std::unique_ptr<CategoryView> view;
    if (state.range(0) == 1) {
        view = session.showView();
        paint(*view);
    }
    int serial = 0;
    for (auto _ : state) {
        session.manager.addItem(QStringLiteral("fresh words number %1 for the list").arg(++serial));
        if (view)
            listOf(*view)->viewport()->repaint();
        state.PauseTiming();
        QElapsedTimer settling;
        settling.start();
        while (view && listOf(*view)->isAnimating() && settling.elapsed() < 2000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NewItemArrives)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(30);

// A new item arriving while a search through the whole list runs: the search's
// workers stop for it, the item is tested alone, and the search starts again.
void BM_NewItemWhileSearching(benchmark::State &state)
{
    Session session(history());
    auto view = session.showView();
    paint(*view);
    QLineEdit *search = searchOf(*view);
    int serial = 0;
    for (auto _ : state) {
        state.PauseTiming();
        search->setText(QString());
        search->setText(QStringLiteral("fresh"));
        QThread::msleep(1);
        if (!filterOf(*view).isSearching())
            state.SkipWithError("the search was not running");
        state.ResumeTiming();
        session.manager.addItem(QStringLiteral("fresh words number %1 for the list").arg(++serial));
        state.PauseTiming();
        waitForRows(*view);
        QElapsedTimer settling;
        settling.start();
        while (listOf(*view)->isAnimating() && settling.elapsed() < 2000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NewItemWhileSearching)->Unit(benchmark::kMillisecond)->Iterations(30);

// range(0): 1 for a text of lines, 0 for one long line.
void BM_OpenHugePreview(benchmark::State &state)
{
    QStringList items = history().first(1000);
    items.prepend(hugeText(state.range(0) == 1));
    Session session(items);
    auto view = session.showView();
    paint(*view);
    ClipListView *list = listOf(*view);
    for (auto _ : state) {
        click(*list, list->textRect(0).center());
        paint(*view);
        state.PauseTiming();
        if (!list->preview())
            state.SkipWithError("the preview did not open");
        click(*list, list->textRect(0).center());
        paint(*view);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenHugePreview)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// range(0): 1 when the row deleted is the one whose preview is open (its text then
// stays selected and looks for another row holding it), 0 for a row without it.
void BM_DeleteItemShown(benchmark::State &state)
{
    Session session(history());
    auto view = session.showView();
    paint(*view);
    ClipListView *list = listOf(*view);
    for (auto _ : state) {
        state.PauseTiming();
        if (state.range(0) == 1)
            click(*list, list->textRect(0).center());
        QElapsedTimer settling;
        settling.start();
        while (list->isAnimating() && settling.elapsed() < 2000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        paint(*view);
        if (state.range(0) == 1 && !list->preview())
            state.SkipWithError("the preview did not open");
        state.ResumeTiming();
        click(*list, list->deleteButtonRect(0).center());
        list->viewport()->repaint();
    }
}
BENCHMARK(BM_DeleteItemShown)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_ScrollByPage(benchmark::State &state)
{
    Session session(history());
    auto view = session.showView();
    paint(*view);
    QScrollBar *bar = listOf(*view)->verticalScrollBar();
    for (auto _ : state) {
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        listOf(*view)->viewport()->repaint();
    }
}
BENCHMARK(BM_ScrollByPage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The history's size comes first, before the benchmark's own arguments.
    if (argc > 1 && std::strspn(argv[1], "0123456789") == std::strlen(argv[1])) {
        historySize = std::max(1, std::atoi(argv[1]));
        std::memmove(argv + 1, argv + 2, sizeof(char *) * std::size_t(argc - 1));
        --argc;
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
