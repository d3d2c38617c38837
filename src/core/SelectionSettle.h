#pragma once

#include "PollTimers.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Decides when a selection made with the mouse is finished. While it is dragged
// the selection changes many times a second ("a", "ab", "abc"); only the finished
// one is worth recording. It is finished once it has stood unchanged for
// settleDelay, or at once when the mouse button that was seen held is let go.
// Timers run only while a selection is settling, so an idle session costs no
// wakeups.
class SelectionSettle final
{
public:
    static constexpr std::chrono::milliseconds settleDelay{500};
    // How often the button is looked at while it is held during a selection.
    static constexpr std::chrono::milliseconds buttonCheckInterval{50};

    // `buttonHeld` tells whether a mouse button is held now, nullopt where that
    // cannot be known; `finished` takes each finished selection.
    SelectionSettle(PollTimers &timers, std::function<std::optional<bool>()> buttonHeld,
                    std::function<void(const QString &)> finished);

    // The selection is now `text`; nullopt when it was cleared or holds no text.
    void selectionChanged(const std::optional<QString> &text);
    // Forgets the selection settling, if any, without finishing it.
    void drop();
    bool isSettling() const { return m_pending.has_value(); }

private:
    void quietFor();
    void checkButton();
    void finish();

    PollTimers &m_timers;
    std::function<std::optional<bool>()> m_buttonHeld;
    std::function<void(const QString &)> m_finished;
    std::optional<QString> m_pending;
    // A button was seen held during this selection: letting it go finishes it.
    bool m_dragged = false;
    std::unique_ptr<PollTimers::Timer> m_quiet;
    std::unique_ptr<PollTimers::Timer> m_buttonCheck;
};
