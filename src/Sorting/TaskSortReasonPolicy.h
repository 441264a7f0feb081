#pragma once

#include "Model/TaskPriority.h"

#include <QSet>
#include <QString>

// Keeps the model's reason for a task only when the task's own words back it up;
// otherwise writes a plain reason from the title and the chosen priority.
class TaskSortReasonPolicy {
public:
    TaskSortReasonPolicy() = delete;

    static QString resolveWhy(const QString& why, const QString& title, TaskPriority priority);
    static QString fallbackWhy(const QString& title, TaskPriority priority);
    // Lower-cased runs of letters and numbers; everything else separates words.
    static QSet<QString> words(const QString& text);

private:
    enum class ReasonCategory {
        timeSensitive,
        healthOrAppointment,
        financial,
        familyOrRelationship,
        cosmeticOrLeisure,
        workOrSchool,
    };
    class CategorySet;

    static CategorySet categories(const QSet<QString>& words);
};
