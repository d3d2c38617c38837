#pragma once

#include <memory>

class Clipboard;

// The clipboard of the platform Qt runs on: on X11 read on a connection of our
// own (XcbClipboard), elsewhere through Qt (QtClipboard). Requires a
// QGuiApplication.
std::unique_ptr<Clipboard> makePlatformClipboard();
