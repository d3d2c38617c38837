#pragma once

#include "SelectionSettle.h"

#include <QObject>

#include <memory>

class Clipboard;
class ClipboardManager;
class PollTimers;
class Preferences;
class SelectionSource;

// Records the text selected with the mouse while the user has "Record Selected
// Text" on: the selection's reader is open only then, each selection is recorded
// once it is finished (SelectionSettle), and the manager records it as it records
// a copy.
class SelectionRecorder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectionRecorder)

public:
    SelectionRecorder(ClipboardManager &manager, Preferences &preferences, SelectionSource &source,
                      PollTimers &timers, QObject *parent = nullptr);
    ~SelectionRecorder() override;

    // Whether the selection's reader is open.
    bool isRecording() const { return m_reader != nullptr; }

private:
    void follow();
    void selectionChanged();

    ClipboardManager &m_manager;
    Preferences &m_preferences;
    SelectionSource &m_source;
    SelectionSettle m_settle;
    std::unique_ptr<Clipboard> m_reader;
};
