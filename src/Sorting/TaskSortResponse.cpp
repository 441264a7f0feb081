#include "Sorting/TaskSortResponse.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace {

using GenerationError = LanguageModel::GenerationError;

GenerationError decodingFailure(const QString& description)
{
    return GenerationError{GenerationError::Kind::decodingFailure, description};
}

} // namespace

TaskSortCoverage TaskSortResponse::coverage(qsizetype taskCount) const
{
    TaskSortCoverage coverage;
    coverage.itemCount = items.size();
    QList<int> named(taskCount, 0);
    for (const TaskSortItem& item : items) {
        if (item.taskIndex >= 1 && item.taskIndex <= taskCount)
            ++named[item.taskIndex - 1];
        else
            coverage.outside.append(item.taskIndex);
    }
    for (qsizetype i = 0; i < taskCount; ++i) {
        if (named[i] == 0)
            coverage.missing.append(i + 1);
        else if (named[i] > 1)
            coverage.repeated.append(i + 1);
    }
    std::sort(coverage.outside.begin(), coverage.outside.end());
    coverage.outside.erase(std::unique(coverage.outside.begin(), coverage.outside.end()), coverage.outside.end());
    return coverage;
}

TaskPriority TaskSortResponse::taskPriority(GeneratedTaskPriority priority)
{
    switch (priority) {
    case GeneratedTaskPriority::high: return TaskPriority::high;
    case GeneratedTaskPriority::medium: return TaskPriority::medium;
    case GeneratedTaskPriority::low: break;
    }
    return TaskPriority::low;
}

const LanguageModel::GenerationSchema& TaskSortResponse::generationSchema()
{
    // Written out by hand: the item properties must stay in this order.
    static const LanguageModel::GenerationSchema schema{
        QStringLiteral("TaskSortResponse"),
        QByteArrayLiteral(
            R"({"type":"object","properties":{"items":{"type":"array","description":"One result for each input task.",)"
            R"("items":{"type":"object","properties":{)"
            R"("taskIndex":{"type":"integer","description":"The 1-based index of this task from the input list."},)"
            R"("priority":{"type":"string","description":"The priority for this task.","enum":["high","medium","low"]},)"
            R"("why":{"type":"string","description":"A short explanation that names the priority driver in plain language."}},)"
            R"("required":["taskIndex","priority","why"],"additionalProperties":false},"maxItems":64}},)"
            R"("required":["items"],"additionalProperties":false})"),
    };
    return schema;
}

std::variant<TaskSortResponse, LanguageModel::GenerationError>
TaskSortResponse::fromGeneratedContent(const QJsonValue& content)
{
    const QJsonValue items = content.toObject().value(QLatin1String("items"));
    if (!content.isObject() || !items.isArray())
        return decodingFailure(QStringLiteral("Missing \"items\" for TaskSortResponse"));

    TaskSortResponse response;
    for (const QJsonValue& entry : items.toArray()) {
        const QJsonObject object = entry.toObject();
        const QJsonValue index = object.value(QLatin1String("taskIndex"));
        const QJsonValue priority = object.value(QLatin1String("priority"));
        const QJsonValue why = object.value(QLatin1String("why"));
        const double number = index.toDouble();
        if (!entry.isObject() || !index.isDouble() || std::trunc(number) != number || std::fabs(number) > 9.0e15)
            return decodingFailure(QStringLiteral("Expected an integer \"taskIndex\" for TaskSortItem"));
        if (!priority.isString())
            return decodingFailure(QStringLiteral("Expected a string \"priority\" for TaskSortItem"));
        if (!why.isString())
            return decodingFailure(QStringLiteral("Expected a string \"why\" for TaskSortItem"));

        TaskSortItem item;
        item.taskIndex = static_cast<qint64>(number);
        item.why = why.toString();
        const QString raw = priority.toString();
        if (raw == QLatin1String("high"))
            item.priority = GeneratedTaskPriority::high;
        else if (raw == QLatin1String("medium"))
            item.priority = GeneratedTaskPriority::medium;
        else if (raw == QLatin1String("low"))
            item.priority = GeneratedTaskPriority::low;
        else
            return decodingFailure(QStringLiteral("Unexpected value \"%1\" for GeneratedTaskPriority").arg(raw));
        response.items.append(item);
    }
    return response;
}
