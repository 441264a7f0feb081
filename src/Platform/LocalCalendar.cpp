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
    : m_localeName(localeName.isEmpty() ? QLocale().name() : localeName)
{
    icu::TimeZone* zone = timeZoneID.isEmpty() ? icu::TimeZone::createDefault()
                                               : icu::TimeZone::createTimeZone(toUnicode(timeZoneID));
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
}

LocalCalendar::~LocalCalendar() = default;

QString LocalCalendar::timeZoneID() const
{
    icu::UnicodeString id;
    return fromUnicode(m_calendar->getTimeZone().getID(id));
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
    m_calendar->setTime(toUDate(date), status);
    clearTimeOfDay(*m_calendar);
    if (days != 0) {
        m_calendar->add(UCAL_DATE, days, status);
        // Landing in a gap moves the wall time; the day's start is still midnight.
        clearTimeOfDay(*m_calendar);
    }
    const UDate start = m_calendar->getTime(status);
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
    m_calendar->setTime(toUDate(date), status);
    const int32_t extended = m_calendar->get(UCAL_EXTENDED_YEAR, status);
    return U_FAILURE(status) ? 0 : extended;
}

QString LocalCalendar::format(Date date, const QString& skeleton) const
{
    std::shared_ptr<icu::SimpleDateFormat>& format = m_formats[skeleton];
    if (!format) {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale locale(m_localeName.toUtf8().constData());
        std::unique_ptr<icu::DateTimePatternGenerator> generator(
            icu::DateTimePatternGenerator::createInstance(locale, status));
        icu::UnicodeString pattern;
        if (U_SUCCESS(status))
            pattern = generator->getBestPattern(toUnicode(skeleton), status);
        if (U_FAILURE(status))
            pattern = toUnicode(skeleton);
        status = U_ZERO_ERROR;
        format = std::make_shared<icu::SimpleDateFormat>(pattern, locale, status);
        if (U_FAILURE(status)) {
            logger().error(QStringLiteral("No date format for %1: %2").arg(skeleton, QString::fromUtf8(u_errorName(status))));
            format.reset();
            m_formats.remove(skeleton);
            return isoDateUTC(date);
        }
        format->setCalendar(*m_calendar);
    }
    icu::UnicodeString text;
    format->format(toUDate(date), text);
    return fromUnicode(text);
}

QString LocalCalendar::isoDateUTC(Date date)
{
    const double days = std::floor(date.unixSeconds() / 86400.0);
    if (!std::isfinite(days) || std::abs(days) > 1.0e9)
        return {};
    return QDate(1970, 1, 1).addDays(static_cast<qint64>(days)).toString(Qt::ISODate);
}
