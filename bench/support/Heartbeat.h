#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// The stall the user sees: the largest gap between two beats of a short timer while the work runs,
// the end of the work included. The timer beats only when the event loop runs, so work that never
// lets it run stalls for its whole length.
class Heartbeat
{
public:
    explicit Heartbeat(int intervalMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { beat(); });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    double stopMs()
    {
        beat();
        m_timer.stop();
        return double(m_longest) / 1e6;
    }

private:
    void beat()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};
