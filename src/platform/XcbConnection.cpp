#include "XcbConnection.h"

#include <xcb/xfixes.h>

#include <array>
#include <string_view>

std::variant<std::unique_ptr<XcbConnection>, QString> XcbConnection::open()
{
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return QStringLiteral("cannot connect to the X server of DISPLAY");
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        return QStringLiteral("the X server has no screen %1").arg(screenNumber);
    }
    std::unique_ptr<XcbConnection> self(new XcbConnection(connection, screens.data->root));

    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present)
        return QStringLiteral("the X server lacks the XFixes extension");
    // XFixes answers nothing else before its version has been asked.
    const XcbReply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
        connection, xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, 0), nullptr));
    if (!version || version->major_version < 1)
        return QStringLiteral("the X server's XFixes is too old");
    self->m_selectionNoticeType =
        static_cast<uint8_t>(xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
    if (!self->internAtoms())
        return QStringLiteral("the X server did not intern the clipboard's atoms");
    return self;
}

XcbConnection::XcbConnection(xcb_connection_t *connection, xcb_window_t root)
    : m_connection(connection), m_root(root)
{
}

XcbConnection::~XcbConnection()
{
    xcb_disconnect(m_connection);
}

int XcbConnection::fileDescriptor() const
{
    return xcb_get_file_descriptor(m_connection);
}

bool XcbConnection::internAtoms()
{
    struct Wanted
    {
        std::string_view name;
        xcb_atom_t *atom;
    };
    const std::array wanted{
        Wanted{"CLIPBOARD", &m_atoms.clipboard},
        Wanted{"TARGETS", &m_atoms.targets},
        Wanted{"INCR", &m_atoms.incr},
        Wanted{"UTF8_STRING", &m_atoms.utf8String},
        Wanted{"BRIMVALE_CLIPBOARD_TRANSFER", &m_atoms.transferProperty},
        Wanted{"BRIMVALE_CLIPBOARD_EARLY_TEXT", &m_atoms.earlyTextProperty},
    };
    // All requests first, then all replies: one round trip instead of one each.
    std::array<xcb_intern_atom_cookie_t, wanted.size()> cookies{};
    for (std::size_t i = 0; i < wanted.size(); ++i)
        cookies[i] = xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(wanted[i].name.size()),
                                     wanted[i].name.data());
    bool all = true;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const XcbReply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(m_connection, cookies[i], nullptr));
        if (reply)
            *wanted[i].atom = reply->atom;
        all = all && reply && reply->atom != XCB_NONE;
    }
    return all;
}

xcb_window_t XcbConnection::createWindow()
{
    const xcb_window_t window = xcb_generate_id(m_connection);
    const uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &eventMask);
    return window;
}

void XcbConnection::destroyWindow(xcb_window_t window)
{
    xcb_destroy_window(m_connection, window);
}

void XcbConnection::watchClipboardOwner(xcb_window_t window)
{
    watchSelectionOwner(window, m_atoms.clipboard);
}

void XcbConnection::watchSelectionOwner(xcb_window_t window, xcb_atom_t selection)
{
    xcb_xfixes_select_selection_input(m_connection, window, selection,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
}

xcb_window_t XcbConnection::clipboardOwner()
{
    return selectionOwner(m_atoms.clipboard);
}

xcb_window_t XcbConnection::selectionOwner(xcb_atom_t selection)
{
    const XcbReply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, selection), nullptr));
    return reply ? reply->owner : XCB_NONE;
}

std::optional<bool> XcbConnection::pointerButtonHeld()
{
    const XcbReply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
    if (!reply)
        return std::nullopt;
    return (reply->mask & (XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3)) != 0;
}

const QByteArray *XcbConnection::knownAtomName(xcb_atom_t atom) const
{
    const auto found = m_atomNames.constFind(atom);
    return found == m_atomNames.cend() ? nullptr : &found.value();
}

void XcbConnection::rememberAtomName(xcb_atom_t atom, QByteArray name)
{
    m_atomNames.insert(atom, std::move(name));
}
