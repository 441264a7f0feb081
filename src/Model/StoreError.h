#pragma once

#include <QString>
#include <stdexcept>

// A store could not read or write its record; what() is the description that gets logged.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit StoreError(const QString& description) : std::runtime_error(description.toStdString()) {}
    QString description() const { return QString::fromStdString(what()); }
};
