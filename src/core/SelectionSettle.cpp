#include "SelectionSettle.h"

#include <utility>

SelectionSettle::SelectionSettle(PollTimers &timers,
                                 std::function<std::optional<bool>()> buttonHeld,
                                 std::function<void(const QString &)> finished)
    : m_timers(timers), m_buttonHeld(std::move(buttonHeld)), m_finished(std::move(finished))
{
}

void SelectionSettle::selectionChanged(const std::optional<QString> &text)
{
    if (!text || text->isEmpty())
        return drop();
    m_pending = *text;
    // Every change starts the quiet time anew.
    m_quiet = m_timers.start(settleDelay, [this] { quietFor(); });
    const std::optional<bool> held = m_buttonHeld();
    if (held == true) {
        m_dragged = true;
        if (!m_buttonCheck)
            m_buttonCheck = m_timers.start(buttonCheckInterval, [this] { checkButton(); });
    } else if (held == false && m_dragged) {
        // The owner announced the last change after the button was let go.
        finish();
    }
}

void SelectionSettle::drop()
{
    m_pending.reset();
    m_dragged = false;
    m_quiet.reset();
    m_buttonCheck.reset();
}

void SelectionSettle::quietFor()
{
    // A drag that pauses is not finished: the button check waits for the release.
    if (m_dragged && m_buttonHeld() == true) {
        m_quiet.reset();
        return;
    }
    finish();
}

void SelectionSettle::checkButton()
{
    if (m_buttonHeld() != true)
        finish();
}

void SelectionSettle::finish()
{
    const std::optional<QString> text = std::exchange(m_pending, std::nullopt);
    drop();
    if (text)
        m_finished(*text);
}
