#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <thread>

struct wl_display;

// A minimal Wayland compositor for the tests, on libwayland-server in a thread of
// its own: one seat and the data-control managers asked for (ext, wlroots' or
// both), with a clipboard that relays selections between its clients. Enough to
// test our client over either protocol where no compositor offers ext.
class DataControlTestServer final
{
public:
    struct Globals
    {
        bool ext = false;
        bool wlr = false;
    };

    // Listens on `socketName` in the process's XDG_RUNTIME_DIR.
    DataControlTestServer(const QByteArray &socketName, Globals globals);
    ~DataControlTestServer();
    DataControlTestServer(const DataControlTestServer &) = delete;
    DataControlTestServer &operator=(const DataControlTestServer &) = delete;

    bool isListening() const { return m_listening; }

    struct State;

private:
    wl_display *m_display;
    std::unique_ptr<State> m_state;
    bool m_listening = false;
    std::thread m_thread;
};
