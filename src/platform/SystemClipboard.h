#pragma once

#include "Clipboard.h"
#include "SelectionSource.h"

#include <memory>

// How much of the user's copying the chosen clipboard can see.
enum class ClipboardReach {
    // Every copy, whichever window has the focus (X11, Wayland with data-control,
    // XWayland on a compositor without it).
    Everything,
    // Only what the session hands to our own windows: Wayland without data-control.
    OnlyWhileSeen,
};

// The clipboard chosen for this session, how much of the user's copying it sees,
// and the mouse selection read the same way: X11's PRIMARY through the same
// XFixes reader, or the primary selection over data-control. Where the clipboard
// is Qt's own, or the compositor's data-control lacks the primary selection, the
// selection cannot be read, and its unavailableReason() says why.
struct SystemClipboard
{
    std::unique_ptr<Clipboard> clipboard;
    ClipboardReach reach = ClipboardReach::Everything;
    std::unique_ptr<SelectionSource> selection;
};

// The system clipboard for this session: on Wayland, when the compositor offers a
// data-control manager, one that speaks it on a connection of its own, whatever
// platform Qt itself runs on; without one, X11's through XWayland when DISPLAY
// names a server; otherwise Qt's. Logs which one on the category
// "brimvale.platform.clipboard" (QT_LOGGING_RULES="brimvale.platform.clipboard.info=true"),
// and says once on standard error when the desktop lets it see only some copies.
SystemClipboard createSystemClipboard();
