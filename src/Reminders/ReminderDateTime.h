#pragma once

#include "Platform/Date.h"

#include <QLocale>
#include <QTimeZone>
#include <optional>

// How the reminder editor's day and time fields combine into one instant. The
// calendar is the user's local one; the result has zero seconds, and a moment
// at or before now becomes now (so the reminder falls due at once).
namespace ReminderDateTime {

// The local `day` at the hour and minute of `time` (seconds dropped); never
// before now. Where the clocks show that time twice (the hour repeated when
// they go back), the first showing after now. Empty when that wall-clock time
// does not exist in the zone.
std::optional<Date> combine(const QDate& day, const QTime& time, Date now,
                            const QTimeZone& zone = QTimeZone::systemTimeZone());

// The day of `pickedDay` with the hour and minute of `selection`. Empty when
// that local day and time does not exist (a daylight-saving gap).
std::optional<Date> combiningDay(Date pickedDay, Date selection, Date now,
                                 const QTimeZone& zone = QTimeZone::systemTimeZone());
// The day of `selection` with the hour and minute of `pickedTime`; empty as above.
std::optional<Date> combiningTime(Date pickedTime, Date selection, Date now,
                                  const QTimeZone& zone = QTimeZone::systemTimeZone());

// The locale's short time format without seconds (some locales' short form has them).
QString hourMinuteFormat(const QLocale& locale = QLocale());
// The locale's short date format, in its own order, with the year in full.
QString dayFormat(const QLocale& locale = QLocale());

QDateTime localDateTime(Date date, const QTimeZone& zone = QTimeZone::systemTimeZone());

} // namespace ReminderDateTime
