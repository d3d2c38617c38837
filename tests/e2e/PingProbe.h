#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <xcb/xcb.h>

#include <poll.h>

#include <cstdlib>
#include <memory>
#include <optional>

// Asks a top-level window whether its program is alive the way a window manager
// does: a _NET_WM_PING client message, which the program's GUI thread answers
// by sending it back to the root window. Qt answers it from its event loop, so the
// time to the answer is how long that loop would keep a user waiting.
class PingProbe final
{
public:
    explicit PingProbe(uint32_t window) : m_window(window)
    {
        int screenNumber = 0;
        m_connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(m_connection) != 0)
            return;
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
        for (int i = 0; i < screenNumber; ++i)
            xcb_screen_next(&screens);
        m_root = screens.data->root;
        m_protocols = atom("WM_PROTOCOLS");
        m_ping = atom("_NET_WM_PING");
        // The answer is sent to the root for its structure's listeners.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
    ~PingProbe() { xcb_disconnect(m_connection); }
    PingProbe(const PingProbe &) = delete;
    PingProbe &operator=(const PingProbe &) = delete;

    bool connected() const
    {
        return xcb_connection_has_error(m_connection) == 0 && m_ping != XCB_NONE;
    }

    // Milliseconds until the answer, or nullopt when none came within `waitMs`.
    std::optional<qint64> ping(int waitMs)
    {
        const uint32_t stamp = ++m_stamp;
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = m_window;
        message.type = m_protocols;
        message.data.data32[0] = m_ping;
        message.data.data32[1] = stamp;
        message.data.data32[2] = m_window;
        QElapsedTimer elapsed;
        elapsed.start();
        xcb_send_event(m_connection, 0, m_window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&message));
        xcb_flush(m_connection);
        while (elapsed.elapsed() < waitMs) {
            while (xcb_generic_event_t *raw = xcb_poll_for_event(m_connection)) {
                const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(raw,
                                                                                       &std::free);
                if ((raw->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
                    continue;
                const auto &answer = *reinterpret_cast<xcb_client_message_event_t *>(raw);
                if (answer.data.data32[0] == m_ping && answer.data.data32[1] == stamp)
                    return elapsed.elapsed();
            }
            pollfd fd{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&fd, 1, int(std::max<qint64>(1, waitMs - elapsed.elapsed())));
        }
        return std::nullopt;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(m_connection,
                                  xcb_intern_atom(m_connection, 0, uint16_t(qstrlen(name)), name),
                                  nullptr),
            &std::free);
        return reply ? reply->atom : XCB_NONE;
    }

    xcb_connection_t *m_connection = nullptr;
    uint32_t m_window;
    xcb_window_t m_root = XCB_NONE;
    xcb_atom_t m_protocols = XCB_NONE;
    xcb_atom_t m_ping = XCB_NONE;
    uint32_t m_stamp = 0;
};
