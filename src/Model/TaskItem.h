#pragma once

#include "Model/JsonCoding.h"

#include "Model/TaskAIState.h"
#include "Model/TaskReminder.h"
#include "Platform/Date.h"

#include <QJsonObject>
#include <QJsonArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QUuid>
#include <optional>

struct TaskItem {
    QUuid id;
    QString title;
    QString sectionID;
    TaskPriority priority = TaskPriority::low;
    QString reasonText;
    std::optional<QString> aiReasonSourceTitle;
    QMap<QString, TaskAIState> aiStatesByWorkspace;
    Date createdAt;
    qint64 sortOrder = 0;
    bool isCompleted = false;
    std::optional<Date> completedAt;
    std::optional<TaskReminder> reminder;

    // The task as workspace `workspaceID` shows it: a stored result counts only
    // for its own workspace and only while its source title is the current title.
    TaskItem projected(const QString& workspaceID) const;

    void write(Json::Writer& writer) const;

    QJsonObject toJson() const { return Json::toObject(*this); }
    static TaskItem fromJson(const QJsonValue& value); // throws DecodingError

    friend bool operator==(const TaskItem&, const TaskItem&) = default;
};

// Every member moves by its bytes, so a growing list moves tasks as memory.
Q_DECLARE_TYPEINFO(TaskItem, Q_RELOCATABLE_TYPE);

using TaskList = QList<TaskItem>;

namespace TaskItems {
void write(Json::Writer& writer, const TaskList& tasks);
TaskList fromJson(const QJsonValue& value); // throws DecodingError; one bad task fails all
} // namespace TaskItems
