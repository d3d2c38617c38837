#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <variant>

// A reply of libxcb, which the caller frees with free().
template <typename Reply> struct XcbFreeReply
{
    void operator()(Reply *reply) const { std::free(reply); }
};
template <typename Reply> using XcbReply = std::unique_ptr<Reply, XcbFreeReply<Reply>>;

// The atoms of the selection protocol itself, interned once. The owner's data
// types are told apart by their names (ClipboardTextPolicy).
struct XcbAtoms
{
    xcb_atom_t clipboard = XCB_NONE;
    xcb_atom_t targets = XCB_NONE;
    xcb_atom_t incr = XCB_NONE;
    xcb_atom_t utf8String = XCB_NONE;
    // Where owners put what we asked for, on our own window.
    xcb_atom_t transferProperty = XCB_NONE;
    // Where the owner puts the text asked for together with its targets.
    xcb_atom_t earlyTextProperty = XCB_NONE;
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
    // The same for any selection, such as PRIMARY, the text selected with the mouse.
    void watchSelectionOwner(xcb_window_t window, xcb_atom_t selection);
    xcb_window_t selectionOwner(xcb_atom_t selection);
    // Whether a mouse button is held down now: one round trip to the server.
    // nullopt when the server did not answer.
    std::optional<bool> pointerButtonHeld();
    void flush() { xcb_flush(m_connection); }

    // Atom names as the server gave them, asked once per atom: an atom keeps its
    // name as long as the server runs. Empty for an atom the server did not name.
    const QByteArray *knownAtomName(xcb_atom_t atom) const;
    void rememberAtomName(xcb_atom_t atom, QByteArray name);

private:
    explicit XcbConnection(xcb_connection_t *connection, xcb_window_t root);
    bool internAtoms();

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    XcbAtoms m_atoms;
    QHash<xcb_atom_t, QByteArray> m_atomNames;
    uint8_t m_selectionNoticeType = 0;
};
