#include "CaptureReachNote.h"

CaptureReachNote::CaptureReachNote(ClipboardReach reach, QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("captureReachNote"));
    setText(tr("On this desktop Brimvale records copies only while it can see them."));
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setForegroundRole(QPalette::PlaceholderText);
    setVisible(reach == ClipboardReach::OnlyWhileSeen);
}
