#pragma once

#include "Clipboard.h"

#include <QString>

#include <memory>

// Where the text selected with the mouse (X11's PRIMARY, Wayland's primary
// selection) can be read from, opened only while the user wants it recorded: an
// open reader is woken by every selection made anywhere.
class SelectionSource
{
public:
    virtual ~SelectionSource() = default;

    // Why this session's selection cannot be read, ready for the log; empty where
    // it can.
    virtual QString unavailableReason() const = 0;
    // A reader of the selection, which announces every selection made from now on
    // (not the one made before), or nullptr where none can be had.
    virtual std::unique_ptr<Clipboard> open() = 0;
};
