#include "PollTimers.h"

#include <QTimer>

namespace {

class QtTimer final : public PollTimers::Timer
{
public:
    QtTimer(std::chrono::milliseconds interval, std::function<void()> onTick)
    {
        m_timer.setInterval(interval);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, std::move(onTick));
        m_timer.start();
    }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<PollTimers::Timer> QtPollTimers::start(std::chrono::milliseconds interval,
                                                       std::function<void()> onTick)
{
    return std::make_unique<QtTimer>(interval, std::move(onTick));
}
