#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

// The longest the GUI thread went without running a 5 ms timer, from its
// creation until stop().
class StallMeter final
{
public:
    StallMeter()
    {
        m_ticker.setInterval(5);
        QObject::connect(&m_ticker, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_sinceTick.restart()); });
        m_sinceTick.start();
        m_ticker.start();
    }

    qint64 stop()
    {
        m_ticker.stop();
        m_longest = std::max(m_longest, m_sinceTick.elapsed());
        return m_longest;
    }

private:
    QElapsedTimer m_sinceTick;
    qint64 m_longest = 0;
    QTimer m_ticker;
};
