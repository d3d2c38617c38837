#pragma once

#include "ClipboardTextDecoder.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <xcb/xcb.h>

#include <optional>

class XcbConnection;

// One read of a selection's plain text (CLIPBOARD's, or PRIMARY's) from its current owner, driven
// by the events of our own connection so that nothing ever waits for the owner: first the targets
// it offers and their names, then the password manager's hint when there is one, then the text,
// each as one answer or in INCR pieces. It asks on the window it is given and ignores whatever
// arrives on any other, so an abandoned read's window must not be given to the next one while a
// late answer may still come.
//
// Every request goes to whoever owns the clipboard when the server takes it. A
// script that copies in a loop replaces the owner within milliseconds, before
// the targets are even in, so the text as UTF8_STRING, which nearly every owner
// offers and the text policy prefers, is asked for together with the targets.
// Its answer is left on the server, unread, until the targets and the hint say
// it is the text to take: a password manager's secret never reaches this
// process.
class SelectionRead final
{
public:
    enum class Progress { None, Some, Finished };

    // Asks the owner for its targets on `window` (XcbConnection::createWindow()).
    // `time` is the time of the owner change.
    SelectionRead(XcbConnection &connection, xcb_window_t window, xcb_timestamp_t time);
    // The same for another selection than CLIPBOARD.
    SelectionRead(XcbConnection &connection, xcb_window_t window, xcb_atom_t selection,
                  xcb_timestamp_t time);
    ~SelectionRead();
    SelectionRead(const SelectionRead &) = delete;
    SelectionRead &operator=(const SelectionRead &) = delete;

    // Takes an event of the connection; Some when the owner answered something.
    Progress handle(const xcb_generic_event_t &event);
    // Takes the property asked for, if the server has sent it.
    Progress pollReply();

    // Once finished: the text, or nullopt when the owner offers none, refused it,
    // or marked it secret.
    const std::optional<QString> &text() const { return m_text; }
    bool finished() const { return m_finished; }
    xcb_window_t window() const { return m_window; }
    // Whether, once finished, nothing more can arrive on the window: it may then
    // serve the next read.
    bool leftNothingBehind() const
    {
        return m_finished && (m_early == Early::Refused || m_early == Early::Taken);
    }

private:
    enum class Stage { Targets, Names, Hint, Text };
    // The text asked for with the targets: not answered yet, answered and waiting
    // on the server, refused, or taken as the text.
    enum class Early { Asked, Answered, Refused, Taken };
    struct TextTarget
    {
        xcb_atom_t target;
        ClipboardTextDecoder::Encoding encoding;
    };

    void request(xcb_atom_t target);
    // The answer to `target` is to arrive in `property`.
    void expect(xcb_atom_t target, xcb_atom_t property);
    Progress onSelectionNotify(const xcb_selection_notify_event_t &event);
    Progress onPropertyNotify(const xcb_property_notify_event_t &event);
    // Asks for the next slice of our property, deleting it with the last. The
    // reply is taken by pollReply() when it is in, so none holds up the caller.
    void requestProperty();
    bool deletesAfterReading() const { return m_incremental || m_stage == Stage::Text; }
    Progress onProperty(const xcb_get_property_reply_t *reply);
    void keep(QByteArrayView bytes);
    Progress transferDone(bool received);
    Progress afterTargets();
    Progress pollNames();
    Progress chooseTargets();
    Progress requestNextText();
    Progress takeEarlyText();
    Progress finish(std::optional<QString> text);

    XcbConnection &m_connection;
    xcb_atom_t m_selection;
    xcb_timestamp_t m_time;
    xcb_window_t m_window;
    Stage m_stage = Stage::Targets;
    xcb_atom_t m_target = XCB_NONE;
    // Where the answer to m_target arrives.
    xcb_atom_t m_property = XCB_NONE;
    Early m_early = Early::Asked;
    bool m_incremental = false;
    // Where the next slice of the property starts, in 32-bit units.
    uint32_t m_sliceOffset = 0;
    // The sequence number of the GetProperty under way.
    std::optional<unsigned int> m_pendingProperty;
    bool m_finished = false;
    QByteArray m_bytes;
    QList<xcb_atom_t> m_offered;
    // The offered atoms whose names are asked for, and the sequence numbers of
    // those requests, in the order they were sent.
    QList<xcb_atom_t> m_unnamed;
    QList<unsigned int> m_nameRequests;
    QList<TextTarget> m_textTargets;
    std::optional<ClipboardTextDecoder> m_decoder;
    std::optional<QString> m_text;
};
