#include "Reminders/ReminderDateTime.h"

#include <cmath>

#include <QRegularExpression>

namespace ReminderDateTime {

QString hourMinuteFormat(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    static const QRegularExpression seconds(QStringLiteral("[.:,]?s+"));
    format.remove(seconds);
    return format.trimmed();
}

QString dayFormat(const QLocale& locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            result += c;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        // Any year outside quoted text is written in full.
        result += !quoted && c == QLatin1Char('y') ? QStringLiteral("yyyy") : format.mid(i, run);
        i += run;
    }
    return result;
}

QDateTime localDateTime(Date date, const QTimeZone& zone)
{
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(date.unixSeconds() * 1000.0)), zone);
}

std::optional<Date> combine(const QDate& day, const QTime& time, Date now, const QTimeZone& zone)
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

std::optional<Date> combiningDay(Date pickedDay, Date selection, Date now, const QTimeZone& zone)
{
    return combine(localDateTime(pickedDay, zone).date(), localDateTime(selection, zone).time(), now, zone);
}

std::optional<Date> combiningTime(Date pickedTime, Date selection, Date now, const QTimeZone& zone)
{
    return combine(localDateTime(selection, zone).date(), localDateTime(pickedTime, zone).time(), now, zone);
}

} // namespace ReminderDateTime
