#include "Reminders/ReminderDateTime.h"

#include <algorithm>
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

namespace {
// Every instant at which the zone's clocks read `wall` (a wall-clock time
// written as if it were UTC), earliest first: none in a gap, two in a repeated hour.
QList<QDateTime> instantsShowing(const QDateTime& wall, const QTimeZone& zone)
{
    // No zone is further than 14 hours from UTC, so only the offsets in force
    // within 14 hours either side of the wall time can produce it.
    constexpr qint64 reach = 14 * 3600;
    const QDateTime from = wall.addSecs(-reach), to = wall.addSecs(reach);
    QList<int> offsets{zone.offsetFromUtc(from), zone.offsetFromUtc(to)};
    if (zone.hasTransitions()) {
        for (const QTimeZone::OffsetData& transition : zone.transitions(from, to))
            offsets.append(transition.offsetFromUtc);
    }
    QList<QDateTime> instants;
    for (const int offset : offsets) {
        const QDateTime instant = wall.addSecs(-offset);
        if (zone.offsetFromUtc(instant) == offset && !instants.contains(instant))
            instants.append(instant);
    }
    std::sort(instants.begin(), instants.end());
    return instants;
}
} // namespace

std::optional<Date> combine(const QDate& day, const QTime& time, Date now, const QTimeZone& zone)
{
    const QTime minute(time.hour(), time.minute(), 0);
    const QList<QDateTime> instants = instantsShowing(QDateTime(day, minute, QTimeZone::utc()), zone);
    // A wall-clock time the zone skips cannot be formed: nothing is changed.
    if (instants.isEmpty())
        return std::nullopt;
    // Its next occurrence: in the hour the clocks repeat, the later one only
    // once the earlier has passed.
    for (const QDateTime& instant : instants) {
        if (const Date result = Date::fromDateTime(instant); result > now)
            return result;
    }
    return now;
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
