#include "Model/JsonCoding.h"
#include "Model/TaskAIState.h"
#include "Model/TaskItem.h"
#include "Model/TaskReminder.h"
#include "Platform/Text.h"
#include "Platform/Uuid.h"

namespace TaskPriorities {

QString rawValue(TaskPriority priority)
{
    switch (priority) {
    case TaskPriority::high:
        return QStringLiteral("high");
    case TaskPriority::medium:
        return QStringLiteral("medium");
    case TaskPriority::low:
        break;
    }
    return QStringLiteral("low");
}

std::optional<TaskPriority> fromRawValue(const QString& raw)
{
    for (TaskPriority p : allCases) {
        if (raw == rawValue(p))
            return p;
    }
    return std::nullopt;
}

TaskPriority decode(const QJsonValue& value, const QString& key)
{
    const auto priority = fromRawValue(Json::toString(value, key));
    if (!priority)
        Json::fail(key, QStringLiteral("not a priority"));
    return *priority;
}

} // namespace TaskPriorities

QJsonObject TaskAIState::toJson() const
{
    return {{QStringLiteral("priority"), TaskPriorities::rawValue(priority)},
            {QStringLiteral("reasonText"), reasonText},
            {QStringLiteral("sourceTitle"), sourceTitle}};
}

TaskAIState TaskAIState::fromJson(const QJsonValue& value)
{
    const QJsonObject o = Json::asObject(value, QStringLiteral("aiState"));
    if (Json::isAbsent(o, QStringLiteral("priority")))
        Json::fail(QStringLiteral("priority"), QStringLiteral("missing"));
    return {TaskPriorities::decode(o.value(QStringLiteral("priority")), QStringLiteral("priority")),
            Json::requiredString(o, QStringLiteral("reasonText")), Json::requiredString(o, QStringLiteral("sourceTitle"))};
}

QJsonObject TaskReminder::toJson() const
{
    return {{QStringLiteral("scheduledAt"), Json::fromDate(scheduledAt)}, {QStringLiteral("isDelivering"), isDelivering}};
}

TaskReminder TaskReminder::fromJson(const QJsonValue& value)
{
    const QJsonObject o = Json::asObject(value, QStringLiteral("reminder"));
    return {Json::requiredDate(o, QStringLiteral("scheduledAt")), Json::requiredBool(o, QStringLiteral("isDelivering"))};
}

TaskItem TaskItem::projected(const QString& workspaceID) const
{
    TaskItem copy = *this;
    const auto entry = aiStatesByWorkspace.constFind(workspaceID);
    if (entry != aiStatesByWorkspace.constEnd() && Text::sameText(entry->sourceTitle, title)) {
        copy.priority = entry->priority;
        copy.reasonText = entry->reasonText;
        copy.aiReasonSourceTitle = entry->sourceTitle;
        return copy;
    }
    if (sectionID == workspaceID && !reasonText.isEmpty() && aiReasonSourceTitle
        && Text::sameText(*aiReasonSourceTitle, title))
        return copy;
    copy.priority = TaskPriority::low;
    copy.reasonText.clear();
    copy.aiReasonSourceTitle.reset();
    return copy;
}

QJsonObject TaskItem::toJson() const
{
    QJsonObject states;
    for (auto it = aiStatesByWorkspace.constBegin(); it != aiStatesByWorkspace.constEnd(); ++it)
        states.insert(it.key(), it->toJson());
    QJsonObject o{
        {QStringLiteral("id"), Uuid::upperString(id)},
        {QStringLiteral("title"), title},
        {QStringLiteral("sectionID"), sectionID},
        {QStringLiteral("priority"), TaskPriorities::rawValue(priority)},
        {QStringLiteral("reasonText"), reasonText},
        {QStringLiteral("aiReasonSourceTitle"), aiReasonSourceTitle ? QJsonValue(*aiReasonSourceTitle) : QJsonValue()},
        {QStringLiteral("aiStatesByWorkspace"), states},
        {QStringLiteral("createdAt"), Json::fromDate(createdAt)},
        {QStringLiteral("sortOrder"), sortOrder},
        {QStringLiteral("isCompleted"), isCompleted},
        {QStringLiteral("completedAt"), completedAt ? Json::fromDate(*completedAt) : QJsonValue()},
    };
    if (reminder)
        o.insert(QStringLiteral("reminder"), reminder->toJson());
    return o;
}

TaskItem TaskItem::fromJson(const QJsonValue& value)
{
    const QJsonObject o = Json::asObject(value, QStringLiteral("task"));
    TaskItem task;
    if (Json::isAbsent(o, QStringLiteral("id")))
        Json::fail(QStringLiteral("id"), QStringLiteral("missing"));
    task.id = Json::toUuid(o.value(QStringLiteral("id")), QStringLiteral("id"));
    task.title = Json::requiredString(o, QStringLiteral("title"));
    task.sectionID = Json::optionalString(o, QStringLiteral("sectionID")).value_or(QStringLiteral("section.personal"));
    if (Json::isAbsent(o, QStringLiteral("priority")))
        Json::fail(QStringLiteral("priority"), QStringLiteral("missing"));
    task.priority = TaskPriorities::decode(o.value(QStringLiteral("priority")), QStringLiteral("priority"));
    task.reasonText = Json::requiredString(o, QStringLiteral("reasonText"));
    task.aiReasonSourceTitle = Json::optionalString(o, QStringLiteral("aiReasonSourceTitle"));
    if (!Json::isAbsent(o, QStringLiteral("aiStatesByWorkspace"))) {
        const QJsonObject states = Json::asObject(o.value(QStringLiteral("aiStatesByWorkspace")), QStringLiteral("aiStatesByWorkspace"));
        for (auto it = states.constBegin(); it != states.constEnd(); ++it)
            task.aiStatesByWorkspace.insert(it.key(), TaskAIState::fromJson(it.value()));
    }
    task.createdAt = Json::requiredDate(o, QStringLiteral("createdAt"));
    task.sortOrder = Json::optionalInteger(o, QStringLiteral("sortOrder")).value_or(0);
    task.isCompleted = Json::optionalBool(o, QStringLiteral("isCompleted")).value_or(false);
    task.completedAt = Json::optionalDate(o, QStringLiteral("completedAt"));
    if (!Json::isAbsent(o, QStringLiteral("reminder")))
        task.reminder = TaskReminder::fromJson(o.value(QStringLiteral("reminder")));
    return task;
}

namespace TaskItems {

QJsonArray toJson(const TaskList& tasks)
{
    QJsonArray array;
    for (const TaskItem& task : tasks)
        array.append(task.toJson());
    return array;
}

TaskList fromJson(const QJsonValue& value)
{
    const QJsonArray array = Json::asArray(value, QStringLiteral("tasks"));
    TaskList tasks;
    tasks.reserve(array.size());
    for (const QJsonValue& element : array)
        tasks.append(TaskItem::fromJson(element));
    return tasks;
}

} // namespace TaskItems
