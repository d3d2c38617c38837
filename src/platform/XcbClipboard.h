#pragma once

#include "Clipboard.h"

#include <QClipboard>

#include <QDeadlineTimer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <memory>
#include <variant>

class QSocketNotifier;
class SelectionRead;
class XcbConnection;

// The X11 clipboard, read on a connection of our own so that an owner that is
// slow, silent or gone can never hold up the GUI thread: XFixes reports every
// new owner, the text is then read without waiting (SelectionRead), and an owner
// that stays silent for answerTimeout is given up on until the next change.
// readText() serves the last text read in full; changed() says a new one is in.
//
// The same reader watches PRIMARY, the text selected with the mouse, when opened
// for it; Brimvale's own selections (text selected in its panel) are not read.
//
// A new owner does not cut short the read of the one before: that owner was
// asked before it lost the clipboard and still answers, and its copy is as much
// the user's (a script copying in a loop). Texts are served in the order the
// owners came; a replaced owner that stays silent for replacedOwnerTimeout is
// given up on, so that it holds back its successor's text no longer. PRIMARY's
// reader drops a replaced read instead: a selection replaced while it is read
// was not finished.
//
// Writing goes through QClipboard: Qt's owner side answers every request on its
// own, hands the text to a clipboard manager at exit, and never waits for another
// program, so there is nothing to gain by doing it here.
class XcbClipboard final : public Clipboard
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(XcbClipboard)

public:
    static constexpr std::chrono::milliseconds answerTimeout{2000};
    static constexpr std::chrono::milliseconds replacedOwnerTimeout{500};

    enum class Selection { Clipboard, Primary };

    // The clipboard on the X server of DISPLAY, or why it cannot be read this
    // way. Requires a QGuiApplication (for writing). PRIMARY's reader leaves what
    // was selected before it opened unread: that was selected before anyone asked
    // for it to be recorded.
    static std::variant<std::unique_ptr<XcbClipboard>, QString>
    open(QObject *parent = nullptr, Selection selection = Selection::Clipboard);
    ~XcbClipboard() override;

    std::optional<QString> readText() override;
    void clear() override;
    void writeText(const QString &text) override;
    std::optional<bool> pointerButtonHeld() override;

    // Whether a read is still under way, or a text read waits for one.
    bool reading() const { return !m_reads.empty(); }

private:
    // The read of one owner's text, or of no owner (the clipboard was emptied),
    // in the order the owners came.
    struct Read
    {
        // Null once given up, and for no owner.
        std::unique_ptr<SelectionRead> read;
        // When it is given up unless the owner answers before.
        QDeadlineTimer giveUpAt;
        bool replaced = false;

        bool done() const;
    };

    XcbClipboard(std::unique_ptr<XcbConnection> connection, Selection selection, QObject *parent);
    QClipboard::Mode mode() const;

    void processEvents();
    void ownerChanged(uint32_t owner, uint32_t time);
    // Serves the texts read, in order, up to the first read still under way, and
    // sets the timer for the next one to be given up.
    void settle();
    void giveUpSilent();
    void giveUp(Read &read);
    // Drops every read under way; their windows are retired.
    void forgetReads();
    void retire(uint32_t window);

    std::unique_ptr<XcbConnection> m_connection;
    Selection m_selection;
    uint32_t m_selectionAtom;
    QClipboard *m_clipboard;
    QSocketNotifier *m_notifier;
    // Fires when the first read to be given up is due.
    QTimer m_answerTimer;
    // Takes the rest of a burst of events after a share of the GUI thread's time.
    QTimer m_moreEvents;
    uint32_t m_noticeWindow;
    // The window of the last read that ended with its answers in, for the next.
    uint32_t m_spareWindow = 0;
    // Windows of abandoned reads. They live on for a while, because a late owner
    // may still write to one, and an Xlib owner such as xclip exits when the
    // window it answers has gone.
    struct Retired
    {
        uint32_t window;
        QDeadlineTimer until;
    };
    std::deque<Retired> m_retired;
    std::deque<Read> m_reads;
    std::optional<QString> m_text;
    bool m_connectionLost = false;
};
