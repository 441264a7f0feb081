#pragma once

#include "Model/TaskItem.h"
#include "Model/TaskWorkspaceState.h"
#include "Support/QtTestPrinters.h"

#include <QStringList>
#include <ostream>

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

// Small builders for task lists in tests; ids are fixed per title so results
// are reproducible.
inline QUuid idFor(const QString& title)
{
    return QUuid::createUuidV5(QUuid(), title);
}

inline TaskItem makeTask(const QString& title, const QString& sectionID, qint64 sortOrder, bool completed = false)
{
    TaskItem task;
    task.id = idFor(title);
    task.title = title;
    task.sectionID = sectionID;
    task.sortOrder = sortOrder;
    task.createdAt = Date{600000000.0 + static_cast<double>(sortOrder)};
    task.isCompleted = completed;
    if (completed)
        task.completedAt = Date{650000000.0 + static_cast<double>(sortOrder)};
    return task;
}

inline QStringList titles(const TaskList& tasks)
{
    QStringList result;
    for (const TaskItem& task : tasks)
        result.append(task.title);
    return result;
}

inline const TaskItem& taskTitled(const TaskList& tasks, const QString& title)
{
    for (const TaskItem& task : tasks) {
        if (task.title == title)
            return task;
    }
    static const TaskItem missing;
    return missing;
}

inline QList<qint64> sortOrders(const TaskList& tasks)
{
    QList<qint64> result;
    for (const TaskItem& task : tasks)
        result.append(task.sortOrder);
    return result;
}

// Gives a task a current result in one workspace.
inline TaskItem ranked(TaskItem task, const QString& workspaceID, TaskPriority priority, const QString& why = QStringLiteral("because"))
{
    task.aiStatesByWorkspace.insert(workspaceID, TaskAIState{priority, why, task.title});
    return task;
}
