#pragma once

class Clipboard;
class PollTimers;
class PreferencesStore;

// What the program runs on. The program's own come from SystemServices; tests
// hand in fakes.
struct Services
{
    Clipboard &clipboard;
    PreferencesStore &store;
    PollTimers &timers;
};
