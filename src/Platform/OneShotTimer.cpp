#include "Platform/OneShotTimer.h"

#include <algorithm>

QtOneShotTimer::QtOneShotTimer()
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        // The handler may start the timer again, which replaces m_onFire.
        const auto onFire = std::move(m_onFire);
        m_onFire = nullptr;
        if (onFire)
            onFire();
    });
}

void QtOneShotTimer::start(std::chrono::milliseconds delay, std::function<void()> onFire)
{
    m_onFire = std::move(onFire);
    m_timer.start(int(std::clamp(delay.count(), std::chrono::milliseconds::rep(0), longestWait.count())));
}

void QtOneShotTimer::stop()
{
    m_timer.stop();
    m_onFire = nullptr;
}
