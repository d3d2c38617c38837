// An owner of CLIPBOARD for the clipboard tests, on plain XCB, that can offer any
// targets with any bytes, and can also misbehave the ways real owners do:
//
//   clipboard_owner serve [--chunk BYTES] TARGET[==VALUE]...
//       offers each TARGET with the bytes of standard input (or VALUE), in INCR
//       pieces of BYTES when the data is longer than that (a doubled '=', as a
//       single one is part of names like text/plain;charset=utf-8)
//   clipboard_owner silent             takes the clipboard and never answers
//   clipboard_owner incr-then-exit     offers UTF8_STRING, starts INCR, exits
//   clipboard_owner slow MS TEXT       answers every request after MS ms, saying
//                                      "asked" when one comes
//
// Prints "ready" once it owns the clipboard; exits when another program takes it.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct FreeC
{
    void operator()(void *p) const { std::free(p); }
};

xcb_connection_t *c = nullptr;
xcb_window_t window = XCB_NONE;

xcb_atom_t atom(const std::string &name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeC> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

void notify(const xcb_selection_request_event_t &request, xcb_atom_t property)
{
    xcb_selection_notify_event_t event{};
    event.response_type = XCB_SELECTION_NOTIFY;
    event.time = request.time;
    event.requestor = request.requestor;
    event.selection = request.selection;
    event.target = request.target;
    event.property = property;
    xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
}

void put(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type, uint8_t format,
         const void *data, std::size_t units)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, type, format,
                        static_cast<uint32_t>(units), data);
}

// One INCR transfer under way: the rest of the data, sent a piece per deletion.
struct Incremental
{
    xcb_window_t requestor = XCB_NONE;
    xcb_atom_t property = XCB_NONE;
    xcb_atom_t type = XCB_NONE;
    const std::string *data = nullptr;
    std::size_t offset = 0;
    bool done = true;
};

int run(const std::string &mode, std::map<xcb_atom_t, std::string> offers, std::size_t chunk,
        int delayMs)
{
    const xcb_atom_t clipboard = atom("CLIPBOARD");
    const xcb_atom_t targets = atom("TARGETS");
    const xcb_atom_t incr = atom("INCR");
    xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
    const std::unique_ptr<xcb_get_selection_owner_reply_t, FreeC> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr));
    if (!owner || owner->owner != window) {
        std::fputs("could not take the clipboard\n", stderr);
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);

    Incremental incremental;
    while (xcb_generic_event_t *raw = xcb_wait_for_event(c)) {
        const std::unique_ptr<xcb_generic_event_t, FreeC> event(raw);
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) {
            // As Xlib's XCloseDisplay does: a server may drop the requests of a
            // client that is gone before it took them, answers sent just now too.
            std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
            return 0;
        }
        if (type == XCB_PROPERTY_NOTIFY && !incremental.done) {
            const auto &change = *reinterpret_cast<xcb_property_notify_event_t *>(raw);
            if (change.window != incremental.requestor || change.atom != incremental.property ||
                change.state != XCB_PROPERTY_DELETE)
                continue;
            const std::size_t n = std::min(chunk, incremental.data->size() - incremental.offset);
            put(incremental.requestor, incremental.property, incremental.type, 8,
                incremental.data->data() + incremental.offset, n);
            incremental.offset += n;
            incremental.done = n == 0;
            xcb_flush(c);
            continue;
        }
        if (type != XCB_SELECTION_REQUEST)
            continue;
        const auto &request = *reinterpret_cast<xcb_selection_request_event_t *>(raw);
        if (mode == "silent")
            continue;
        if (delayMs > 0) {
            // Tells the test it was asked while it still owned the clipboard.
            std::puts("asked");
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        }
        const xcb_atom_t property =
            request.property == XCB_NONE ? request.target : request.property;
        if (request.target == targets) {
            std::vector<xcb_atom_t> list{targets};
            for (const auto &offer : offers)
                list.push_back(offer.first);
            put(request.requestor, property, XCB_ATOM_ATOM, 32, list.data(), list.size());
            notify(request, property);
            continue;
        }
        const auto offer = offers.find(request.target);
        if (offer == offers.end()) {
            notify(request, XCB_NONE);
            continue;
        }
        if (mode == "incr-then-exit" || offer->second.size() > chunk) {
            const uint32_t size = static_cast<uint32_t>(offer->second.size());
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(c, request.requestor, XCB_CW_EVENT_MASK, &mask);
            put(request.requestor, property, incr, 32, &size, 1);
            notify(request, property);
            if (mode == "incr-then-exit")
                return 0;
            incremental = {request.requestor, property, request.target, &offer->second, 0, false};
            continue;
        }
        put(request.requestor, property, request.target, 8, offer->second.data(),
            offer->second.size());
        notify(request, property);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs("usage: clipboard_owner serve|silent|incr-then-exit|slow ...\n", stderr);
        return 64;
    }
    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0) {
        std::fputs("cannot connect to the X server\n", stderr);
        return 1;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);

    const std::string &mode = args[0];
    std::map<xcb_atom_t, std::string> offers;
    std::size_t chunk = SIZE_MAX;
    int delayMs = 0;
    if (mode == "serve") {
        const std::string input(std::istreambuf_iterator<char>(std::cin), {});
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--chunk" && i + 1 < args.size()) {
                chunk = std::stoul(args[++i]);
                continue;
            }
            const std::size_t equals = args[i].find("==");
            if (equals == std::string::npos)
                offers[atom(args[i])] = input;
            else
                offers[atom(args[i].substr(0, equals))] = args[i].substr(equals + 2);
        }
    } else if (mode == "incr-then-exit") {
        offers[atom("UTF8_STRING")] = "never sent";
    } else if (mode == "slow" && args.size() == 3) {
        delayMs = std::stoi(args[1]);
        offers[atom("UTF8_STRING")] = args[2];
    } else if (mode != "silent") {
        std::fputs("usage: clipboard_owner serve|silent|incr-then-exit|slow ...\n", stderr);
        return 64;
    }
    const int status = run(mode, std::move(offers), chunk, delayMs);
    xcb_disconnect(c);
    return status;
}
