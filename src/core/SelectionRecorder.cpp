#include "SelectionRecorder.h"

#include "ClipboardManager.h"

#include "Clipboard.h"
#include "Preferences.h"
#include "SelectionSource.h"

SelectionRecorder::SelectionRecorder(ClipboardManager &manager, Preferences &preferences,
                                     SelectionSource &source, PollTimers &timers, QObject *parent)
    : QObject(parent), m_manager(manager), m_preferences(preferences), m_source(source),
      m_settle(
          timers,
          [this]() -> std::optional<bool> {
              return m_reader ? m_reader->pointerButtonHeld() : std::nullopt;
          },
          [this](const QString &text) { m_manager.captureSelection(text); })
{
    follow();
    connect(&m_preferences, &Preferences::changed, this, [this](Preference preference) {
        if (preference == Preference::RecordSelection)
            follow();
        // What was selected while Privacy Mode was on is not ours to record.
        else if (preference == Preference::PrivacyMode && m_preferences.privacyMode())
            m_settle.drop();
    });
}

SelectionRecorder::~SelectionRecorder() = default;

void SelectionRecorder::follow()
{
    const bool wanted = m_preferences.recordSelection();
    if (wanted == isRecording())
        return;
    m_settle.drop();
    if (!wanted) {
        m_reader.reset();
        return;
    }
    m_reader = m_source.open();
    if (m_reader)
        connect(m_reader.get(), &Clipboard::changed, this, &SelectionRecorder::selectionChanged);
}

void SelectionRecorder::selectionChanged()
{
    if (m_preferences.privacyMode())
        return m_settle.drop();
    m_settle.selectionChanged(m_reader->readText());
}
