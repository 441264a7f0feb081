#pragma once

#include <QString>
#include <stdexcept>

// A store could not read or write its record; what() is the description that
// gets logged, reason() what a person is told.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit StoreError(const QString& description, QString reason = {})
        : std::runtime_error(description.toStdString()), m_reason(std::move(reason))
    {
    }
    QString description() const { return QString::fromStdString(what()); }
    // The system's own words where there are some ("No space left on device").
    QString reason() const { return m_reason.isEmpty() ? description() : m_reason; }

private:
    QString m_reason;
};
