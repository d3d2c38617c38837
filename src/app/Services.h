#pragma once

class Clipboard;
class HistoryStore;
class PollTimers;
class Preferences;

// What the program runs on. The program's own come from SystemServices; tests
// hand in fakes.
struct Services
{
    Clipboard &clipboard;
    Preferences &preferences;
    HistoryStore &history;
    PollTimers &timers;
};
