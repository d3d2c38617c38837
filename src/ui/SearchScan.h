#pragma once

#include "TextSearch.h"

#include <QSemaphore>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QThreadPool;
class TextListModel;

// One search through candidate rows of a TextListModel, shared out over a pool's
// threads in slices and put back together in the rows' order. It may run while the
// GUI thread goes on (start()) or while it waits (run()). cancel() stops it within a
// fraction of a millisecond: each worker looks at the flag every few hundred rows.
// Once it returns, no worker reads the list or the forms any more, so the list may
// change.
class SearchScan final : public std::enable_shared_from_this<SearchScan>
{
    Q_DISABLE_COPY_MOVE(SearchScan)

public:
    // Per source row: whether its text is in NFC. Nearly every text is, and knowing
    // it spares a look at its form on each search.
    enum Form : std::uint8_t { Unknown = 0, Canonical = 1, NotCanonical = 2 };
    using Forms = std::vector<std::uint8_t>;

    // `source` and `forms` must outlive the scan or its cancel(); each row's form
    // is written by one worker only.
    SearchScan(const TextListModel &source, Forms &forms, TextSearch search,
               std::vector<int> candidates);
    ~SearchScan() = default;

    // Whether `row` passes `search`, reading its text through `scratch`.
    static bool passes(const TextListModel &source, Forms &forms, const TextSearch &search, int row,
                       QString &scratch);

    // Searches on the calling thread with the pool's help and returns when done.
    void run(QThreadPool &pool);
    // Searches on the pool's threads only. The last worker to finish calls
    // `finished` on its own thread, unless the scan was cancelled.
    void start(QThreadPool &pool, std::function<void()> finished);
    // Stops every worker and waits until they have.
    void cancel();

    const TextSearch &search() const { return m_search; }
    // The candidates that pass, in their order, once the scan has finished.
    std::vector<int> takeRows() { return std::move(m_rows); }

private:
    void launch(QThreadPool &pool, int workers);
    void work();
    void leave();
    void gather();

    const TextListModel &m_source;
    Forms &m_forms;
    const TextSearch m_search;
    const std::vector<int> m_candidates;
    std::vector<std::vector<int>> m_found; // per slice, written by the worker taking it
    std::vector<int> m_rows;
    std::function<void()> m_finished;
    std::atomic<std::size_t> m_nextSlice{0};
    std::atomic<int> m_working{0};
    std::atomic<bool> m_cancelled{false};
    QSemaphore m_stopped; // one for each pool worker that has left
    int m_launched = 0;
    bool m_waited = false;
};
