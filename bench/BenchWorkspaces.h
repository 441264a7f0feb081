#pragma once

#include "Model/TaskWorkspaceState.h"

#include <QUuid>

// Workspaces shared by the benchmarks.

// n tasks over the four built-in sections, every fourth completed.
inline TaskWorkspaceState workspaceOf(qsizetype count)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    const SectionList& sections = state.sections;
    QList<qint64> nextOrder(sections.size(), 0);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype s = i % sections.size();
        TaskItem task;
        task.id = QUuid::createUuid();
        task.title = QStringLiteral("Task number %1 with a realistic title").arg(i);
        task.sectionID = sections.at(s).id;
        task.createdAt = Date{700000000.0 + static_cast<double>(i)};
        task.sortOrder = nextOrder[s]++;
        task.isCompleted = (i % 4) == 3;
        if (task.isCompleted)
            task.completedAt = task.createdAt.addingSeconds(60);
        state.tasks.append(task);
    }
    state.selectedWorkspaceID = QStringLiteral("section.work");
    return state;
}

