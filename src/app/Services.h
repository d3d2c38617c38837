#pragma once

#include "SystemClipboard.h"

class AutostartEntry;
class Clipboard;
class HistoryStore;
class PollTimers;
class Preferences;
class SelectionSource;

// What the program runs on. The program's own come from SystemServices; tests
// hand in fakes.
struct Services
{
    Clipboard &clipboard;
    Preferences &preferences;
    HistoryStore &history;
    PollTimers &timers;
    // The session's autostart entry; without one the panel has no "Start at
    // Login" switch (tests that do not ask for it).
    AutostartEntry *autostart = nullptr;
    // How much of the user's copying `clipboard` sees; the panel says when it is
    // not everything.
    ClipboardReach clipboardReach = ClipboardReach::Everything;
    // Where the text selected with the mouse is read from; without one the panel
    // has no "Record Selected Text" switch (tests that do not ask for it).
    SelectionSource *selection = nullptr;
};
