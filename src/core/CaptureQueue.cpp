#include "CaptureQueue.h"

#include "Classifier.h"

#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace {

CaptureQueue::Sorted sort(const QString &text)
{
    return {categorize(text), HistoryIndex::keyOf(text)};
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

void CaptureQueue::push(QString text)
{
    m_waiting.push_back(std::move(text));
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
        const QString &text = m_waiting.front();
        if (text.size() >= backgroundLength) {
            m_working = true;
            m_worker.setFuture(QtConcurrent::run([text] { return sort(text); }));
            return;
        }
        const QString next = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_deliver(next, sort(next));
    }
}

void CaptureQueue::classified()
{
    // finish() may have taken the result already; the watcher's signal then
    // still comes, perhaps while the next text is being classified.
    if (!m_working || !m_worker.isFinished())
        return;
    m_working = false;
    const QString text = std::move(m_waiting.front());
    m_waiting.pop_front();
    if (!std::exchange(m_dropWorking, false))
        m_deliver(text, m_worker.result());
    deliverWaiting();
}
