#include "SearchScan.h"

#include "TextListModel.h"

#include <QThreadPool>

#include <algorithm>

namespace {

// The cores share a search in slices of this many candidates, so that one slower
// core does not hold up the end.
constexpr std::size_t slice = 4096;
// How many rows a worker reads between two looks at the cancel flag: a few
// hundred typical texts take a few microseconds.
constexpr std::size_t cancelCheck = 256;

} // namespace

SearchScan::SearchScan(const TextListModel &source, Forms &forms, TextSearch search,
                       std::vector<int> candidates)
    : m_source(source), m_forms(forms), m_search(std::move(search)),
      m_candidates(std::move(candidates)), m_found((m_candidates.size() + slice - 1) / slice)
{
}

bool SearchScan::passes(const TextListModel &source, Forms &forms, const TextSearch &search,
                        int row, QString &scratch)
{
    std::uint8_t &form = forms[std::size_t(row)];
    if (const std::optional<QByteArrayView> utf8 = source.utf8View(row)) {
        if (const std::optional<bool> passed = search.matchesUtf8(*utf8, form == Canonical))
            return *passed;
    }
    const QStringView text = source.textView(row, scratch);
    if (form == Unknown)
        form = TextSearch::isCanonical(text) ? Canonical : NotCanonical;
    return form == Canonical ? search.matchesCanonical(text) : search.matches(text);
}

void SearchScan::run(QThreadPool &pool)
{
    const int helpers = std::min(int(m_found.size()) - 1, pool.maxThreadCount());
    // This thread counts as a worker too, but does not leave through the semaphore.
    m_working = std::max(0, helpers) + 1;
    launch(pool, std::max(0, helpers));
    work();
    leave();
    m_stopped.acquire(m_launched);
    m_waited = true;
}

void SearchScan::start(QThreadPool &pool, std::function<void()> finished)
{
    m_finished = std::move(finished);
    const int workers = std::clamp(int(m_found.size()), 1, pool.maxThreadCount());
    m_working = workers;
    launch(pool, workers);
}

void SearchScan::launch(QThreadPool &pool, int workers)
{
    m_launched = workers;
    for (int i = 0; i < workers; ++i) {
        // Each worker keeps the scan alive until it has left, even once cancel()
        // has returned and the owner has let go of it.
        pool.start([self = shared_from_this()] {
            self->work();
            self->leave();
            self->m_stopped.release();
        });
    }
}

void SearchScan::cancel()
{
    m_cancelled.store(true, std::memory_order_relaxed);
    if (!m_waited)
        m_stopped.acquire(m_launched);
    m_waited = true;
}

void SearchScan::work()
{
    QString scratch;
    for (std::size_t s = m_nextSlice++; s < m_found.size(); s = m_nextSlice++) {
        const std::size_t end = std::min(m_candidates.size(), (s + 1) * slice);
        for (std::size_t i = s * slice; i < end; ++i) {
            if (i % cancelCheck == 0 && m_cancelled.load(std::memory_order_relaxed))
                return;
            const int row = m_candidates[i];
            if (passes(m_source, m_forms, m_search, row, scratch))
                m_found[s].push_back(row);
        }
    }
}

void SearchScan::leave()
{
    // The last one out sees every slice written, and puts them together off the
    // GUI thread.
    if (m_working.fetch_sub(1, std::memory_order_acq_rel) != 1 ||
        m_cancelled.load(std::memory_order_relaxed))
        return;
    gather();
    if (m_finished)
        m_finished();
}

void SearchScan::gather()
{
    std::size_t count = 0;
    for (const std::vector<int> &part : m_found)
        count += part.size();
    m_rows.reserve(count);
    for (const std::vector<int> &part : m_found)
        m_rows.insert(m_rows.end(), part.begin(), part.end());
    m_found.clear();
}
