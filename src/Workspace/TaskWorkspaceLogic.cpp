#include "Workspace/TaskWorkspaceLogic.h"

#include "Model/TaskWorkspaceState.h"
#include "Platform/Text.h"
#include "Model/TaskOrdering.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <limits>

namespace TaskWorkspaceLogic {

namespace {

// The full list is almost always already in order; checking is O(n), sorting O(n log n).
TaskList sortedFull(TaskList tasks)
{
    TaskOrdering::sortOpenTasks(tasks);
    return tasks;
}

struct Range {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype size() const { return end - begin; }
};

// The open-task order groups by section id first, so a section is one run of a sorted list.
Range sectionRange(const TaskList& sorted, const QString& sectionID)
{
    const auto first = std::lower_bound(sorted.cbegin(), sorted.cend(), sectionID,
                                        [](const TaskItem& task, const QString& id) { return task.sectionID.compare(id) < 0; });
    const auto last = std::upper_bound(first, sorted.cend(), sectionID,
                                       [](const QString& id, const TaskItem& task) { return id.compare(task.sectionID) < 0; });
    return {first - sorted.cbegin(), last - sorted.cbegin()};
}

// Sections in display order, each id once.
SectionList displaySections(const SectionList& sections)
{
    SectionList ordered = firstSectionPerID(sections);
    TaskOrdering::sortSectionsForDisplay(ordered);
    return ordered;
}

// One section's run of a sorted list, split into open and completed tasks, each in list order.
struct SectionSplit {
    TaskList open;
    TaskList completed;
};

SectionSplit splitSection(const TaskList& sorted, const Range& range)
{
    SectionSplit split;
    for (qsizetype i = range.begin; i < range.end; ++i)
        (sorted.at(i).isCompleted ? split.completed : split.open).append(sorted.at(i));
    return split;
}

// Positions (into a sorted full list) of the open tasks of every listed section, in display order.
QList<qsizetype> openPositionsBySection(const TaskList& sorted, const SectionList& sections)
{
    QList<qsizetype> positions;
    positions.reserve(sorted.size());
    for (const TaskSection& section : displaySections(sections)) {
        const Range range = sectionRange(sorted, section.id);
        for (qsizetype i = range.begin; i < range.end; ++i) {
            if (!sorted.at(i).isCompleted)
                positions.append(i);
        }
    }
    return positions;
}

template <typename Item, typename PriorityOf>
QList<Item> bucketedByPriority(QList<Item> items, PriorityOf priorityOf)
{
    // A stable sort on three keys is a counting sort: O(n), one allocation.
    std::array<qsizetype, 3> next{0, 0, 0};
    for (const Item& item : std::as_const(items))
        ++next[static_cast<size_t>(priorityOf(item))];
    next = {0, next[0], next[0] + next[1]};
    QList<Item> result(items.size());
    for (Item& item : items) {
        const auto bucket = static_cast<size_t>(priorityOf(item));
        result[next[bucket]++] = std::move(item);
    }
    return result;
}

void resetOwnResult(TaskItem& task)
{
    task.priority = TaskPriority::low;
    task.reasonText.clear();
    task.aiReasonSourceTitle.reset();
}

qsizetype firstIndexOf(const TaskList& tasks, const QUuid& id)
{
    const auto it = std::find_if(tasks.cbegin(), tasks.cend(), [&](const TaskItem& task) { return task.id == id; });
    return it == tasks.cend() ? -1 : it - tasks.cbegin();
}

} // namespace

TaskList orderedTasks(const QString& sectionID, const TaskList& tasks)
{
    const TaskList sorted = sortedFull(tasks);
    const Range range = sectionRange(sorted, sectionID);
    return sorted.mid(range.begin, range.size());
}

TaskList completedTasks(const QString& workspaceID, const SectionList& sections, const TaskList& tasks)
{
    const TaskList sorted = sortedFull(tasks);
    TaskList completed;
    auto collect = [&](const QString& sectionID) {
        const Range range = sectionRange(sorted, sectionID);
        for (qsizetype i = range.begin; i < range.end; ++i) {
            if (sorted.at(i).isCompleted)
                completed.append(sorted.at(i));
        }
    };
    if (workspaceID == kAllWorkspaceID) {
        for (const TaskSection& section : displaySections(sections))
            collect(section.id);
    } else {
        collect(workspaceID);
    }
    std::stable_sort(completed.begin(), completed.end(), TaskOrdering::completedTaskOrder);
    return completed;
}

TaskList sortedByPriority(TaskList tasks)
{
    return bucketedByPriority(std::move(tasks), [](const TaskItem& task) { return task.priority; });
}

bool needsRanking(const TaskItem& projectedTask)
{
    return projectedTask.reasonText.isEmpty() || !projectedTask.aiReasonSourceTitle
        || !Text::sameText(*projectedTask.aiReasonSourceTitle, projectedTask.title);
}

TaskList visibleTasks(const QString& workspaceID, const SectionList& sections, const TaskList& tasks)
{
    const TaskList sorted = sortedFull(tasks);
    TaskList visible;
    if (workspaceID == kAllWorkspaceID) {
        const QList<qsizetype> positions = openPositionsBySection(sorted, sections);
        visible.reserve(positions.size());
        for (qsizetype position : positions)
            visible.append(sorted.at(position).projected(workspaceID));
        return sortedByPriority(std::move(visible));
    }
    const Range range = sectionRange(sorted, workspaceID);
    for (qsizetype i = range.begin; i < range.end; ++i) {
        if (!sorted.at(i).isCompleted)
            visible.append(sorted.at(i).projected(workspaceID));
    }
    return visible;
}

TaskList tasksNeedingRanking(const QString& workspaceID, const SectionList& sections, const TaskList& tasks)
{
    TaskList needing;
    for (const TaskItem& task : visibleTasks(workspaceID, sections, tasks)) {
        if (needsRanking(task))
            needing.append(task);
    }
    return needing;
}

TaskList appendingNewTask(const QString& title, const QString& sectionID, TaskList tasks, const Clock& clock)
{
    tasks = sortedFull(std::move(tasks));
    TaskItem task;
    task.id = QUuid::createUuid();
    task.title = title;
    task.sectionID = sectionID;
    task.createdAt = clock.now();
    // Normally the section holds 0…n−1 and the new task gets n. Clearing the
    // history can leave gaps, and n alone would then land the task mid-list.
    const Range range = sectionRange(tasks, sectionID);
    task.sortOrder = range.size();
    if (range.size() > 0) {
        const qint64 last = tasks.at(range.end - 1).sortOrder;
        if (last < std::numeric_limits<qint64>::max())
            task.sortOrder = std::max(task.sortOrder, last + 1);
    }
    const auto at = std::upper_bound(tasks.cbegin(), tasks.cend(), task, TaskOrdering::openTaskOrder);
    tasks.insert(at - tasks.cbegin(), std::move(task));
    return tasks;
}

TaskList renumbered(TaskList sectionTasks, const QString& sectionID)
{
    for (qsizetype k = 0; k < sectionTasks.size(); ++k) {
        TaskItem& task = sectionTasks[k];
        task.sectionID = sectionID;
        task.sortOrder = k;
    }
    return sectionTasks;
}

TaskList replacingSectionTasks(TaskList sectionTasks, const QString& sectionID, TaskList tasks)
{
    tasks = sortedFull(std::move(tasks));
    sectionTasks = sortedFull(std::move(sectionTasks));
    const Range range = sectionRange(tasks, sectionID);
    const bool allInSection = std::all_of(sectionTasks.cbegin(), sectionTasks.cend(),
                                          [&](const TaskItem& task) { return task.sectionID == sectionID; });
    if (allInSection) {
        // The section's run is replaced in place; everything around it stays in order.
        if (sectionTasks.size() == range.size()) {
            std::move(sectionTasks.begin(), sectionTasks.end(), tasks.begin() + range.begin);
            return tasks;
        }
        TaskList result;
        result.reserve(tasks.size() - range.size() + sectionTasks.size());
        std::move(tasks.begin(), tasks.begin() + range.begin, std::back_inserter(result));
        std::move(sectionTasks.begin(), sectionTasks.end(), std::back_inserter(result));
        std::move(tasks.begin() + range.end, tasks.end(), std::back_inserter(result));
        return result;
    }
    // Tasks from elsewhere: merge them in; on ties the remaining tasks go first,
    // exactly as appending and stable-sorting would.
    tasks.remove(range.begin, range.size());
    TaskList result;
    result.reserve(tasks.size() + sectionTasks.size());
    std::merge(std::make_move_iterator(tasks.begin()), std::make_move_iterator(tasks.end()),
               std::make_move_iterator(sectionTasks.begin()), std::make_move_iterator(sectionTasks.end()),
               std::back_inserter(result), TaskOrdering::openTaskOrder);
    return result;
}

TaskList completingTask(const QUuid& id, TaskList tasks, const Clock& clock)
{
    tasks = sortedFull(std::move(tasks));
    const qsizetype found = firstIndexOf(tasks, id);
    if (found < 0)
        return tasks;
    const QString sectionID = tasks.at(found).sectionID;
    const Range range = sectionRange(tasks, sectionID);

    auto [open, completed] = splitSection(tasks, range);
    const qsizetype openIndex = firstIndexOf(open, id);
    if (openIndex < 0)
        return tasks;

    TaskItem task = open.takeAt(openIndex);
    task.isCompleted = true;
    task.completedAt = clock.now();
    open.append(completed);
    open.append(std::move(task));
    return replacingSectionTasks(renumbered(std::move(open), sectionID), sectionID, std::move(tasks));
}

TaskList removingTask(const QUuid& id, TaskList tasks)
{
    tasks = sortedFull(std::move(tasks));
    const qsizetype found = firstIndexOf(tasks, id);
    if (found < 0)
        return tasks;
    const QString sectionID = tasks.at(found).sectionID;
    tasks.removeIf([&](const TaskItem& task) { return task.id == id; });
    // Renumbering in list order keeps the run sorted: only sortOrder changes, to 0…k−1.
    const Range range = sectionRange(tasks, sectionID);
    for (qsizetype i = range.begin; i < range.end; ++i)
        tasks[i].sortOrder = i - range.begin;
    return tasks;
}

TaskList movingTasks(const QString& sectionID, const QSet<qsizetype>& offsets, qsizetype destination, TaskList tasks)
{
    tasks = sortedFull(std::move(tasks));
    const Range range = sectionRange(tasks, sectionID);
    auto [open, completed] = splitSection(tasks, range);

    // Flags and three passes keep a move of many rows linear; removing and
    // inserting one row at a time would be quadratic.
    QList<bool> isMoved(open.size(), false);
    for (qsizetype offset : offsets) {
        if (offset >= 0 && offset < open.size())
            isMoved[offset] = true;
    }
    destination = std::clamp<qsizetype>(destination, 0, open.size());
    const qsizetype insertion = destination - std::count(isMoved.cbegin(), isMoved.cbegin() + destination, true);

    TaskList reordered;
    reordered.reserve(range.size());
    qsizetype next = 0;
    for (qsizetype kept = 0; kept < insertion; ++next) {
        if (!isMoved.at(next)) {
            reordered.append(std::move(open[next]));
            ++kept;
        }
    }
    for (qsizetype i = 0; i < open.size(); ++i) {
        if (isMoved.at(i))
            reordered.append(std::move(open[i]));
    }
    for (; next < open.size(); ++next) {
        if (!isMoved.at(next))
            reordered.append(std::move(open[next]));
    }
    std::move(completed.begin(), completed.end(), std::back_inserter(reordered));
    return replacingSectionTasks(renumbered(std::move(reordered), sectionID), sectionID, std::move(tasks));
}

TaskList clearingAIState(const QString& workspaceID, TaskList tasks)
{
    tasks = sortedFull(std::move(tasks));
    for (TaskItem& task : tasks) {
        task.aiStatesByWorkspace.remove(workspaceID);
        resetOwnResult(task);
    }
    return tasks;
}

TaskList clearingAllWorkspaceAIState(const QString& sectionID, TaskList tasks)
{
    tasks = sortedFull(std::move(tasks));
    const Range range = sectionRange(tasks, sectionID);
    for (qsizetype i = range.begin; i < range.end; ++i) {
        TaskItem& task = tasks[i];
        task.aiStatesByWorkspace.remove(kAllWorkspaceID);
        resetOwnResult(task);
    }
    return tasks;
}

TaskList removingTasks(const QString& sectionID, TaskList tasks)
{
    tasks = sortedFull(std::move(tasks));
    const Range range = sectionRange(tasks, sectionID);
    tasks.remove(range.begin, range.size());
    return tasks;
}

TaskList applyingDecisions(const TaskSortDecisionList& decisions, const QSet<qsizetype>& allowedIndices,
                           const QString& workspaceID, TaskList rankedTasks)
{
    const qint64 count = rankedTasks.size();
    for (const TaskSortDecision& decision : decisions) {
        // The index is model output: range-check before any arithmetic on it.
        if (decision.taskIndex < 1 || decision.taskIndex > count)
            continue;
        const qsizetype position = static_cast<qsizetype>(decision.taskIndex - 1);
        if (!allowedIndices.contains(position))
            continue;
        TaskItem& task = rankedTasks[position];
        task.aiStatesByWorkspace.insert(workspaceID, TaskAIState{decision.priority, decision.why, task.title});
        task.priority = decision.priority;
        task.reasonText = decision.why;
        task.aiReasonSourceTitle = task.title;
    }
    return rankedTasks;
}

TaskList applyingSortDecisions(const TaskSortDecisionList& decisions, TaskList tasks, const SectionList& sections)
{
    tasks = sortedFull(std::move(tasks));

    // The ranked list as the aggregate workspace shows it, kept as positions
    // into the full list so each result lands on exactly the task it names.
    struct Ranked {
        qsizetype position = 0;
        TaskPriority shownPriority = TaskPriority::low;
        bool needsRanking = false;
    };
    const QList<qsizetype> positions = openPositionsBySection(tasks, sections);
    QList<Ranked> ranked;
    ranked.reserve(positions.size());
    for (qsizetype position : positions) {
        const TaskItem shown = tasks.at(position).projected(kAllWorkspaceID);
        ranked.append({position, shown.priority, needsRanking(shown)});
    }
    ranked = bucketedByPriority(std::move(ranked), [](const Ranked& r) { return r.shownPriority; });

    TaskList rankedTasks;
    QSet<qsizetype> allowed;
    rankedTasks.reserve(ranked.size());
    allowed.reserve(ranked.size());
    for (qsizetype p = 0; p < ranked.size(); ++p) {
        rankedTasks.append(tasks.at(ranked.at(p).position));
        if (ranked.at(p).needsRanking)
            allowed.insert(p);
    }
    rankedTasks = applyingDecisions(decisions, allowed, kAllWorkspaceID, std::move(rankedTasks));

    for (qsizetype p : std::as_const(allowed)) {
        TaskItem& task = tasks[ranked.at(p).position];
        if (task.aiStatesByWorkspace != rankedTasks.at(p).aiStatesByWorkspace)
            task.aiStatesByWorkspace = rankedTasks.at(p).aiStatesByWorkspace;
    }
    return tasks;
}

TaskList applyingSortDecisions(const TaskSortDecisionList& decisions, const QString& sectionID, TaskList tasks)
{
    tasks = sortedFull(std::move(tasks));
    const Range range = sectionRange(tasks, sectionID);
    auto [open, completed] = splitSection(tasks, range);

    QSet<qsizetype> allowed;
    allowed.reserve(open.size());
    for (qsizetype p = 0; p < open.size(); ++p) {
        if (needsRanking(open.at(p).projected(sectionID)))
            allowed.insert(p);
    }
    TaskList ranked = applyingDecisions(decisions, allowed, sectionID, std::move(open));
    for (TaskItem& task : ranked)
        task = task.projected(sectionID);
    ranked = sortedByPriority(std::move(ranked));
    ranked.append(completed);
    return replacingSectionTasks(renumbered(std::move(ranked), sectionID), sectionID, std::move(tasks));
}

} // namespace TaskWorkspaceLogic
