#include "Reminders/ReminderDateTime.h"

#include <cmath>

namespace ReminderDateTime {

QDateTime localDateTime(Date date, const QTimeZone& zone)
{
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(date.unixSeconds() * 1000.0)), zone);
}

namespace {
std::optional<Date> combining(const QDate& day, const QTime& time, Date now, const QTimeZone& zone)
{
    const QTime minute(time.hour(), time.minute(), 0);
    const QDateTime combined(day, minute, zone);
    // A wall-clock time inside a gap is either invalid or silently shifted by
    // Qt; both mean the calendar cannot form it, and nothing is changed.
    if (!combined.isValid() || combined.date() != day || combined.time() != minute)
        return std::nullopt;
    const Date result = Date::fromDateTime(combined);
    return result > now ? result : now;
}
} // namespace

std::optional<Date> combiningDay(Date pickedDay, Date selection, Date now, const QTimeZone& zone)
{
    return combining(localDateTime(pickedDay, zone).date(), localDateTime(selection, zone).time(), now, zone);
}

std::optional<Date> combiningTime(Date pickedTime, Date selection, Date now, const QTimeZone& zone)
{
    return combining(localDateTime(selection, zone).date(), localDateTime(pickedTime, zone).time(), now, zone);
}

} // namespace ReminderDateTime
