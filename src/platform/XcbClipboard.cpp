#include "XcbClipboard.h"

#include "Logging.h"
#include "SelectionRead.h"
#include "XcbConnection.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <xcb/xfixes.h>

namespace {

// How long one turn of event handling may hold the GUI thread before it lets the
// event loop run and comes back for the rest.
constexpr qint64 eventBudgetMs = 20;

// How long the window of an abandoned read is kept, and how many are at most.
constexpr std::chrono::seconds retiredWindowLife{30};
constexpr std::size_t retiredWindowsAtMost = 16;

// Reads under way at once; beyond that the oldest is given up on. A loop of
// copies is read in far fewer.
constexpr std::size_t readsAtMost = 8;

struct FreeEvent
{
    void operator()(xcb_generic_event_t *event) const { std::free(event); }
};

} // namespace

std::variant<std::unique_ptr<XcbClipboard>, QString> XcbClipboard::open(QObject *parent,
                                                                        Selection selection)
{
    auto connection = XcbConnection::open();
    if (auto *why = std::get_if<QString>(&connection))
        return std::move(*why);
    return std::unique_ptr<XcbClipboard>(new XcbClipboard(
        std::move(std::get<std::unique_ptr<XcbConnection>>(connection)), selection, parent));
}

XcbClipboard::XcbClipboard(std::unique_ptr<XcbConnection> connection, Selection selection,
                           QObject *parent)
    // XFixes reports every new owner, and every text read in is announced.
    : Clipboard(ChangeNotices::Every, parent), m_connection(std::move(connection)),
      m_selection(selection),
      m_selectionAtom(selection == Selection::Primary ? uint32_t(XCB_ATOM_PRIMARY)
                                                      : m_connection->atoms().clipboard),
      m_clipboard(QGuiApplication::clipboard()),
      m_notifier(new QSocketNotifier(m_connection->fileDescriptor(), QSocketNotifier::Read, this)),
      m_noticeWindow(m_connection->createWindow())
{
    m_answerTimer.setSingleShot(true);
    connect(&m_answerTimer, &QTimer::timeout, this, &XcbClipboard::giveUpSilent);
    m_moreEvents.setSingleShot(true);
    m_moreEvents.setInterval(0);
    connect(&m_moreEvents, &QTimer::timeout, this, &XcbClipboard::processEvents);
    connect(m_notifier, &QSocketNotifier::activated, this, &XcbClipboard::processEvents);

    m_connection->watchSelectionOwner(m_noticeWindow, m_selectionAtom);
    // What is on the clipboard already is read as if it had just been copied.
    if (m_selection == Selection::Clipboard)
        ownerChanged(m_connection->selectionOwner(m_selectionAtom), XCB_CURRENT_TIME);
    else
        m_connection->flush();
    processEvents();
}

XcbClipboard::~XcbClipboard()
{
    m_reads.clear();
    for (const Retired &retired : m_retired)
        m_connection->destroyWindow(retired.window);
    if (m_spareWindow != XCB_NONE)
        m_connection->destroyWindow(m_spareWindow);
    m_connection->destroyWindow(m_noticeWindow);
    m_connection->flush();
}

std::optional<QString> XcbClipboard::readText()
{
    return m_text;
}

void XcbClipboard::clear()
{
    forgetReads();
    m_clipboard->clear(mode());
    m_text = std::nullopt;
}

void XcbClipboard::writeText(const QString &text)
{
    forgetReads();
    m_clipboard->clear(mode());
    m_clipboard->setText(text, mode());
    // Known at once; the change notice that follows reads it back from Qt.
    m_text = text;
}

bool XcbClipboard::Read::done() const
{
    return !read || read->finished();
}

std::optional<bool> XcbClipboard::pointerButtonHeld()
{
    if (m_connectionLost)
        return std::nullopt;
    const std::optional<bool> held = m_connection->pointerButtonHeld();
    // Events that came in while we waited for the answer are queued inside libxcb,
    // where the socket's notifier never sees them.
    m_moreEvents.start();
    return held;
}

QClipboard::Mode XcbClipboard::mode() const
{
    return m_selection == Selection::Primary ? QClipboard::Selection : QClipboard::Clipboard;
}

void XcbClipboard::processEvents()
{
    QElapsedTimer turn;
    turn.start();
    const auto advance = [this](Read &read, SelectionRead::Progress progress) {
        if (progress == SelectionRead::Progress::Some)
            read.giveUpAt.setRemainingTime(read.replaced ? replacedOwnerTimeout : answerTimeout);
    };
    // A property asked for may have come in with the last events read.
    const auto pollReplies = [&] {
        for (Read &read : m_reads) {
            if (!read.done())
                advance(read, read.read->pollReply());
        }
    };
    while (true) {
        pollReplies();
        std::unique_ptr<xcb_generic_event_t, FreeEvent> event(
            xcb_poll_for_event(m_connection->get()));
        if (!event) {
            pollReplies();
            // Taking a reply reads whatever the server sent with it, events too,
            // and an event already read in wakes no socket notifier.
            event.reset(xcb_poll_for_queued_event(m_connection->get()));
            if (!event)
                break;
        }
        const auto type = static_cast<uint8_t>(event->response_type & 0x7f);
        if (type == m_connection->selectionNoticeType()) {
            const auto &notice =
                *reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event.get());
            if (notice.selection == m_selectionAtom)
                ownerChanged(notice.owner, notice.timestamp);
        } else {
            for (Read &read : m_reads) {
                if (!read.done())
                    advance(read, read.read->handle(*event));
            }
        }
        if (turn.elapsed() >= eventBudgetMs) {
            settle();
            m_moreEvents.start();
            return;
        }
    }
    settle();
    if (m_connection->hasError() && !m_connectionLost) {
        m_connectionLost = true;
        m_notifier->setEnabled(false);
        forgetReads();
        qCWarning(lcPlatform, "lost the connection to the X server; the clipboard is no longer "
                              "watched");
    }
}

void XcbClipboard::ownerChanged(uint32_t owner, uint32_t time)
{
    for (Read &read : m_reads) {
        const bool replacedNow = !std::exchange(read.replaced, true);
        // A selection replaced while it is read was not finished: only the
        // last one of a drag is wanted, and reading the others costs the owner.
        if (m_selection == Selection::Primary)
            giveUp(read);
        else if (replacedNow && !read.done() &&
                 read.giveUpAt.remainingTimeAsDuration() > replacedOwnerTimeout)
            read.giveUpAt.setRemainingTime(replacedOwnerTimeout);
    }
    // Text selected in our own panel is the user reading the history, not adding
    // to it; Qt's owner side answers for our whole process.
    if (owner == XCB_NONE || (m_selection == Selection::Primary && m_clipboard->ownsSelection())) {
        m_reads.push_back({});
    } else {
        const xcb_window_t window = m_spareWindow != XCB_NONE
                                        ? std::exchange(m_spareWindow, XCB_NONE)
                                        : m_connection->createWindow();
        m_reads.push_back(
            {std::make_unique<SelectionRead>(*m_connection, window, m_selectionAtom, time),
             QDeadlineTimer(answerTimeout)});
    }
    auto underWay = std::count_if(m_reads.begin(), m_reads.end(),
                                  [](const Read &read) { return !read.done(); });
    for (auto read = m_reads.begin(); underWay > qsizetype(readsAtMost); ++read) {
        if (!read->done()) {
            giveUp(*read);
            --underWay;
        }
    }
    settle();
}

void XcbClipboard::settle()
{
    while (!m_reads.empty() && m_reads.front().done()) {
        const Read read = std::move(m_reads.front());
        m_reads.pop_front();
        if (read.read && read.read->leftNothingBehind() && m_spareWindow == XCB_NONE)
            m_spareWindow = read.read->window();
        else if (read.read)
            retire(read.read->window());
        m_text = read.read ? read.read->text() : std::nullopt;
        // Whoever is told reads the text at once: the next one is served after.
        if (m_text)
            emit changed();
    }
    QDeadlineTimer first = QDeadlineTimer::Forever;
    for (const Read &read : m_reads) {
        if (!read.done() && read.giveUpAt < first)
            first = read.giveUpAt;
    }
    if (first.isForever())
        m_answerTimer.stop();
    else
        m_answerTimer.start(
            std::chrono::ceil<std::chrono::milliseconds>(first.remainingTimeAsDuration()));
}

void XcbClipboard::giveUpSilent()
{
    // An answer may be in that nothing has woken us for yet.
    processEvents();
    for (Read &read : m_reads) {
        if (!read.done() && read.giveUpAt.hasExpired())
            giveUp(read);
    }
    settle();
}

void XcbClipboard::giveUp(Read &read)
{
    if (!read.read)
        return;
    if (!read.read->finished() && !read.replaced)
        qCInfo(lcPlatform,
               "the clipboard's owner did not answer within %lld ms; its text is not read",
               static_cast<long long>(answerTimeout.count()));
    retire(read.read->window());
    read.read.reset();
}

void XcbClipboard::forgetReads()
{
    m_answerTimer.stop();
    for (const Read &read : m_reads) {
        if (read.read)
            retire(read.read->window());
    }
    m_reads.clear();
}

void XcbClipboard::retire(uint32_t window)
{
    while (!m_retired.empty() &&
           (m_retired.front().until.hasExpired() || m_retired.size() >= retiredWindowsAtMost)) {
        m_connection->destroyWindow(m_retired.front().window);
        m_retired.pop_front();
    }
    m_retired.push_back({window, QDeadlineTimer(retiredWindowLife)});
    m_connection->flush();
}
