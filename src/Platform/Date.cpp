#include "Platform/Date.h"

#include <chrono>
#include <cmath>

QDateTime Date::toDateTime() const
{
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(unixSeconds() * 1000.0)), Qt::UTC);
}

Date Date::fromDateTime(const QDateTime& dateTime)
{
    return fromUnixSeconds(static_cast<double>(dateTime.toMSecsSinceEpoch()) / 1000.0);
}

Date SystemClock::now() const
{
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return Date::fromUnixSeconds(std::chrono::duration<double>(since).count());
}

const SystemClock& SystemClock::shared()
{
    static const SystemClock clock;
    return clock;
}
