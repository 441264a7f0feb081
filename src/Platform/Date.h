#pragma once

#include <QDateTime>
#include <compare>

// A point in time as seconds since 2001-01-01 00:00:00 UTC: exactly the stored
// form, so a value read from disk is written back bit for bit.
struct Date {
    double secondsSinceReferenceDate = 0;

    static constexpr double unixOffset = 978307200.0; // 2001-01-01 in Unix seconds

    static Date fromUnixSeconds(double unixSeconds) { return {unixSeconds - unixOffset}; }
    double unixSeconds() const { return secondsSinceReferenceDate + unixOffset; }

    // Only for formatting and calendar arithmetic; never stored back.
    QDateTime toDateTime() const;
    static Date fromDateTime(const QDateTime& dateTime);

    Date addingSeconds(double seconds) const { return {secondsSinceReferenceDate + seconds}; }
    double secondsSince(Date other) const { return secondsSinceReferenceDate - other.secondsSinceReferenceDate; }

    friend auto operator<=>(const Date&, const Date&) = default;
    friend bool operator==(const Date&, const Date&) = default;
};

// The source of "now", injected so that tests can hold time still.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Date now() const = 0;
};

class SystemClock final : public Clock {
public:
    Date now() const override;
    static const SystemClock& shared();
};
