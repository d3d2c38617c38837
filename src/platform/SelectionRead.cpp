#include "SelectionRead.h"

#include "ClipboardTextPolicy.h"
#include "XcbConnection.h"

#include <xcb/xcbext.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// How much of a property one GetProperty takes, in the 32-bit units it counts in.
// libxcb reads a reply whole once its head is in, waiting for the server to
// write the rest, so a large property is taken in slices of 64 KiB: each is read
// and decoded in well under a millisecond, and the event loop runs in between.
constexpr uint32_t sliceUnits = 16 * 1024;

} // namespace

SelectionRead::SelectionRead(XcbConnection &connection, xcb_window_t window, xcb_timestamp_t time)
    : SelectionRead(connection, window, connection.atoms().clipboard, time)
{
}

SelectionRead::SelectionRead(XcbConnection &connection, xcb_window_t window, xcb_atom_t selection,
                             xcb_timestamp_t time)
    : m_connection(connection), m_selection(selection), m_time(time), m_window(window)
{
    // The targets are asked first: an owner answers in the order asked, and some
    // serve one INCR transfer at a time.
    request(m_connection.atoms().targets);
    xcb_convert_selection(m_connection.get(), m_window, m_selection,
                          m_connection.atoms().utf8String, m_connection.atoms().earlyTextProperty,
                          m_time);
    m_connection.flush();
}

SelectionRead::~SelectionRead()
{
    if (m_pendingProperty)
        xcb_discard_reply(m_connection.get(), *m_pendingProperty);
    for (const unsigned int sequence : std::as_const(m_nameRequests))
        xcb_discard_reply(m_connection.get(), sequence);
}

void SelectionRead::request(xcb_atom_t target)
{
    expect(target, m_connection.atoms().transferProperty);
    xcb_convert_selection(m_connection.get(), m_window, m_selection, target, m_property, m_time);
    m_connection.flush();
}

void SelectionRead::expect(xcb_atom_t target, xcb_atom_t property)
{
    m_target = target;
    m_property = property;
    m_incremental = false;
    m_sliceOffset = 0;
    m_bytes.clear();
}

SelectionRead::Progress SelectionRead::handle(const xcb_generic_event_t &event)
{
    if (m_finished)
        return Progress::None;
    switch (event.response_type & 0x7f) {
    case XCB_SELECTION_NOTIFY:
        return onSelectionNotify(reinterpret_cast<const xcb_selection_notify_event_t &>(event));
    case XCB_PROPERTY_NOTIFY:
        return onPropertyNotify(reinterpret_cast<const xcb_property_notify_event_t &>(event));
    default:
        return Progress::None;
    }
}

SelectionRead::Progress SelectionRead::onSelectionNotify(const xcb_selection_notify_event_t &event)
{
    if (event.requestor != m_window || event.selection != m_selection)
        return Progress::None;
    if (m_early == Early::Asked && event.target == m_connection.atoms().utf8String) {
        m_early = event.property == XCB_NONE ? Early::Refused : Early::Answered;
        return Progress::Some;
    }
    if (event.target != m_target || m_incremental || m_pendingProperty || m_stage == Stage::Names)
        return Progress::None;
    if (event.property == XCB_NONE)
        return transferDone(false);
    requestProperty();
    return Progress::Some;
}

SelectionRead::Progress SelectionRead::onPropertyNotify(const xcb_property_notify_event_t &event)
{
    if (!m_incremental || m_pendingProperty || event.window != m_window ||
        event.atom != m_property || event.state != XCB_PROPERTY_NEW_VALUE)
        return Progress::None;
    requestProperty();
    return Progress::Some;
}

void SelectionRead::requestProperty()
{
    xcb_connection_t *c = m_connection.get();
    // The server deletes the property only with its last slice, so an INCR owner
    // writes its next piece only once this one is read in full. The targets and
    // the hint are left in place: some owners (xclip) take the deletion of any
    // property of the window for the go-ahead of their INCR transfer, and the
    // early text's may be waiting.
    m_pendingProperty = xcb_get_property(c, deletesAfterReading(), m_window, m_property,
                                         XCB_GET_PROPERTY_TYPE_ANY, m_sliceOffset, sliceUnits)
                            .sequence;
    m_connection.flush();
}

SelectionRead::Progress SelectionRead::pollReply()
{
    if (m_stage == Stage::Names && !m_finished)
        return pollNames();
    if (m_finished || !m_pendingProperty)
        return Progress::None;
    void *reply = nullptr;
    xcb_generic_error_t *error = nullptr;
    if (xcb_poll_for_reply(m_connection.get(), *m_pendingProperty, &reply, &error) == 0)
        return Progress::None;
    m_pendingProperty.reset();
    std::free(error);
    const XcbReply<xcb_get_property_reply_t> property(
        static_cast<xcb_get_property_reply_t *>(reply));
    return onProperty(property.get());
}

SelectionRead::Progress SelectionRead::onProperty(const xcb_get_property_reply_t *reply)
{
    if (!reply)
        return transferDone(false);
    const int length = std::max(0, xcb_get_property_value_length(reply));
    const bool announcesIncr = reply->type == m_connection.atoms().incr;
    if (!announcesIncr && length > 0)
        keep(QByteArrayView(static_cast<const char *>(xcb_get_property_value(reply)), length));
    if (!announcesIncr && reply->bytes_after > 0 && length > 0) {
        // A slice other than the last holds a whole number of 32-bit units.
        if (m_sliceOffset == 0 && !m_incremental && m_decoder)
            m_decoder->expect(qsizetype(length) + qsizetype(reply->bytes_after));
        m_sliceOffset += uint32_t(length) / 4;
        requestProperty();
        return Progress::Some;
    }
    m_sliceOffset = 0;
    if (m_incremental) {
        // An empty piece ends the transfer.
        return length == 0 ? transferDone(true) : Progress::Some;
    }
    if (announcesIncr) {
        // Deleting the property asks for the first piece.
        if (!deletesAfterReading()) {
            xcb_delete_property(m_connection.get(), m_window, m_property);
            m_connection.flush();
        }
        m_incremental = true;
        if (m_decoder && reply->format == 32 && length >= 4)
            m_decoder->expect(
                qsizetype(*static_cast<const uint32_t *>(xcb_get_property_value(reply))));
        return Progress::Some;
    }
    return transferDone(true);
}

void SelectionRead::keep(QByteArrayView bytes)
{
    if (m_stage == Stage::Text && m_decoder)
        m_decoder->append(bytes);
    else
        m_bytes.append(bytes);
}

SelectionRead::Progress SelectionRead::transferDone(bool received)
{
    m_incremental = false;
    switch (m_stage) {
    case Stage::Targets:
        // An owner that names no targets offers nothing Brimvale can read.
        return received ? afterTargets() : finish(std::nullopt);
    case Stage::Hint:
        if (received && ClipboardTextPolicy::hintSaysSecret(m_bytes))
            return finish(std::nullopt);
        return requestNextText();
    case Stage::Text:
        if (received)
            return finish(m_decoder->finish());
        return requestNextText();
    case Stage::Names:
        // No transfer runs while the names are asked for.
        break;
    }
    return finish(std::nullopt);
}

SelectionRead::Progress SelectionRead::afterTargets()
{
    const qsizetype count = m_bytes.size() / qsizetype(sizeof(xcb_atom_t));
    m_offered.resize(count);
    std::memcpy(m_offered.data(), m_bytes.constData(), std::size_t(count) * sizeof(xcb_atom_t));
    // Which targets hold text is decided by their names, compared as the policy
    // compares them; atoms would only match the exact spelling.
    for (const xcb_atom_t atom : std::as_const(m_offered)) {
        if (m_connection.knownAtomName(atom) || m_unnamed.contains(atom))
            continue;
        m_unnamed.append(atom);
        m_nameRequests.append(xcb_get_atom_name(m_connection.get(), atom).sequence);
    }
    if (m_nameRequests.isEmpty())
        return chooseTargets();
    m_stage = Stage::Names;
    m_connection.flush();
    return Progress::Some;
}

SelectionRead::Progress SelectionRead::pollNames()
{
    bool named = false;
    // Replies come in the order asked.
    while (!m_nameRequests.isEmpty()) {
        void *reply = nullptr;
        xcb_generic_error_t *error = nullptr;
        if (xcb_poll_for_reply(m_connection.get(), m_nameRequests.first(), &reply, &error) == 0)
            break;
        std::free(error);
        const XcbReply<xcb_get_atom_name_reply_t> name(
            static_cast<xcb_get_atom_name_reply_t *>(reply));
        m_connection.rememberAtomName(m_unnamed.takeFirst(),
                                      name ? QByteArray(xcb_get_atom_name_name(name.get()),
                                                        xcb_get_atom_name_name_length(name.get()))
                                           : QByteArray());
        m_nameRequests.removeFirst();
        named = true;
    }
    if (m_nameRequests.isEmpty())
        return chooseTargets();
    return named ? Progress::Some : Progress::None;
}

SelectionRead::Progress SelectionRead::chooseTargets()
{
    QList<QByteArray> names;
    names.reserve(m_offered.size());
    for (const xcb_atom_t atom : std::as_const(m_offered)) {
        const QByteArray *name = m_connection.knownAtomName(atom);
        names.append(name ? *name : QByteArray());
    }
    for (const ClipboardTextPolicy::TextType &type : ClipboardTextPolicy::textTypes(names))
        m_textTargets.append({m_offered.at(type.offeredAt), type.encoding});
    if (m_textTargets.isEmpty())
        return finish(std::nullopt);
    if (const std::optional<qsizetype> hint = ClipboardTextPolicy::hintType(names)) {
        m_stage = Stage::Hint;
        request(m_offered.at(*hint));
        return Progress::Some;
    }
    return requestNextText();
}

SelectionRead::Progress SelectionRead::requestNextText()
{
    if (m_textTargets.isEmpty())
        return finish(std::nullopt);
    const TextTarget next = m_textTargets.takeFirst();
    m_stage = Stage::Text;
    m_decoder.emplace(next.encoding);
    if (next.target == m_connection.atoms().utf8String)
        return takeEarlyText();
    request(next.target);
    return Progress::Some;
}

SelectionRead::Progress SelectionRead::takeEarlyText()
{
    if (m_early == Early::Refused)
        return transferDone(false);
    const bool answered = m_early == Early::Answered;
    m_early = Early::Taken;
    expect(m_connection.atoms().utf8String, m_connection.atoms().earlyTextProperty);
    // Not answered yet: its notice is then taken as any awaited answer's.
    if (answered)
        requestProperty();
    return Progress::Some;
}

SelectionRead::Progress SelectionRead::finish(std::optional<QString> text)
{
    m_finished = true;
    // An early text left unread, a secret one above all, does not wait on the
    // server for the window's end.
    if (m_early == Early::Answered) {
        xcb_delete_property(m_connection.get(), m_window, m_connection.atoms().earlyTextProperty);
        m_connection.flush();
    }
    m_text = std::move(text);
    m_bytes.clear();
    m_decoder.reset();
    return Progress::Finished;
}
