#pragma once

#include <QString>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

// Closes a top-level window the way a window manager does when the user clicks
// its close button: a WM_DELETE_WINDOW client message, which the program may
// answer as it likes (hiding the window, or ending). No window manager is needed.
namespace WindowClose {

inline bool requestClose(const QString &windowId)
{
    bool parsed = false;
    const uint32_t window = windowId.toUInt(&parsed, 0);
    if (!parsed)
        return false;
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(nullptr, nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(connection.get()) != 0)
        return false;
    const auto atom = [&connection](const char *name) -> xcb_atom_t {
        const xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(connection.get(), 0, uint16_t(std::strlen(name)), name);
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection.get(), cookie, nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_NONE);
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    if (message.type == XCB_NONE || message.data.data32[0] == XCB_NONE)
        return false;
    const xcb_void_cookie_t sent =
        xcb_send_event_checked(connection.get(), 0, window, XCB_EVENT_MASK_NO_EVENT,
                               reinterpret_cast<const char *>(&message));
    const std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(connection.get(), sent), &std::free);
    return !error;
}

} // namespace WindowClose
