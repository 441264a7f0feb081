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

// Which task numbers an answer names for a list of n tasks. Complete means
// each of 1...n exactly once: a repeated number leaves some other task
// without a decision, however many items there are.
struct TaskSortCoverage {
    qsizetype itemCount = 0;
    QList<qint64> missing;  // ascending
    QList<qint64> repeated; // ascending, each once
    QList<qint64> outside;  // numbers not in 1...n, ascending, each once

    bool isComplete() const { return missing.isEmpty() && repeated.isEmpty() && outside.isEmpty(); }
};

struct TaskSortResponse {
    // The schema's guide: the model is never asked for more items than this.
    static constexpr qsizetype maximumItemCount = 64;

    QList<TaskSortItem> items;

    TaskSortCoverage coverage(qsizetype taskCount) const;

    static TaskPriority taskPriority(GeneratedTaskPriority priority);
    static const LanguageModel::GenerationSchema& generationSchema();
    // Anything that does not fit the schema is a decodingFailure. Every item is
    // kept, also past the schema's maximum, so that the answer is judged whole.
    static std::variant<TaskSortResponse, LanguageModel::GenerationError> fromGeneratedContent(const QJsonValue& content);

    friend bool operator==(const TaskSortResponse&, const TaskSortResponse&) = default;
};
