#pragma once

#include "StoreResult.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>

class QTimer;

// The one thread that uses the store file. Reads and writes reach it in the order
// they are made: a call waits for its result, a change is handed over and its
// result comes back later, so the GUI thread never waits for SQLite (for its
// lock, or for a text of megabytes being written).
//
// A change that fails is not forgotten: it stays first in line and is tried
// again, with the changes after it, when the next change comes or a while later
// (from a second up to a minute), until it is written or made pointless by a
// later change (see drop()).
class StoreWriter final
{
public:
    // What a change is about, so that a later change can make it pointless (an
    // item removed before it was written, a list cleared).
    struct Topic
    {
        const void *owner = nullptr;
        QString list;
        qint64 item = 0;
    };

    struct Change
    {
        Topic topic;
        // Runs on the writer's thread.
        std::function<StoreStatus()> write;
        // Runs on `context`'s thread after each try, with its outcome; not after
        // the context is gone.
        std::function<void(const StoreStatus &)> done;
        QPointer<QObject> context;
    };

    StoreWriter();
    // Tries once more what is still waiting, then stops the thread.
    ~StoreWriter();
    Q_DISABLE_COPY_MOVE(StoreWriter)

    bool isWriterThread() const { return QThread::currentThread() == &m_thread; }

    // Runs `work` on the writer's thread and returns its result; at once when
    // called there. Changes handed over before run first.
    template <typename Work> auto call(Work &&work) -> std::invoke_result_t<Work &>
    {
        if (isWriterThread())
            return work();
        using Result = std::invoke_result_t<Work &>;
        if constexpr (std::is_void_v<Result>) {
            runBlocking([&] { work(); });
        } else {
            std::optional<Result> result;
            runBlocking([&] { result.emplace(work()); });
            return std::move(*result);
        }
    }

    void submit(Change change);
    // Forgets the changes still waiting whose topic `pointless` accepts. One being
    // written stops as soon as it can (see writingIsPointless()).
    void drop(std::function<bool(const Topic &)> pointless);
    // Tries every change still waiting once more, and returns when that is done:
    // what still fails stays waiting.
    void flush();
    // Tries what is waiting once more soon, not after the usual wait.
    void retrySoon();
    // Changes handed over and not yet written (or dropped).
    int waitingCount() const { return m_waiting.load(); }

    // Asked by a long write on the writer's thread between its pieces: a change
    // handed over later has made it pointless.
    static bool writingIsPointless();

private:
    void runBlocking(const std::function<void()> &work);
    void post(std::function<void()> work);
    // On the writer's thread.
    void writeWaiting();
    void writeSoon();
    void retryLater();
    void tell(const Change &change, const StoreStatus &status);

    QThread m_thread;
    // Lives on the thread: queued calls to it run there, in order.
    std::unique_ptr<QObject> m_worker;
    // Only used on the writer's thread.
    std::deque<Change> m_changes;
    std::chrono::milliseconds m_retryDelay{0};
    QTimer *m_retry = nullptr; // a child of the worker
    bool m_writeQueued = false;
    std::atomic<int> m_waiting{0};
    // The change being written, which drop() may find pointless while the thread
    // is busy with it and cannot take the drop from its queue. A lock rather than
    // a queue for that reason.
    std::mutex m_writingMutex;
    const Change *m_writing = nullptr;
    bool m_writingPointless = false;
};
