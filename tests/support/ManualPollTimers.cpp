#include "ManualPollTimers.h"

#include <algorithm>

class ManualPollTimers::ManualTimer final : public PollTimers::Timer
{
public:
    explicit ManualTimer(std::vector<Running> &running) : m_running(running) {}
    ~ManualTimer() override
    {
        std::erase_if(m_running, [this](const Running &r) { return r.timer == this; });
    }
    ManualTimer(const ManualTimer &) = delete;
    ManualTimer &operator=(const ManualTimer &) = delete;

private:
    std::vector<Running> &m_running;
};

std::unique_ptr<PollTimers::Timer> ManualPollTimers::start(std::chrono::milliseconds,
                                                           std::function<void()> onTick)
{
    auto timer = std::make_unique<ManualTimer>(m_running);
    m_running.push_back({timer.get(), std::move(onTick)});
    return timer;
}

void ManualPollTimers::tickAll()
{
    // A tick may start or stop timers; those started now tick from the next time.
    const std::vector<Running> ticking = m_running;
    for (const Running &running : ticking) {
        const bool stillRunning =
            std::any_of(m_running.begin(), m_running.end(),
                        [&](const Running &r) { return r.timer == running.timer; });
        if (stillRunning)
            running.onTick();
    }
}
