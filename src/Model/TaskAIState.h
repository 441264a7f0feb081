#pragma once

#include "Model/JsonCoding.h"

#include "Model/TaskPriority.h"

#include <QJsonObject>
#include <QString>

// What AI Sort stored for one task in one workspace; it counts only while
// sourceTitle still equals the task's title.
struct TaskAIState {
    TaskPriority priority = TaskPriority::low;
    QString reasonText;
    QString sourceTitle;

    void write(Json::Writer& writer) const;

    QJsonObject toJson() const { return Json::toObject(*this); }
    static TaskAIState fromJson(const QJsonValue& value); // throws DecodingError

    friend bool operator==(const TaskAIState&, const TaskAIState&) = default;
};
