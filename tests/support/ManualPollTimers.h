#pragma once

#include "PollTimers.h"

#include <memory>
#include <vector>

// Poll timers that tick only when a test says so.
class ManualPollTimers final : public PollTimers
{
public:
    std::unique_ptr<Timer> start(std::chrono::milliseconds interval,
                                 std::function<void()> onTick) override;

    // How many timers run now.
    int runningCount() const { return int(m_running.size()); }
    // Ticks every running timer once, as the event loop would after an interval.
    void tickAll();

private:
    class ManualTimer;
    struct Running
    {
        const ManualTimer *timer;
        std::function<void()> onTick;
    };
    std::vector<Running> m_running;
};
