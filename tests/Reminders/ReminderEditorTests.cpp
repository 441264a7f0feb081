#include "Reminders/ReminderDateTime.h"

#include <gtest/gtest.h>

namespace {
const QTimeZone berlin("Europe/Berlin");

Date at(int year, int month, int day, int hour, int minute, int second = 0)
{
    return Date::fromDateTime(QDateTime(QDate(year, month, day), QTime(hour, minute, second), berlin));
}
} // namespace

TEST(ReminderDateTime, CombinesLocalDayAndMinuteWithZeroSecondsAndNeverBeforeNow)
{
    const Date now = at(2026, 3, 20, 9, 15, 42);
    struct Case {
        const char* name;
        bool pickDay; // the day field changed; otherwise the time field
        Date picked;
        Date selection;
        std::optional<Date> expected;
    };
    const Case cases[] = {
        {"new day keeps the chosen hour and minute", true, at(2026, 4, 2, 0, 0), at(2026, 3, 21, 18, 40, 33),
         at(2026, 4, 2, 18, 40)},
        {"new time keeps the chosen day", false, at(2000, 1, 1, 7, 5, 59), at(2026, 3, 22, 18, 40),
         at(2026, 3, 22, 7, 5)},
        {"a past minute becomes now, seconds and all", false, at(2026, 3, 20, 9, 10), at(2026, 3, 20, 18, 0), now},
        {"the current minute is not later than now", false, at(2026, 3, 20, 9, 15), at(2026, 3, 20, 18, 0), now},
        {"a day in the past becomes now", true, at(2026, 3, 19, 0, 0), at(2026, 3, 22, 10, 0), now},
        {"a time in the spring-forward gap changes nothing", false, at(2026, 1, 1, 2, 30),
         at(2026, 3, 29, 12, 0), std::nullopt},
        {"a day whose chosen time falls in the gap changes nothing", true, at(2026, 3, 29, 12, 0),
         at(2026, 3, 28, 2, 30), std::nullopt},
        {"the repeated autumn hour is still a valid time", false, at(2026, 1, 1, 2, 30), at(2026, 10, 25, 12, 0),
         Date::fromDateTime(QDateTime(QDate(2026, 10, 25), QTime(2, 30), berlin))},
    };
    for (const Case& c : cases) {
        const std::optional<Date> result = c.pickDay ? ReminderDateTime::combiningDay(c.picked, c.selection, now, berlin)
                                                     : ReminderDateTime::combiningTime(c.picked, c.selection, now, berlin);
        EXPECT_EQ(result, c.expected) << c.name;
        if (result && *result != now) {
            EXPECT_EQ(ReminderDateTime::localDateTime(*result, berlin).time().second(), 0) << c.name;
        }
    }
}
