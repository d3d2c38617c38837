#pragma once

#include "Category.h"
#include "HistoryIndex.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <optional>

// Classifies captured texts and hands each on with its category and its key in
// the history's index, in the order they were captured. Both take time in
// proportion to a text's length (about 150 ms and 10 ms for 20 MB), so a long
// text is worked on on a worker thread while the GUI thread goes on; texts
// captured meanwhile wait behind it. The worker also compares a long text with
// the one captured before it, and drops it when the two are the same text: the
// first reading of a text just taken from the clipboard may take far longer
// than later ones (365 ms for 200 MB on a virtual machine, against 15 ms).
class CaptureQueue final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CaptureQueue)

public:
    // From this many characters on, a text is classified on a worker thread.
    static constexpr qsizetype backgroundLength = 256 * 1024;

    struct Sorted
    {
        Category category = Category::Text;
        HistoryIndex::Key key;
        // The same text as the one captured before it: not delivered.
        bool repeatsPrevious = false;
    };
    using Deliver = std::function<void(const QString &text, const Sorted &sorted)>;

    explicit CaptureQueue(Deliver deliver, QObject *parent = nullptr);
    // Waits for a text being classified, so that nothing captured is lost.
    ~CaptureQueue() override;

    // `previous` is the text captured before, when `text` is to be dropped if it
    // is the same text (see canonicallyEqual()).
    void push(QString text, std::optional<QString> previous = std::nullopt);
    // Delivers every text still waiting, waiting for the worker where it must.
    void finish();
    // Forgets every text not delivered yet: the history they were bound for was
    // cleared.
    void drop();
    bool isIdle() const { return m_waiting.empty() && !m_working; }

private:
    void deliverWaiting();
    void classified();

    Deliver m_deliver;
    struct Waiting
    {
        QString text;
        std::optional<QString> previous;
    };
    void deliver(const QString &text, const Sorted &sorted);

    std::deque<Waiting> m_waiting;
    QFutureWatcher<Sorted> m_worker;
    bool m_working = false;
    // The text being classified is not to be delivered.
    bool m_dropWorking = false;
};
