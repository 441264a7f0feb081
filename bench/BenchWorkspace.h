#pragma once

// The large workspace the benchmarks share: tasks over five sections, half
// with AI results, some completed, some with reminders.
#include "Model/TaskWorkspaceState.h"
#include "Model/UserDefaultsTaskStore.h"

inline TaskWorkspaceState largeWorkspace(int taskCount)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.sections.append({"section.custom.5b0c2f3e-2d4f-4e6a-9b1c-0d2e3f4a5b6c", "Garden", TaskSection::Kind::custom, 4,
                           TaskSectionAccent::green});
    const TaskPriority priorities[] = {TaskPriority::high, TaskPriority::medium, TaskPriority::low};
    for (int i = 0; i < taskCount; ++i) {
        TaskItem t;
        t.id = QUuid::createUuid();
        t.title = QStringLiteral("Task number %1 with a realistic title").arg(i);
        t.sectionID = state.sections[i % state.sections.size()].id;
        t.priority = priorities[i % 3];
        t.sortOrder = i / state.sections.size();
        t.createdAt = Date{700000000.0 + i * 37.25};
        if (i % 2 == 0) {
            t.reasonText = QStringLiteral("Due this week and blocks other work");
            t.aiReasonSourceTitle = t.title;
            t.aiStatesByWorkspace.insert(t.sectionID, {t.priority, t.reasonText, t.title});
            t.aiStatesByWorkspace.insert(QStringLiteral("workspace.all"), {TaskPriority::medium, t.reasonText, t.title});
        }
        if (i % 5 == 0) {
            t.isCompleted = true;
            t.completedAt = Date{710000000.0 + i};
        } else if (i % 7 == 0) {
            t.reminder = TaskReminder{Date{720000000.0 + i}, false};
        }
        state.tasks.append(t);
    }
    return UserDefaultsTaskStore::normalized(state);
}
