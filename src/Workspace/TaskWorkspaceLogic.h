#pragma once

#include "Model/TaskItem.h"
#include "Model/TaskSection.h"
#include "Platform/Date.h"
#include "Sorting/TaskSortDecision.h"

#include <QSet>
#include <QString>
#include <QUuid>

// Pure whole-list functions over all tasks (and, where needed, all sections).
// Every function returning a changed full list returns it stable-sorted in the
// open-task order and renumbers the touched section 0…n−1, open and completed
// together. Full lists are taken by value so callers can move theirs in.
namespace TaskWorkspaceLogic {

// The tasks of one section, open and completed, in open-task order.
TaskList orderedTasks(const QString& sectionID, const TaskList& tasks);
// Completed tasks of a workspace, newest completion first, as stored.
TaskList completedTasks(const QString& workspaceID, const SectionList& sections, const TaskList& tasks);
// High, then medium, then low; input order within a priority.
TaskList sortedByPriority(TaskList tasks);
// The open tasks a workspace shows, projected for it. The aggregate workspace
// lists sections in display order, then sorts by projected priority.
TaskList visibleTasks(const QString& workspaceID, const SectionList& sections, const TaskList& tasks);
// The visible tasks without a valid AI result in that workspace.
TaskList tasksNeedingRanking(const QString& workspaceID, const SectionList& sections, const TaskList& tasks);
// True when a projected task has no current AI result.
bool needsRanking(const TaskItem& projectedTask);

// The title is stored as given; trimming is the caller's.
TaskList appendingNewTask(const QString& title, const QString& sectionID, TaskList tasks,
                          const Clock& clock = SystemClock::shared());
// Moves every task into `sectionID` with sortOrder = its position; order unchanged.
TaskList renumbered(TaskList sectionTasks, const QString& sectionID);
TaskList replacingSectionTasks(TaskList sectionTasks, const QString& sectionID, TaskList tasks);
// The task goes after its section's completed tasks; unknown or completed ids change nothing.
TaskList completingTask(const QUuid& id, TaskList tasks, const Clock& clock = SystemClock::shared());
TaskList removingTask(const QUuid& id, TaskList tasks);
// Offsets and destination address the section's open tasks as shown. Offsets
// outside them are ignored and the destination is clamped, so any input is safe.
TaskList movingTasks(const QString& sectionID, const QSet<qsizetype>& offsets, qsizetype destination, TaskList tasks);
// Drops every task's result under `workspaceID` and resets every task's own result.
TaskList clearingAIState(const QString& workspaceID, TaskList tasks);
// Drops the aggregate results, and resets the own result, of one section's tasks.
TaskList clearingAllWorkspaceAIState(const QString& sectionID, TaskList tasks);
TaskList removingTasks(const QString& sectionID, TaskList tasks);

// Applies decisions to the ranked list: a decision whose index is outside
// 1…n, or addresses a position not in `allowedIndices`, is skipped; later
// decisions for a position win.
TaskList applyingDecisions(const TaskSortDecisionList& decisions, const QSet<qsizetype>& allowedIndices,
                           const QString& workspaceID, TaskList rankedTasks);
// The aggregate workspace: only the stored results under it change.
TaskList applyingSortDecisions(const TaskSortDecisionList& decisions, TaskList tasks, const SectionList& sections);
// A section: its open tasks are re-ordered by priority and the section renumbered.
TaskList applyingSortDecisions(const TaskSortDecisionList& decisions, const QString& sectionID, TaskList tasks);

} // namespace TaskWorkspaceLogic
