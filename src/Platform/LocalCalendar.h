#pragma once

#include "Platform/Date.h"

#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Calendar;
class SimpleDateFormat;
U_NAMESPACE_END

// Calendar days and date texts in one time zone and locale, on ICU: Qt's own
// locale has no date skeletons, and its time-zone arithmetic would be a second,
// possibly different, source of truth next to ICU's formatting. Day arithmetic
// moves by calendar days, so a day across a daylight-saving change lasts 23 or
// 25 hours and a skipped midnight starts the day at its first real moment.
// GUI thread only: the ICU objects are reused between calls.
class LocalCalendar {
public:
    // Standard skeletons; each locale orders and punctuates them its own way.
    static inline const QString weekdayMonthDay = QStringLiteral("EEEEMMMMd"); // Saturday, December 5
    static inline const QString monthDay = QStringLiteral("MMMd");             // Dec 5
    static inline const QString hourMinute = QStringLiteral("jmm");            // 3:42 PM
    static inline const QString yearMonthDay = QStringLiteral("yMMMd");        // Dec 5, 2025

    // An IANA zone id ("Europe/Berlin") and an ICU locale name ("en_US"); empty
    // names stand for the system's zone and the user's locale.
    explicit LocalCalendar(const QString& timeZoneID = {}, const QString& localeName = {});
    ~LocalCalendar();
    LocalCalendar(const LocalCalendar&) = delete;
    LocalCalendar& operator=(const LocalCalendar&) = delete;

    QString timeZoneID() const;

    // The first moment of the calendar day that holds `date`.
    Date startOfDay(Date date) const;
    // The first moment of the day `days` calendar days after the day of `date`;
    // none when the calendar cannot produce it.
    std::optional<Date> startOfDay(Date date, int days) const;
    bool isSameDay(Date a, Date b) const;
    int year(Date date) const;

    // `date` in the locale's pattern for the skeleton.
    QString format(Date date, const QString& skeleton) const;
    // format(date, hourMinute), remembered per wall-clock minute.
    QString formatTime(Date date) const;
    // format(date, dateSkeleton + hourMinute) for a date within the day that
    // starts at `dayStart`: the date part is formatted once per day and the
    // time once per wall-clock minute, joined as the locale's pattern joins
    // them. Formatting each of ten thousand dates whole takes tens of milliseconds.
    QString formatDateTime(Date date, Date dayStart, const QString& dateSkeleton) const;

    // The ISO 8601 calendar date (2026-12-06) of the instant in UTC.
    static QString isoDateUTC(Date date);

private:
    // How the combined pattern places the date and time patterns; invalid when
    // it does not hold both as they are.
    struct Split {
        bool valid = false;
        bool dateFirst = true;
        QString before;
        QString between;
        QString after;
    };
    QString pattern(const QString& skeleton) const;
    const Split& split(const QString& dateSkeleton) const;
    std::optional<int> wallMinuteOfDay(Date date) const;

    icu::Calendar& calendar() const;

    QString m_timeZoneID;
    QString m_localeName;
    mutable std::unique_ptr<icu::Calendar> m_calendar;
    mutable QHash<QString, std::shared_ptr<icu::SimpleDateFormat>> m_formats;
    mutable QHash<QString, Split> m_splits;
    mutable std::optional<bool> m_timeByMinute;
    mutable QHash<int, QString> m_timeTexts;
    mutable QHash<QPair<QString, double>, QString> m_dayTexts;
};
