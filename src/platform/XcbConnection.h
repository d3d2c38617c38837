#pragma once

#include <QString>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <variant>

// A reply of libxcb, which the caller frees with free().
template <typename Reply> struct XcbFreeReply
{
    void operator()(Reply *reply) const { std::free(reply); }
};
template <typename Reply> using XcbReply = std::unique_ptr<Reply, XcbFreeReply<Reply>>;

// The atoms the clipboard reader asks for or compares with, interned once.
struct XcbAtoms
{
    xcb_atom_t clipboard = XCB_NONE;
    xcb_atom_t targets = XCB_NONE;
    xcb_atom_t incr = XCB_NONE;
    xcb_atom_t utf8String = XCB_NONE;
    xcb_atom_t text = XCB_NONE;
    xcb_atom_t textPlain = XCB_NONE;
    xcb_atom_t uriList = XCB_NONE;
    xcb_atom_t passwordManagerHint = XCB_NONE;
    // Where owners put what we asked for, on our own window.
    xcb_atom_t transferProperty = XCB_NONE;
};

// A connection of our own to the X server of DISPLAY, with XFixes, so that
// reading the clipboard never waits inside Qt's connection. Owns the connection;
// the windows it creates die with it.
class XcbConnection final
{
public:
    // The connection, or why there is none (no display, no XFixes).
    static std::variant<std::unique_ptr<XcbConnection>, QString> open();

    ~XcbConnection();
    XcbConnection(const XcbConnection &) = delete;
    XcbConnection &operator=(const XcbConnection &) = delete;

    xcb_connection_t *get() const { return m_connection; }
    int fileDescriptor() const;
    const XcbAtoms &atoms() const { return m_atoms; }
    // The response type of an XFixes selection-owner notice.
    uint8_t selectionNoticeType() const { return m_selectionNoticeType; }
    bool hasError() const { return xcb_connection_has_error(m_connection) != 0; }

    // An unmapped window that is told about changes of its own properties.
    xcb_window_t createWindow();
    void destroyWindow(xcb_window_t window);
    // Asks for XFixes notices about CLIPBOARD's owner on `window`.
    void watchClipboardOwner(xcb_window_t window);
    xcb_window_t clipboardOwner();
    void flush() { xcb_flush(m_connection); }

private:
    explicit XcbConnection(xcb_connection_t *connection, xcb_window_t root);
    bool internAtoms();

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    XcbAtoms m_atoms;
    uint8_t m_selectionNoticeType = 0;
};
