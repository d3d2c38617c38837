#pragma once

#include "SystemClipboard.h"

#include <QLabel>

// One quiet line in the panel where the desktop hands Brimvale the clipboard only
// while one of its windows has the focus (Wayland without data-control), so that
// a copy missing from the history is not a surprise. Hidden everywhere else.
class CaptureReachNote final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CaptureReachNote)

public:
    explicit CaptureReachNote(ClipboardReach reach, QWidget *parent = nullptr);
};
