#include "Support/ManualClock.h"
#include "TaskBuilders.h"
#include "Workspace/TaskOrdering.h"
#include "Workspace/TaskWorkspaceLogic.h"

#include <gtest/gtest.h>
#include <limits>

namespace L = TaskWorkspaceLogic;

namespace {
const QString kWork = QStringLiteral("section.work");
const QString kHome = QStringLiteral("section.home");
const QString kHealth = QStringLiteral("section.health");
const QString kAll = QStringLiteral("workspace.all");

TaskList sectionOf(const TaskList& tasks, const QString& sectionID)
{
    return L::orderedTasks(sectionID, tasks);
}
} // namespace

TEST(TaskOrderingTest, OrdersAreStableAndTotal)
{
    // Section id decides before sortOrder: health sorts before home.
    TaskList tasks{makeTask("h", kHome, 0), makeTask("he", kHealth, 9)};
    TaskOrdering::sortOpenTasks(tasks);
    EXPECT_EQ(titles(tasks), (QStringList{"he", "h"}));

    // Equal keys fall back to the id's canonical string, never QUuid's own order.
    TaskItem a = makeTask("a", kWork, 0);
    TaskItem b = makeTask("b", kWork, 0);
    a.id = QUuid::fromString(QStringLiteral("a0000000-0000-0000-0000-000000000000"));
    b.id = QUuid::fromString(QStringLiteral("9fffffff-ffff-ffff-ffff-ffffffffffff"));
    EXPECT_TRUE(TaskOrdering::openTaskOrder(b, a));
    EXPECT_FALSE(TaskOrdering::openTaskOrder(a, a));

    // A completed task without a date goes after every dated one; same instant: section, then sortOrder.
    TaskItem undated = makeTask("u", kWork, 0, true);
    undated.completedAt.reset();
    TaskItem work2 = makeTask("w2", kWork, 2, true);
    TaskItem work1 = makeTask("w1", kWork, 1, true);
    TaskItem home = makeTask("hm", kHome, 0, true);
    work1.completedAt = work2.completedAt = home.completedAt = Date{5};
    TaskList completed{undated, work2, home, work1};
    std::stable_sort(completed.begin(), completed.end(), TaskOrdering::completedTaskOrder);
    EXPECT_EQ(titles(completed), (QStringList{"hm", "w1", "w2", "u"}));

    // Priority: stable within each priority, and the list transform agrees with the predicate.
    TaskList byPriority;
    const QList<TaskPriority> priorities{TaskPriority::low, TaskPriority::high, TaskPriority::low, TaskPriority::medium,
                                         TaskPriority::high};
    for (qsizetype i = 0; i < priorities.size(); ++i) {
        byPriority.append(makeTask(QString::number(i), kWork, i));
        byPriority.last().priority = priorities.at(i);
    }
    EXPECT_EQ(titles(L::sortedByPriority(byPriority)), (QStringList{"1", "4", "3", "0", "2"}));
}

TEST(TaskWorkspaceLogicTest, AppendCompleteAndRemoveRenumberTheTouchedSection)
{
    ManualClock clock;
    const TaskList start{makeTask("w0", kWork, 0), makeTask("w1", kWork, 1), makeTask("w2", kWork, 2),
                         makeTask("wc", kWork, 3, true), makeTask("h0", kHome, 7)};

    TaskList appended = L::appendingNewTask(QStringLiteral("  new "), kHome, start, clock);
    const TaskItem& added = taskTitled(appended, "  new ");
    EXPECT_EQ(added.sortOrder, 8) << "after the last task, even across a gap";
    EXPECT_EQ(added.createdAt, clock.now());
    EXPECT_EQ(added.priority, TaskPriority::low);
    EXPECT_FALSE(added.isCompleted);
    EXPECT_EQ(titles(sectionOf(appended, kHome)), (QStringList{"h0", "  new "}));

    TaskList work = start;
    work.removeLast();
    TaskList appendedToWork = L::appendingNewTask(QStringLiteral("n"), kWork, work, clock);
    EXPECT_EQ(taskTitled(appendedToWork, "n").sortOrder, 4) << "completed tasks count too";

    // Completing the middle open task puts it after the earlier completed task.
    clock.advance(60);
    const TaskList completed = L::completingTask(idFor("w1"), start, clock);
    EXPECT_EQ(titles(sectionOf(completed, kWork)), (QStringList{"w0", "w2", "wc", "w1"}));
    EXPECT_EQ(sortOrders(sectionOf(completed, kWork)), (QList<qint64>{0, 1, 2, 3}));
    EXPECT_TRUE(taskTitled(completed, "w1").isCompleted);
    EXPECT_EQ(taskTitled(completed, "w1").completedAt, clock.now());
    EXPECT_EQ(taskTitled(completed, "h0").sortOrder, 7) << "other sections keep their numbers";

    TaskList sortedStart = start;
    TaskOrdering::sortOpenTasks(sortedStart);
    EXPECT_EQ(L::completingTask(idFor("wc"), start, clock), sortedStart);
    EXPECT_EQ(L::completingTask(QUuid::createUuid(), start, clock), sortedStart);

    const TaskList removed = L::removingTask(idFor("w0"), start);
    EXPECT_EQ(titles(sectionOf(removed, kWork)), (QStringList{"w1", "w2", "wc"}));
    EXPECT_EQ(sortOrders(sectionOf(removed, kWork)), (QList<qint64>{0, 1, 2}));
    EXPECT_EQ(taskTitled(removed, "h0").sortOrder, 7);
    EXPECT_EQ(L::removingTask(QUuid::createUuid(), start).size(), start.size());

    // Unsorted input comes back sorted.
    TaskList shuffled{start.at(4), start.at(2), start.at(0), start.at(3), start.at(1)};
    EXPECT_EQ(L::removingTasks(kHome, shuffled), L::orderedTasks(kWork, start));
}

TEST(TaskWorkspaceLogicTest, MovesFollowTheListViewAndNeverLeaveTheSection)
{
    const TaskList start{makeTask("T1", kWork, 0), makeTask("T2", kWork, 1), makeTask("C", kWork, 2, true),
                         makeTask("T3", kWork, 3), makeTask("T4", kWork, 4), makeTask("H", kHome, 0)};
    auto openTitles = [](const TaskList& tasks) { return titles(L::visibleTasks(kWork, {}, tasks)); };

    EXPECT_EQ(openTitles(L::movingTasks(kWork, {1}, 3, start)), (QStringList{"T1", "T3", "T2", "T4"}));
    EXPECT_EQ(openTitles(L::movingTasks(kWork, {0, 2}, 4, start)), (QStringList{"T2", "T4", "T1", "T3"}));
    EXPECT_EQ(openTitles(L::movingTasks(kWork, {0, 2}, 0, start)), (QStringList{"T1", "T3", "T2", "T4"}));

    const TaskList moved = L::movingTasks(kWork, {3}, 0, start);
    EXPECT_EQ(titles(sectionOf(moved, kWork)), (QStringList{"T4", "T1", "T2", "T3", "C"}));
    EXPECT_EQ(sortOrders(sectionOf(moved, kWork)), (QList<qint64>{0, 1, 2, 3, 4})) << "completed go last";
    EXPECT_EQ(taskTitled(moved, "H").sortOrder, 0);

    // Offsets outside the open list are dropped and the destination clamped.
    EXPECT_EQ(openTitles(L::movingTasks(kWork, {-1, 1, 4, 99}, 1000, start)), (QStringList{"T1", "T3", "T4", "T2"}));
    EXPECT_EQ(openTitles(L::movingTasks(kWork, {0}, -5, start)), (QStringList{"T1", "T2", "T3", "T4"}));
    EXPECT_EQ(openTitles(L::movingTasks(kWork, {std::numeric_limits<qsizetype>::min()}, std::numeric_limits<qsizetype>::max(), start)),
              (QStringList{"T1", "T2", "T3", "T4"}));
    EXPECT_EQ(L::movingTasks(QStringLiteral("section.none"), {0}, 1, start).size(), start.size());
}

TEST(TaskWorkspaceLogicTest, VisibleListsProjectionsAndClearing)
{
    const SectionList sections{TaskSection{kWork, "Work", TaskSection::Kind::builtIn, 1, {}},
                               TaskSection{kHome, "Home", TaskSection::Kind::builtIn, 0, {}}};
    TaskList tasks{
        ranked(makeTask("w0", kWork, 0), kAll, TaskPriority::low),
        ranked(ranked(makeTask("w1", kWork, 1), kAll, TaskPriority::high), kWork, TaskPriority::medium),
        makeTask("wc", kWork, 2, true),
        makeTask("h0", kHome, 0),
        ranked(makeTask("h1", kHome, 1), kAll, TaskPriority::high),
        makeTask("orphan", QStringLiteral("section.gone"), 0),
        makeTask("orphanDone", QStringLiteral("section.gone"), 1, true),
    };
    TaskItem stale = ranked(makeTask("h2", kHome, 2), kAll, TaskPriority::high);
    stale.title = QStringLiteral("h2 renamed");
    tasks.append(stale);

    // Aggregate: sections in display order (Home first), then by projected priority; orphans left out.
    const TaskList all = L::visibleTasks(kAll, sections, tasks);
    EXPECT_EQ(titles(all), (QStringList{"h1", "w1", "h0", "h2 renamed", "w0"}));
    EXPECT_EQ(all.at(0).priority, TaskPriority::high);
    EXPECT_EQ(all.at(3).priority, TaskPriority::low) << "a result for an older title does not count";
    EXPECT_EQ(titles(L::tasksNeedingRanking(kAll, sections, tasks)), (QStringList{"h0", "h2 renamed"}));

    // A section keeps its manual order even with a high task in it.
    EXPECT_EQ(titles(L::visibleTasks(kWork, sections, tasks)), (QStringList{"w0", "w1"}));
    EXPECT_EQ(L::visibleTasks(kWork, sections, tasks).at(1).priority, TaskPriority::medium);

    EXPECT_EQ(titles(L::completedTasks(kAll, sections, tasks)), (QStringList{"wc"}));
    EXPECT_EQ(titles(L::completedTasks(QStringLiteral("section.gone"), sections, tasks)), (QStringList{"orphanDone"}));

    // Clearing one section workspace resets every task's own result but only drops that key.
    TaskItem own = ranked(makeTask("own", kHome, 5), kHome, TaskPriority::high);
    own.priority = TaskPriority::high;
    own.reasonText = QStringLiteral("mine");
    own.aiReasonSourceTitle = own.title;
    tasks.append(own);
    const TaskList cleared = L::clearingAIState(kWork, tasks);
    EXPECT_TRUE(taskTitled(cleared, "w1").aiStatesByWorkspace.contains(kAll));
    EXPECT_FALSE(taskTitled(cleared, "w1").aiStatesByWorkspace.contains(kWork));
    EXPECT_EQ(taskTitled(cleared, "own").priority, TaskPriority::low);
    EXPECT_EQ(taskTitled(cleared, "own").projected(kHome).priority, TaskPriority::high);

    const TaskList clearedAll = L::clearingAllWorkspaceAIState(kHome, tasks);
    EXPECT_FALSE(taskTitled(clearedAll, "h1").aiStatesByWorkspace.contains(kAll));
    EXPECT_TRUE(taskTitled(clearedAll, "w1").aiStatesByWorkspace.contains(kAll));
    EXPECT_EQ(taskTitled(clearedAll, "own").reasonText, QString());
    EXPECT_EQ(taskTitled(clearedAll, "w1").aiStatesByWorkspace, taskTitled(tasks, "w1").aiStatesByWorkspace);
}

TEST(TaskWorkspaceLogicTest, SectionDecisionsRankOnlyUnrankedTasksAndIgnoreBadIndexes)
{
    const TaskList start{makeTask("T1", kWork, 0), makeTask("T2", kWork, 1), makeTask("T3", kWork, 2),
                         makeTask("C", kWork, 3, true), makeTask("H", kHome, 0)};
    const TaskSortDecisionList decisions{{1, TaskPriority::low, "l"}, {2, TaskPriority::high, "h"}, {3, TaskPriority::medium, "m"}};

    const TaskList sorted = L::applyingSortDecisions(decisions, kWork, start);
    EXPECT_EQ(titles(sectionOf(sorted, kWork)), (QStringList{"T2", "T3", "T1", "C"}));
    EXPECT_EQ(sortOrders(sectionOf(sorted, kWork)), (QList<qint64>{0, 1, 2, 3}));
    const TaskItem& t2 = taskTitled(sorted, "T2");
    EXPECT_EQ(t2.priority, TaskPriority::high);
    EXPECT_EQ(t2.reasonText, QStringLiteral("h"));
    EXPECT_EQ(t2.aiReasonSourceTitle, QStringLiteral("T2"));
    EXPECT_EQ(t2.aiStatesByWorkspace.value(kWork), (TaskAIState{TaskPriority::high, "h", "T2"}));
    EXPECT_EQ(taskTitled(sorted, "H"), start.at(4));

    // Out-of-range indexes, including 64-bit extremes, change nothing; a repeated index: the last wins.
    const TaskSortDecisionList bad{{0, TaskPriority::high, "zero"},
                                   {-1, TaskPriority::high, "neg"},
                                   {4, TaskPriority::high, "past"},
                                   {std::numeric_limits<qint64>::min(), TaskPriority::high, "min"},
                                   {std::numeric_limits<qint64>::max(), TaskPriority::high, "max"},
                                   {3, TaskPriority::high, "first"},
                                   {3, TaskPriority::medium, "second"}};
    const TaskList badSorted = L::applyingSortDecisions(bad, kWork, start);
    EXPECT_EQ(titles(sectionOf(badSorted, kWork)), (QStringList{"T3", "T1", "T2", "C"}));
    EXPECT_EQ(taskTitled(badSorted, "T3").reasonText, QStringLiteral("second"));
    EXPECT_TRUE(taskTitled(badSorted, "T1").aiStatesByWorkspace.isEmpty());

    // A task already ranked keeps its result; a stale one is replaced.
    TaskList withResults = start;
    withResults[0] = ranked(withResults[0], kWork, TaskPriority::low, "kept");
    TaskItem stale = ranked(withResults[1], kWork, TaskPriority::low, "old");
    stale.aiStatesByWorkspace[kWork].sourceTitle = QStringLiteral("old title");
    withResults[1] = stale;
    const TaskList again = L::applyingSortDecisions(
        TaskSortDecisionList{{1, TaskPriority::high, "new"}, {2, TaskPriority::high, "fresh"}}, kWork, withResults);
    EXPECT_EQ(taskTitled(again, "T1").reasonText, QStringLiteral("kept"));
    EXPECT_EQ(taskTitled(again, "T1").priority, TaskPriority::low);
    EXPECT_EQ(taskTitled(again, "T2").aiStatesByWorkspace.value(kWork).reasonText, QStringLiteral("fresh"));

    // No decisions still rewrites the own fields to the projection and keeps the order.
    TaskList ownHigh = start;
    ownHigh[2].priority = TaskPriority::high;
    const TaskList none = L::applyingSortDecisions(TaskSortDecisionList{}, kWork, ownHigh);
    EXPECT_EQ(titles(sectionOf(none, kWork)), (QStringList{"T1", "T2", "T3", "C"}));
    EXPECT_EQ(taskTitled(none, "T3").priority, TaskPriority::low);
}

TEST(TaskWorkspaceLogicTest, AggregateDecisionsOnlyStoreResults)
{
    const SectionList sections = TaskSection::builtInDefaults();
    TaskList start{makeTask("W", kWork, 0), ranked(makeTask("H", kHome, 0), kAll, TaskPriority::high),
                   makeTask("X", kHealth, 0), makeTask("done", kWork, 1, true)};
    start[0].reasonText = QStringLiteral("own reason");
    // Ranked list: H (high), then W, X (low, section order). Only W and X are allowed.
    const TaskSortDecisionList decisions{{1, TaskPriority::low, "not allowed"},
                                         {2, TaskPriority::medium, "w"},
                                         {3, TaskPriority::high, "x"},
                                         {9, TaskPriority::high, "out"}};
    const TaskList result = L::applyingSortDecisions(decisions, start, sections);
    EXPECT_EQ(sortOrders(result), sortOrders(L::replacingSectionTasks({}, "none", start)));
    EXPECT_EQ(taskTitled(result, "H").aiStatesByWorkspace.value(kAll).reasonText, QStringLiteral("because"));
    EXPECT_EQ(taskTitled(result, "W").aiStatesByWorkspace.value(kAll), (TaskAIState{TaskPriority::medium, "w", "W"}));
    EXPECT_EQ(taskTitled(result, "W").reasonText, QStringLiteral("own reason")) << "own fields are not touched";
    EXPECT_EQ(taskTitled(result, "W").priority, TaskPriority::low);
    EXPECT_EQ(titles(L::visibleTasks(kAll, sections, result)), (QStringList{"H", "X", "W"}));
    EXPECT_TRUE(taskTitled(result, "done").aiStatesByWorkspace.isEmpty());
}
