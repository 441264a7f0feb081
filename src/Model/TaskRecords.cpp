#include "Model/JsonCoding.h"
#include "Model/TaskAIState.h"
#include "Model/TaskItem.h"
#include "Model/TaskReminder.h"
#include "Model/TaskSection.h"
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

void TaskAIState::write(Json::Writer& w) const
{
    w.beginObject();
    w.key(QLatin1StringView("priority")).value(TaskPriorities::rawValue(priority));
    w.key(QLatin1StringView("reasonText")).value(reasonText);
    w.key(QLatin1StringView("sourceTitle")).value(sourceTitle);
    w.endObject();
}

TaskAIState TaskAIState::fromJson(const QJsonValue& value)
{
    const QJsonObject o = Json::asObject(value, QStringLiteral("aiState"));
    if (Json::isAbsent(o, QStringLiteral("priority")))
        Json::fail(QStringLiteral("priority"), QStringLiteral("missing"));
    return {TaskPriorities::decode(o.value(QStringLiteral("priority")), QStringLiteral("priority")),
            Json::requiredString(o, QStringLiteral("reasonText")), Json::requiredString(o, QStringLiteral("sourceTitle"))};
}

void TaskReminder::write(Json::Writer& w) const
{
    w.beginObject();
    w.key(QLatin1StringView("scheduledAt")).value(scheduledAt);
    w.key(QLatin1StringView("isDelivering")).value(isDelivering);
    w.endObject();
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

void TaskItem::write(Json::Writer& w) const
{
    w.beginObject();
    w.key(QLatin1StringView("id")).value(Uuid::upperString(id));
    w.key(QLatin1StringView("title")).value(title);
    w.key(QLatin1StringView("sectionID")).value(sectionID);
    w.key(QLatin1StringView("priority")).value(TaskPriorities::rawValue(priority));
    w.key(QLatin1StringView("reasonText")).value(reasonText);
    w.key(QLatin1StringView("aiReasonSourceTitle"));
    aiReasonSourceTitle ? w.value(*aiReasonSourceTitle) : w.null();
    w.key(QLatin1StringView("aiStatesByWorkspace")).beginObject();
    for (auto it = aiStatesByWorkspace.constBegin(); it != aiStatesByWorkspace.constEnd(); ++it) {
        w.key(it.key());
        it->write(w);
    }
    w.endObject();
    w.key(QLatin1StringView("createdAt")).value(createdAt);
    w.key(QLatin1StringView("sortOrder")).value(sortOrder);
    w.key(QLatin1StringView("isCompleted")).value(isCompleted);
    w.key(QLatin1StringView("completedAt"));
    completedAt ? w.value(*completedAt) : w.null();
    if (reminder) {
        w.key(QLatin1StringView("reminder"));
        reminder->write(w);
    }
    w.endObject();
}

TaskItem TaskItem::fromJson(const QJsonValue& value)
{
    const QJsonObject o = Json::asObject(value, QStringLiteral("task"));
    TaskItem task;
    const std::optional<QJsonValue> id = Json::present(o, QStringLiteral("id"));
    if (!id)
        Json::fail(QStringLiteral("id"), QStringLiteral("missing"));
    task.id = Json::toUuid(*id, QStringLiteral("id"));
    task.title = Json::requiredString(o, QStringLiteral("title"));
    task.sectionID = Json::optionalString(o, QStringLiteral("sectionID")).value_or(QString(BuiltInSections::personalID));
    const std::optional<QJsonValue> priority = Json::present(o, QStringLiteral("priority"));
    if (!priority)
        Json::fail(QStringLiteral("priority"), QStringLiteral("missing"));
    task.priority = TaskPriorities::decode(*priority, QStringLiteral("priority"));
    task.reasonText = Json::requiredString(o, QStringLiteral("reasonText"));
    task.aiReasonSourceTitle = Json::optionalString(o, QStringLiteral("aiReasonSourceTitle"));
    if (const std::optional<QJsonValue> aiStates = Json::present(o, QStringLiteral("aiStatesByWorkspace"))) {
        const QJsonObject states = Json::asObject(*aiStates, QStringLiteral("aiStatesByWorkspace"));
        for (auto it = states.constBegin(); it != states.constEnd(); ++it)
            task.aiStatesByWorkspace.insert(it.key(), TaskAIState::fromJson(it.value()));
    }
    task.createdAt = Json::requiredDate(o, QStringLiteral("createdAt"));
    task.sortOrder = Json::optionalInteger(o, QStringLiteral("sortOrder")).value_or(0);
    task.isCompleted = Json::optionalBool(o, QStringLiteral("isCompleted")).value_or(false);
    task.completedAt = Json::optionalDate(o, QStringLiteral("completedAt"));
    if (const std::optional<QJsonValue> reminder = Json::present(o, QStringLiteral("reminder")))
        task.reminder = TaskReminder::fromJson(*reminder);
    return task;
}

namespace TaskItems {

void write(Json::Writer& w, const TaskList& tasks)
{
    w.beginArray();
    for (const TaskItem& task : tasks)
        task.write(w);
    w.endArray();
}

TaskList fromJson(const QJsonValue& value)
{
    const QJsonArray array = Json::asArray(value, QStringLiteral("tasks"));
    Json::requireObjects(array, "tasks");
    TaskList tasks;
    tasks.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i)
        tasks.append(Json::element("tasks", i, [&] { return TaskItem::fromJson(array.at(i)); }));
    return tasks;
}

} // namespace TaskItems
