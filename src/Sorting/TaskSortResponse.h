#pragma once

#include "Model/TaskPriority.h"
#include "Sorting/LanguageModel.h"

#include <QJsonValue>
#include <QList>
#include <QString>
#include <variant>

// The structured answer AI Sort asks the model for.
enum class GeneratedTaskPriority { high, medium, low };

struct TaskSortItem {
    qint64 taskIndex = 0;
    GeneratedTaskPriority priority = GeneratedTaskPriority::low;
    QString why;

    friend bool operator==(const TaskSortItem&, const TaskSortItem&) = default;
};

struct TaskSortResponse {
    // The schema's guide: the model is never asked for more items than this.
    static constexpr qsizetype maximumItemCount = 64;

    QList<TaskSortItem> items;

    static TaskPriority taskPriority(GeneratedTaskPriority priority);
    static const LanguageModel::GenerationSchema& generationSchema();
    // Anything that does not fit the schema is a decodingFailure.
    static std::variant<TaskSortResponse, LanguageModel::GenerationError> fromGeneratedContent(const QJsonValue& content);

    friend bool operator==(const TaskSortResponse&, const TaskSortResponse&) = default;
};
