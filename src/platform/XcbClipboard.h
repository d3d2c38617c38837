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
// that does not answer within answerTimeout is given up on until the next change.
// readText() serves the last text read in full; changed() says a new one is in.
//
// The same reader watches PRIMARY, the text selected with the mouse, when opened
// for it; Brimvale's own selections (text selected in its panel) are not read.
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

    // Whether a read from the current owner is still under way.
    bool reading() const { return m_read != nullptr; }

private:
    XcbClipboard(std::unique_ptr<XcbConnection> connection, Selection selection, QObject *parent);
    QClipboard::Mode mode() const;

    void processEvents();
    void ownerChanged(uint32_t owner, uint32_t time);
    void readFinished();
    void giveUp();
    // Drops the read under way, if any; its window is retired.
    void forgetRead();
    void retire(uint32_t window);

    std::unique_ptr<XcbConnection> m_connection;
    Selection m_selection;
    uint32_t m_selectionAtom;
    QClipboard *m_clipboard;
    QSocketNotifier *m_notifier;
    // Restarted by every answer of the owner; when it fires the read is given up.
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
    std::unique_ptr<SelectionRead> m_read;
    std::optional<QString> m_text;
    bool m_connectionLost = false;
};
