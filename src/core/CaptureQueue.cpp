#include "CaptureQueue.h"

#include "Classifier.h"
#include "UnicodeText.h"

#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace {

CaptureQueue::Sorted sortCapture(const QString &text, const std::optional<QString> &previous)
{
    if (previous && canonicallyEqual(*previous, text))
        return {Category::Text, {}, true};
    return {categorize(text), HistoryIndex::keyOf(text), false};
}

} // namespace

CaptureQueue::CaptureQueue(Deliver deliver, QObject *parent)
    : QObject(parent), m_deliver(std::move(deliver))
{
    connect(&m_worker, &QFutureWatcher<Sorted>::finished, this, &CaptureQueue::classified);
}

CaptureQueue::~CaptureQueue()
{
    finish();
}

void CaptureQueue::push(QString text, std::optional<QString> previous)
{
    m_waiting.push_back({std::move(text), std::move(previous)});
    deliverWaiting();
}

void CaptureQueue::finish()
{
    while (!isIdle()) {
        if (m_working) {
            m_worker.waitForFinished();
            classified();
        } else {
            deliverWaiting();
        }
    }
}

void CaptureQueue::drop()
{
    if (m_working) {
        m_waiting.erase(m_waiting.begin() + 1, m_waiting.end());
        m_dropWorking = true;
    } else {
        m_waiting.clear();
    }
}

void CaptureQueue::deliverWaiting()
{
    while (!m_working && !m_waiting.empty()) {
        const Waiting &front = m_waiting.front();
        if (front.text.size() >= backgroundLength) {
            m_working = true;
            m_worker.setFuture(QtConcurrent::run([text = front.text, previous = front.previous] {
                return sortCapture(text, previous);
            }));
            return;
        }
        const Waiting next = std::move(m_waiting.front());
        m_waiting.pop_front();
        deliver(next.text, sortCapture(next.text, next.previous));
    }
}

void CaptureQueue::classified()
{
    // finish() may have taken the result already; the watcher's signal then
    // still comes, perhaps while the next text is being classified.
    if (!m_working || !m_worker.isFinished())
        return;
    m_working = false;
    const QString text = std::move(m_waiting.front().text);
    m_waiting.pop_front();
    if (!std::exchange(m_dropWorking, false))
        deliver(text, m_worker.result());
    deliverWaiting();
}

void CaptureQueue::deliver(const QString &text, const Sorted &sorted)
{
    if (!sorted.repeatsPrevious)
        m_deliver(text, sorted);
}
