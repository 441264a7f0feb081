#pragma once

#include "Model/TaskPriority.h"

#include <QList>
#include <QString>

// One answer row of the model. taskIndex counts from 1 and is kept exactly as
// the model returned it, so consumers must range-check it.
struct TaskSortDecision {
    qint64 taskIndex = 0;
    TaskPriority priority = TaskPriority::low;
    QString why;

    friend bool operator==(const TaskSortDecision&, const TaskSortDecision&) = default;
};

using TaskSortDecisionList = QList<TaskSortDecision>;
