#include "Platform/LocalCalendar.h"

#include "Platform/Logger.h"

#include <QDate>
#include <QLocale>
#include <cmath>
#include <unicode/calendar.h>
#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

namespace {
const Logger& logger()
{
    static const Logger instance(QStringLiteral("LocalCalendar"));
    return instance;
}

icu::UnicodeString toUnicode(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()));
}

QString fromUnicode(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

UDate toUDate(Date date)
{
    return date.unixSeconds() * 1000.0;
}

Date fromUDate(UDate milliseconds)
{
    return Date::fromUnixSeconds(milliseconds / 1000.0);
}

void clearTimeOfDay(icu::Calendar& calendar)
{
    calendar.set(UCAL_HOUR_OF_DAY, 0);
    calendar.set(UCAL_MINUTE, 0);
    calendar.set(UCAL_SECOND, 0);
    calendar.set(UCAL_MILLISECOND, 0);
}
} // namespace

LocalCalendar::LocalCalendar(const QString& timeZoneID, const QString& localeName)
    : m_timeZoneID(timeZoneID), m_localeName(localeName.isEmpty() ? QLocale().name() : localeName)
{
}

icu::Calendar& LocalCalendar::calendar() const
{
    // Made on first use: ICU's zone and locale data cost memory the notch alone never needs.
    if (m_calendar)
        return *m_calendar;
    icu::TimeZone* zone = m_timeZoneID.isEmpty() ? icu::TimeZone::createDefault()
                                                 : icu::TimeZone::createTimeZone(toUnicode(m_timeZoneID));
    UErrorCode status = U_ZERO_ERROR;
    m_calendar.reset(icu::Calendar::createInstance(zone, icu::Locale(m_localeName.toUtf8().constData()), status));
    if (U_FAILURE(status) || !m_calendar) {
        logger().error(QStringLiteral("No calendar for %1: %2").arg(m_localeName, QString::fromUtf8(u_errorName(status))));
        status = U_ZERO_ERROR;
        m_calendar.reset(icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), icu::Locale::getRoot(), status));
    }
    // A missing midnight starts the day at the first moment after the gap; a
    // repeated one at its first occurrence.
    m_calendar->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
    m_calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    return *m_calendar;
}

LocalCalendar::~LocalCalendar() = default;

QString LocalCalendar::timeZoneID() const
{
    icu::UnicodeString id;
    return fromUnicode(calendar().getTimeZone().getID(id));
}

Date LocalCalendar::startOfDay(Date date) const
{
    return startOfDay(date, 0).value_or(date);
}

std::optional<Date> LocalCalendar::startOfDay(Date date, int days) const
{
    if (!std::isfinite(date.secondsSinceReferenceDate))
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    icu::Calendar& cal = calendar();
    cal.setTime(toUDate(date), status);
    clearTimeOfDay(cal);
    if (days != 0) {
        cal.add(UCAL_DATE, days, status);
        // Landing in a gap moves the wall time; the day's start is still midnight.
        clearTimeOfDay(cal);
    }
    const UDate start = cal.getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return fromUDate(start);
}

bool LocalCalendar::isSameDay(Date a, Date b) const
{
    return startOfDay(a) == startOfDay(b);
}

int LocalCalendar::year(Date date) const
{
    UErrorCode status = U_ZERO_ERROR;
    icu::Calendar& cal = calendar();
    cal.setTime(toUDate(date), status);
    const int32_t extended = cal.get(UCAL_EXTENDED_YEAR, status);
    return U_FAILURE(status) ? 0 : extended;
}

QString LocalCalendar::pattern(const QString& skeleton) const
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale(m_localeName.toUtf8().constData());
    std::unique_ptr<icu::DateTimePatternGenerator> generator(icu::DateTimePatternGenerator::createInstance(locale, status));
    icu::UnicodeString best;
    if (U_SUCCESS(status))
        best = generator->getBestPattern(toUnicode(skeleton), status);
    return U_SUCCESS(status) ? fromUnicode(best) : skeleton;
}

QString LocalCalendar::format(Date date, const QString& skeleton) const
{
    std::shared_ptr<icu::SimpleDateFormat>& format = m_formats[skeleton];
    if (!format) {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale locale(m_localeName.toUtf8().constData());
        format = std::make_shared<icu::SimpleDateFormat>(toUnicode(pattern(skeleton)), locale, status);
        if (U_FAILURE(status)) {
            logger().error(QStringLiteral("No date format for %1: %2").arg(skeleton, QString::fromUtf8(u_errorName(status))));
            format.reset();
            m_formats.remove(skeleton);
            return isoDateUTC(date);
        }
        format->setCalendar(calendar());
    }
    icu::UnicodeString text;
    format->format(toUDate(date), text);
    return fromUnicode(text);
}

namespace {
// The text a run of pattern literals stands for; none when it holds a field letter.
std::optional<QString> literalText(const QString& pattern)
{
    QString text;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'\'') {
            if (i + 1 < pattern.size() && pattern.at(i + 1) == u'\'') {
                text += c;
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (!quoted && ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))) {
            return std::nullopt;
        } else {
            text += c;
        }
    }
    if (quoted)
        return std::nullopt;
    return text;
}

// Whether a time pattern depends on nothing but the wall-clock hour and minute.
bool dependsOnlyOnHourAndMinute(const QString& pattern)
{
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && c.isLetter() && !QStringLiteral("hHkKmabB").contains(c))
            return false;
    }
    return true;
}
} // namespace

const LocalCalendar::Split& LocalCalendar::split(const QString& dateSkeleton) const
{
    const auto found = m_splits.constFind(dateSkeleton);
    if (found != m_splits.constEnd())
        return *found;
    Split result;
    const QString whole = pattern(dateSkeleton + hourMinute);
    const QString datePattern = pattern(dateSkeleton);
    const QString timePattern = pattern(hourMinute);
    const qsizetype dateAt = whole.indexOf(datePattern);
    const qsizetype timeAt = whole.indexOf(timePattern);
    if (dependsOnlyOnHourAndMinute(timePattern) && dateAt >= 0 && timeAt >= 0
        && (dateAt + datePattern.size() <= timeAt || timeAt + timePattern.size() <= dateAt)) {
        result.dateFirst = dateAt < timeAt;
        const qsizetype firstAt = std::min(dateAt, timeAt);
        const qsizetype firstEnd = firstAt + (result.dateFirst ? datePattern.size() : timePattern.size());
        const qsizetype secondAt = std::max(dateAt, timeAt);
        const qsizetype secondEnd = secondAt + (result.dateFirst ? timePattern.size() : datePattern.size());
        const auto before = literalText(whole.left(firstAt));
        const auto between = literalText(whole.mid(firstEnd, secondAt - firstEnd));
        const auto after = literalText(whole.mid(secondEnd));
        if (before && between && after) {
            result.valid = true;
            result.before = *before;
            result.between = *between;
            result.after = *after;
        }
    }
    return *m_splits.insert(dateSkeleton, result);
}

std::optional<int> LocalCalendar::wallMinuteOfDay(Date date) const
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t rawOffset = 0;
    int32_t dstOffset = 0;
    const UDate utc = toUDate(date);
    calendar().getTimeZone().getOffset(utc, false, rawOffset, dstOffset, status);
    if (U_FAILURE(status) || !std::isfinite(utc))
        return std::nullopt;
    const double wallMinutes = std::floor((utc + rawOffset + dstOffset) / 60000.0);
    if (std::abs(wallMinutes) > 1.0e15)
        return std::nullopt;
    const auto minutes = static_cast<qint64>(wallMinutes);
    return static_cast<int>(((minutes % 1440) + 1440) % 1440);
}

QString LocalCalendar::formatTime(Date date) const
{
    if (!m_timeByMinute)
        m_timeByMinute = dependsOnlyOnHourAndMinute(pattern(hourMinute));
    const std::optional<int> minute = *m_timeByMinute ? wallMinuteOfDay(date) : std::nullopt;
    if (!minute)
        return format(date, hourMinute);
    const auto found = m_timeTexts.constFind(*minute);
    if (found != m_timeTexts.constEnd())
        return *found;
    return *m_timeTexts.insert(*minute, format(date, hourMinute));
}

QString LocalCalendar::formatDateTime(Date date, Date dayStart, const QString& dateSkeleton) const
{
    const Split& parts = split(dateSkeleton);
    if (!parts.valid)
        return format(date, dateSkeleton + hourMinute);
    if (m_dayTexts.size() > 4096)
        m_dayTexts.clear();
    const QPair<QString, double> key(dateSkeleton, dayStart.secondsSinceReferenceDate);
    auto day = m_dayTexts.constFind(key);
    if (day == m_dayTexts.constEnd())
        day = m_dayTexts.insert(key, format(dayStart, dateSkeleton));
    const QString time = formatTime(date);
    return parts.before + (parts.dateFirst ? *day : time) + parts.between + (parts.dateFirst ? time : *day) + parts.after;
}

QString LocalCalendar::isoDateUTC(Date date)
{
    const double days = std::floor(date.unixSeconds() / 86400.0);
    if (!std::isfinite(days) || std::abs(days) > 1.0e9)
        return {};
    return QDate(1970, 1, 1).addDays(static_cast<qint64>(days)).toString(Qt::ISODate);
}
