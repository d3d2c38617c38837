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

// The system clipboard for this session: on Wayland, when the compositor offers a
// data-control manager, one that speaks it on a connection of its own, whatever
// platform Qt itself runs on; without one, X11's through XWayland when DISPLAY
// names a server; otherwise Qt's. Logs which one on the category
// "brimvale.platform.clipboard" (QT_LOGGING_RULES="brimvale.platform.clipboard.info=true"),
// and says once on standard error when the desktop lets it see only some copies.
std::unique_ptr<Clipboard> createSystemClipboard();

// What the last createSystemClipboard() found; Everything before any call.
ClipboardReach systemClipboardReach();

// The mouse selection of the same session, read the way the last
// createSystemClipboard() chose: X11's PRIMARY through the same XFixes reader, or
// the primary selection over data-control. Where the clipboard is Qt's own, or
// the compositor's data-control lacks the primary selection, there is none, and
// unavailableReason() says why.
std::unique_ptr<SelectionSource> createSystemSelectionSource();
