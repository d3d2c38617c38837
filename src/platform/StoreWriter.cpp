#include "StoreWriter.h"

#include <QTimer>

#include <algorithm>

namespace {

constexpr std::chrono::milliseconds firstRetry{1000};
constexpr std::chrono::milliseconds lastRetry{60000};

thread_local StoreWriter *t_writer = nullptr;

} // namespace

StoreWriter::StoreWriter() : m_worker(std::make_unique<QObject>())
{
    m_thread.setObjectName(QStringLiteral("brimvale store"));
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::started, m_worker.get(), [this] {
        t_writer = this;
        m_retry = new QTimer(m_worker.get());
        m_retry->setSingleShot(true);
        QObject::connect(m_retry, &QTimer::timeout, m_worker.get(), [this] { writeWaiting(); });
    });
    m_thread.start();
}

StoreWriter::~StoreWriter()
{
    flush();
    // The worker and its timer come back to be deleted here once the thread ends.
    QThread *const here = QThread::currentThread();
    call([this, here] {
        m_retry->stop();
        m_worker->moveToThread(here);
    });
    m_thread.quit();
    m_thread.wait();
}

void StoreWriter::runBlocking(const std::function<void()> &work)
{
    QMetaObject::invokeMethod(
        m_worker.get(),
        [&] {
            // Changes handed over before are written first, as promised, even
            // where their write is still queued behind this call.
            if (std::exchange(m_writeQueued, false))
                writeWaiting();
            work();
        },
        Qt::BlockingQueuedConnection);
}

void StoreWriter::post(std::function<void()> work)
{
    QMetaObject::invokeMethod(m_worker.get(), std::move(work), Qt::QueuedConnection);
}

void StoreWriter::submit(Change change)
{
    ++m_waiting;
    post([this, change = std::move(change)]() mutable {
        m_changes.push_back(std::move(change));
        // The next change is the moment to try again what failed before it.
        m_retryDelay = std::chrono::milliseconds(0);
        writeSoon();
    });
}

void StoreWriter::drop(std::function<bool(const Topic &)> pointless)
{
    {
        const std::lock_guard lock(m_writingMutex);
        if (m_writing && pointless(m_writing->topic))
            m_writingPointless = true;
    }
    post([this, pointless = std::move(pointless)] {
        const auto dropped = std::remove_if(m_changes.begin(), m_changes.end(),
                                            [&](const Change &c) { return pointless(c.topic); });
        m_waiting -= int(m_changes.end() - dropped);
        m_changes.erase(dropped, m_changes.end());
    });
}

void StoreWriter::retrySoon()
{
    post([this] {
        m_retryDelay = std::chrono::milliseconds(0);
        writeSoon();
    });
}

void StoreWriter::writeSoon()
{
    // After the changes and drops handed over meanwhile, which come first: a
    // burst of changes while the file is locked costs one try, not one each.
    if (std::exchange(m_writeQueued, true))
        return;
    m_retry->stop();
    post([this] {
        m_writeQueued = false;
        writeWaiting();
    });
}

void StoreWriter::flush()
{
    call([this] { writeWaiting(); });
}

bool StoreWriter::writingIsPointless()
{
    if (!t_writer)
        return false;
    const std::lock_guard lock(t_writer->m_writingMutex);
    return t_writer->m_writingPointless;
}

void StoreWriter::writeWaiting()
{
    while (!m_changes.empty()) {
        const Change &change = m_changes.front();
        {
            const std::lock_guard lock(m_writingMutex);
            m_writing = &change;
            m_writingPointless = false;
        }
        const StoreStatus status = change.write();
        bool pointless = false;
        {
            const std::lock_guard lock(m_writingMutex);
            m_writing = nullptr;
            pointless = std::exchange(m_writingPointless, false);
        }
        if (!status.ok() && pointless) {
            // Given up for a later change; the drop that said so removes it.
            --m_waiting;
            m_changes.pop_front();
            continue;
        }
        tell(change, status);
        if (!status.ok()) {
            retryLater();
            return;
        }
        --m_waiting;
        m_changes.pop_front();
    }
}

void StoreWriter::retryLater()
{
    m_retryDelay = std::clamp(m_retryDelay * 2, firstRetry, lastRetry);
    m_retry->start(m_retryDelay);
}

void StoreWriter::tell(const Change &change, const StoreStatus &status)
{
    if (!change.done || !change.context)
        return;
    QMetaObject::invokeMethod(
        change.context.data(), [done = change.done, status] { done(status); },
        Qt::QueuedConnection);
}
