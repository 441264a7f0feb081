#pragma once

#include "Platform/Date.h"

#include <QJsonObject>

struct TaskReminder {
    Date scheduledAt;
    bool isDelivering = false; // true while the flight for it is on screen

    QJsonObject toJson() const;
    static TaskReminder fromJson(const QJsonValue& value); // throws DecodingError

    friend bool operator==(const TaskReminder&, const TaskReminder&) = default;
};
