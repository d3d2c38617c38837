#pragma once

#include <chrono>
#include <functional>
#include <memory>

// Starts the repeating timers the clipboard is polled with. The program ticks with
// QTimer; tests tick by hand instead of waiting a second per tick.
class PollTimers
{
public:
    // A running timer; it stops when destroyed.
    class Timer
    {
    public:
        virtual ~Timer() = default;
    };

    virtual ~PollTimers() = default;
    virtual std::unique_ptr<Timer> start(std::chrono::milliseconds interval,
                                         std::function<void()> onTick) = 0;
};

// Timers of the GUI thread's event loop.
class QtPollTimers final : public PollTimers
{
public:
    std::unique_ptr<Timer> start(std::chrono::milliseconds interval,
                                 std::function<void()> onTick) override;
};
