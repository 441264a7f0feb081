#include "Support/ManualClock.h"
#include "TaskBuilders.h"
#include "Model/TaskOrdering.h"
#include "Workspace/TaskWorkspaceLogic.h"

#include <gtest/gtest.h>
#include <limits>

namespace L = TaskWorkspaceLogic;

namespace {
const QString kWork = QStringLiteral("section.work");
const QString kHome = QStringLiteral("section.home");
const QString kHealth = QStringLiteral("section.health");
const QString kAll = QStringLiteral("workspace.all");
constexpr qint64 kMin = std::numeric_limits<qint64>::min(), kMax = std::numeric_limits<qint64>::max();
} // namespace

TEST(TaskOrderingTest, TiesAreBrokenTheSameWayEverywhere)
{
    // Equal keys fall back to the id's canonical string, never QUuid's own order.
    TaskItem a = makeTask("a", kWork, 0);
    TaskItem b = makeTask("b", kWork, 0);
    a.id = QUuid::fromString(QStringLiteral("a0000000-0000-0000-0000-000000000000"));
    b.id = QUuid::fromString(QStringLiteral("9fffffff-ffff-ffff-ffff-ffffffffffff"));
    EXPECT_TRUE(TaskOrdering::openTaskOrder(b, a));
    EXPECT_FALSE(TaskOrdering::openTaskOrder(a, a));

    // Completed: newest first, undated last; same instant: section, then sortOrder.
    TaskList completed{makeTask("u", kWork, 0, true), makeTask("w2", kWork, 2, true), makeTask("hm", kHome, 0, true),
                       makeTask("w1", kWork, 1, true)};
    completed[0].completedAt.reset();
    for (qsizetype i = 1; i < completed.size(); ++i)
        completed[i].completedAt = Date{5};
    std::stable_sort(completed.begin(), completed.end(), TaskOrdering::completedTaskOrder);
    EXPECT_EQ(titles(completed), (QStringList{"hm", "w1", "w2", "u"}));
}

TEST(TaskWorkspaceLogicTest, AppendCompleteAndRemoveRenumberTheTouchedSection)
{
    ManualClock clock;
    const TaskList start{makeTask("w0", kWork, 0), makeTask("w1", kWork, 1), makeTask("w2", kWork, 2),
                         makeTask("wc", kWork, 3, true), makeTask("h0", kHome, 7)};

    const TaskList appended = L::appendingNewTask(QStringLiteral("new"), kHome, start, clock);
    EXPECT_EQ(taskTitled(appended, "new").sortOrder, 8) << "after the last task, even across a gap";
    EXPECT_EQ(taskTitled(appended, "new").createdAt, clock.now());
    EXPECT_EQ(taskTitled(L::appendingNewTask(QStringLiteral("n"), kWork, start, clock), "n").sortOrder, 4)
        << "completed tasks count too";

    // Completing the middle open task puts it after the earlier completed task.
    clock.advance(60);
    const TaskList completed = L::completingTask(idFor("w1"), start, clock);
    EXPECT_EQ(titles(L::orderedTasks(kWork, completed)), (QStringList{"w0", "w2", "wc", "w1"}));
    EXPECT_EQ(sortOrders(L::orderedTasks(kWork, completed)), (QList<qint64>{0, 1, 2, 3}));
    EXPECT_EQ(taskTitled(completed, "w1").completedAt, clock.now());
    EXPECT_EQ(taskTitled(completed, "h0").sortOrder, 7) << "other sections keep their numbers";
    TaskList sortedStart = start;
    TaskOrdering::sortOpenTasks(sortedStart);
    EXPECT_EQ(L::completingTask(idFor("wc"), start, clock), sortedStart);
    EXPECT_EQ(L::completingTask(QUuid::createUuid(), start, clock), sortedStart);

    const TaskList removed = L::removingTask(idFor("w0"), start);
    EXPECT_EQ(titles(L::orderedTasks(kWork, removed)), (QStringList{"w1", "w2", "wc"}));
    EXPECT_EQ(sortOrders(L::orderedTasks(kWork, removed)), (QList<qint64>{0, 1, 2}));
    EXPECT_EQ(taskTitled(removed, "h0").sortOrder, 7);
    EXPECT_EQ(L::removingTask(QUuid::createUuid(), start).size(), start.size());

    // Unsorted input comes back sorted.
    const TaskList shuffled{start.at(4), start.at(2), start.at(0), start.at(3), start.at(1)};
    EXPECT_EQ(L::removingTasks(kHome, shuffled), L::orderedTasks(kWork, start));
}

TEST(TaskWorkspaceLogicTest, MovesFollowTheListViewAndNeverLeaveTheSection)
{
    const TaskList start{makeTask("T1", kWork, 0), makeTask("T2", kWork, 1), makeTask("C", kWork, 2, true),
                         makeTask("T3", kWork, 3), makeTask("T4", kWork, 4), makeTask("H", kHome, 0)};
    const auto moved = [&](const QSet<qsizetype>& offsets, qsizetype destination) {
        return titles(L::visibleTasks(kWork, {}, L::movingTasks(kWork, offsets, destination, start)));
    };
    EXPECT_EQ(moved({1}, 3), (QStringList{"T1", "T3", "T2", "T4"}));
    EXPECT_EQ(moved({0, 2}, 4), (QStringList{"T2", "T4", "T1", "T3"}));
    EXPECT_EQ(moved({0, 2}, 0), (QStringList{"T1", "T3", "T2", "T4"}));
    // Offsets outside the open list are dropped and the destination clamped.
    EXPECT_EQ(moved({-1, 1, 4, 99}, 1000), (QStringList{"T1", "T3", "T4", "T2"}));
    EXPECT_EQ(moved({0}, -5), (QStringList{"T1", "T2", "T3", "T4"}));
    EXPECT_EQ(moved({std::numeric_limits<qsizetype>::min()}, std::numeric_limits<qsizetype>::max()),
              (QStringList{"T1", "T2", "T3", "T4"}));

    const TaskList last = L::movingTasks(kWork, {3}, 0, start);
    EXPECT_EQ(titles(L::orderedTasks(kWork, last)), (QStringList{"T4", "T1", "T2", "T3", "C"}));
    EXPECT_EQ(sortOrders(L::orderedTasks(kWork, last)), (QList<qint64>{0, 1, 2, 3, 4})) << "completed go last";
    EXPECT_EQ(taskTitled(last, "H").sortOrder, 0);
    EXPECT_EQ(L::movingTasks(QStringLiteral("section.none"), {0}, 1, start).size(), start.size());
}

TEST(TaskWorkspaceLogicTest, VisibleListsFollowSectionsAndProjections)
{
    const SectionList sections{TaskSection{kWork, "Work", TaskSection::Kind::builtIn, 1, {}},
                               TaskSection{kHome, "Home", TaskSection::Kind::builtIn, 0, {}}};
    TaskItem stale = ranked(makeTask("h2", kHome, 2), kAll, TaskPriority::high);
    stale.title = QStringLiteral("h2 renamed");
    const TaskList tasks{ranked(makeTask("w0", kWork, 0), kAll, TaskPriority::low),
                   ranked(ranked(makeTask("w1", kWork, 1), kAll, TaskPriority::high), kWork, TaskPriority::medium),
                   makeTask("wc", kWork, 2, true),
                   makeTask("h0", kHome, 0),
                   ranked(makeTask("h1", kHome, 1), kAll, TaskPriority::high),
                   stale,
                   makeTask("orphan", QStringLiteral("section.gone"), 0),
                   makeTask("orphanDone", QStringLiteral("section.gone"), 1, true)};

    // Aggregate: sections in display order (Home first), then by projected priority; orphans left out.
    const QStringList all{"h1", "w1", "h0", "h2 renamed", "w0"};
    EXPECT_EQ(titles(L::visibleTasks(kAll, sections, tasks)), all);
    EXPECT_EQ(L::visibleTasks(kAll, sections, tasks).at(3).priority, TaskPriority::low) << "result for an older title";
    EXPECT_EQ(titles(L::tasksNeedingRanking(kAll, sections, tasks)), (QStringList{"h0", "h2 renamed"}));
    // A repeated section id (hand-edited data) never shows its tasks twice.
    EXPECT_EQ(titles(L::visibleTasks(kAll, sections + sections, tasks)), all);

    // A section keeps its manual order even with a high task in it.
    EXPECT_EQ(titles(L::visibleTasks(kWork, sections, tasks)), (QStringList{"w0", "w1"}));
    EXPECT_EQ(L::visibleTasks(kWork, sections, tasks).at(1).priority, TaskPriority::medium);
}

TEST(TaskWorkspaceLogicTest, SectionDecisionsRankOnlyUnrankedTasksAndIgnoreBadIndexes)
{
    const TaskList start{makeTask("T1", kWork, 0), makeTask("T2", kWork, 1), makeTask("T3", kWork, 2),
                         makeTask("C", kWork, 3, true), makeTask("H", kHome, 0)};
    const TaskList sorted = L::applyingSortDecisions(
        {{1, TaskPriority::low, "l"}, {2, TaskPriority::high, "h"}, {3, TaskPriority::medium, "m"}}, kWork, start);
    EXPECT_EQ(titles(L::orderedTasks(kWork, sorted)), (QStringList{"T2", "T3", "T1", "C"}));
    EXPECT_EQ(sortOrders(L::orderedTasks(kWork, sorted)), (QList<qint64>{0, 1, 2, 3}));
    const TaskItem t2 = taskTitled(sorted, "T2");
    EXPECT_EQ((std::tuple{t2.priority, t2.reasonText, t2.aiReasonSourceTitle}),
              (std::tuple{TaskPriority::high, QStringLiteral("h"), std::optional<QString>("T2")}));
    EXPECT_EQ(t2.aiStatesByWorkspace.value(kWork), (TaskAIState{TaskPriority::high, "h", "T2"}));
    EXPECT_EQ(taskTitled(sorted, "H"), start.at(4));

    // Out-of-range indexes change nothing, even those that would wrap to a valid 32-bit
    // index; a repeated index: the last wins.
    const TaskSortDecisionList bad{{0, TaskPriority::high, "zero"},         {-1, TaskPriority::high, "neg"},
                                   {4, TaskPriority::high, "past"},         {kMin, TaskPriority::high, "min"},
                                   {kMax, TaskPriority::high, "max"},       {(qint64{1} << 32) + 1, TaskPriority::high, "wrap"},
                                   {3, TaskPriority::high, "first"},        {3, TaskPriority::medium, "second"}};
    const TaskList badSorted = L::applyingSortDecisions(bad, kWork, start);
    EXPECT_EQ(titles(L::orderedTasks(kWork, badSorted)), (QStringList{"T3", "T1", "T2", "C"}));
    EXPECT_EQ(taskTitled(badSorted, "T3").reasonText, QStringLiteral("second"));
    EXPECT_TRUE(taskTitled(badSorted, "T1").aiStatesByWorkspace.isEmpty());

    // A task already ranked keeps its result; a stale one is replaced.
    TaskList withResults = start;
    withResults[0] = ranked(withResults[0], kWork, TaskPriority::low, "kept");
    withResults[1] = ranked(withResults[1], kWork, TaskPriority::low, "old");
    withResults[1].aiStatesByWorkspace[kWork].sourceTitle = QStringLiteral("old title");
    const TaskList again = L::applyingSortDecisions({{1, TaskPriority::high, "new"}, {2, TaskPriority::high, "fresh"}},
                                                    kWork, withResults);
    EXPECT_EQ(taskTitled(again, "T1").reasonText, QStringLiteral("kept"));
    EXPECT_EQ(taskTitled(again, "T1").priority, TaskPriority::low);
    EXPECT_EQ(taskTitled(again, "T2").aiStatesByWorkspace.value(kWork).reasonText, QStringLiteral("fresh"));

    // No decisions still rewrites the own fields to the projection and keeps the order.
    TaskList ownHigh = start;
    ownHigh[2].priority = TaskPriority::high;
    const TaskList none = L::applyingSortDecisions(TaskSortDecisionList{}, kWork, ownHigh);
    EXPECT_EQ(titles(L::orderedTasks(kWork, none)), (QStringList{"T1", "T2", "T3", "C"}));
    EXPECT_EQ(taskTitled(none, "T3").priority, TaskPriority::low);
}

TEST(TaskWorkspaceLogicTest, AggregateDecisionsOnlyStoreResults)
{
    const SectionList sections = TaskSection::builtInDefaults();
    TaskList start{makeTask("W", kWork, 0), ranked(makeTask("H", kHome, 0), kAll, TaskPriority::high),
                   makeTask("X", kHealth, 0), makeTask("done", kWork, 1, true)};
    start[0].reasonText = QStringLiteral("own reason");
    // Ranked list: H (high), then W, X (low, section order). Only W and X may take a result.
    const TaskSortDecisionList decisions{{1, TaskPriority::low, "not allowed"}, {2, TaskPriority::low, "w first"},
                                         {3, TaskPriority::high, "x"},          {9, TaskPriority::high, "out"},
                                         {kMin, TaskPriority::high, "min"},     {2, TaskPriority::medium, "w"}};
    const TaskList result = L::applyingSortDecisions(decisions, start, sections);
    EXPECT_EQ(sortOrders(result), sortOrders(L::replacingSectionTasks({}, "none", start)));
    EXPECT_EQ(taskTitled(result, "H").aiStatesByWorkspace.value(kAll).reasonText, QStringLiteral("because"));
    EXPECT_EQ(taskTitled(result, "W").aiStatesByWorkspace.value(kAll), (TaskAIState{TaskPriority::medium, "w", "W"}));
    EXPECT_EQ(taskTitled(result, "W").reasonText, QStringLiteral("own reason")) << "own fields are not touched";
    EXPECT_EQ(titles(L::visibleTasks(kAll, sections, result)), (QStringList{"H", "X", "W"}));
    EXPECT_TRUE(taskTitled(result, "done").aiStatesByWorkspace.isEmpty());
}
