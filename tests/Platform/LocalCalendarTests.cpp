#include "Platform/LocalCalendar.h"
#include "Support/QtTestPrinters.h"

#include <QTimeZone>
#include <gtest/gtest.h>

// Joining a day's date text with a cached time text must read exactly as the
// locale's whole pattern, in every locale and at every time of day.
TEST(LocalCalendar, ComposedDateTimeReadsAsTheWholePattern)
{
    const char* const zones[] = {"America/New_York", "Europe/Berlin", "Asia/Kolkata"};
    const char* const locales[] = {"en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "zh_CN", "ar_EG", "ko_KR", "fa_IR"};
    for (const char* zone : zones) {
        for (const char* locale : locales) {
            LocalCalendar calendar(QString::fromLatin1(zone), QString::fromLatin1(locale));
            // Every 97 minutes over five weeks around a daylight-saving change.
            const Date start = Date::fromDateTime(QDateTime(QDate(2026, 10, 10), QTime(0, 0), QTimeZone(zone)));
            for (int i = 0; i < 500; ++i) {
                const Date date = start.addingSeconds(97 * 60.0 * i + 13);
                const Date day = calendar.startOfDay(date);
                for (const QString& skeleton : {LocalCalendar::monthDay, LocalCalendar::yearMonthDay}) {
                    ASSERT_EQ(calendar.formatDateTime(date, day, skeleton), calendar.format(date, skeleton + "jmm"))
                        << zone << " " << locale << " " << i;
                }
                ASSERT_EQ(calendar.formatTime(date), calendar.format(date, LocalCalendar::hourMinute))
                    << zone << " " << locale << " " << i;
            }
        }
    }
}

TEST(LocalCalendar, SkippedMidnightStartsTheDayAtItsFirstMoment)
{
    // São Paulo skipped midnight on 2018-11-04; Havana repeats it in autumn (2026-11-01).
    LocalCalendar saoPaulo(QStringLiteral("America/Sao_Paulo"), QStringLiteral("en_US"));
    const QTimeZone brazil("America/Sao_Paulo");
    const Date noon = Date::fromDateTime(QDateTime(QDate(2018, 11, 4), QTime(12, 0), brazil));
    EXPECT_EQ(saoPaulo.startOfDay(noon), Date::fromDateTime(QDateTime(QDate(2018, 11, 4), QTime(1, 0), brazil)));
    EXPECT_EQ(saoPaulo.startOfDay(noon, 1),
              Date::fromDateTime(QDateTime(QDate(2018, 11, 5), QTime(0, 0), brazil)));

    LocalCalendar havana(QStringLiteral("America/Havana"), QStringLiteral("en_US"));
    const QTimeZone cuba("America/Havana");
    const Date late = Date::fromDateTime(QDateTime(QDate(2026, 11, 1), QTime(12, 0), cuba));
    const Date start = havana.startOfDay(late);
    EXPECT_EQ(havana.startOfDay(start, 1)->secondsSince(start), 25 * 3600.0);
    EXPECT_EQ(LocalCalendar::isoDateUTC(start), "2026-11-01");
}
