#pragma once

#include "Model/JsonCoding.h"

#include "Platform/Date.h"

#include <QJsonObject>

struct TaskReminder {
    Date scheduledAt;
    bool isDelivering = false; // true while the flight for it is on screen

    void write(Json::Writer& writer) const;

    QJsonObject toJson() const { return Json::toObject(*this); }
    static TaskReminder fromJson(const QJsonValue& value); // throws DecodingError

    friend bool operator==(const TaskReminder&, const TaskReminder&) = default;
};
