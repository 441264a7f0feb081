#include "Sorting/TaskSortingService.h"
#include "Support/FakeTaskSortingService.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

TEST(TaskSortTypes, ErrorDescriptionsAreTheStatusTexts)
{
    EXPECT_EQ(TaskSortingError::generationFailed(QString()).description(), QString());
    EXPECT_EQ(TaskSortingError::generationFailed(QStringLiteral("boom")).description(), QStringLiteral("boom"));
    EXPECT_EQ(TaskSortingError::noSortableTasks().description(), QStringLiteral("There are no tasks to sort."));
    EXPECT_EQ(TaskSortingError::appleIntelligenceNotEnabled().description(),
              QStringLiteral("Turn on the on-device model to use AI Sort."));
    EXPECT_EQ(TaskSortingError::deviceNotEligible().description(),
              QStringLiteral("AI Sort requires a language model running on this computer."));
    EXPECT_EQ(TaskSortingError::modelNotReady().description(),
              QStringLiteral("The on-device model isn't ready yet. Try again in a moment."));
    EXPECT_EQ(TaskSortingError::foundationModelUnavailable().description(),
              QStringLiteral("AI Sort is unavailable because the on-device model can't be used right now."));
    EXPECT_STREQ(TaskSortingError::modelNotReady().what(), "The on-device model isn't ready yet. Try again in a moment.");

}

TEST(TaskSortTypes, EqualityCoversEveryField)
{
    EXPECT_NE((TaskSortDecision{1, TaskPriority::high, QStringLiteral("a")}),
              (TaskSortDecision{1, TaskPriority::high, QStringLiteral("b")}));
    EXPECT_NE(TaskSortingError::generationFailed(QStringLiteral("x")), TaskSortingError::generationFailed(QStringLiteral("y")));
    EXPECT_NE(TaskSortingError::generationFailed(QString()), TaskSortingError::noSortableTasks());

    TaskSortContext all{QStringLiteral("workspace.all"), QStringLiteral("Work"), QStringLiteral("p"), true, QString(), {}, {}, {}, {}};
    TaskSortContext section = all;
    section.isAllWorkspace = false;
    EXPECT_NE(all, section);
    section.isAllWorkspace = true;
    EXPECT_EQ(all, section);
    section.defaultCustomPrompt.reset(); // none differs from an empty prompt
    EXPECT_NE(all, section);
}

TEST(TaskSortTypes, AnswersArriveLaterAndNeverReachADestroyedReceiver)
{
    int calls = 0;
    {
        auto receiver = std::make_unique<QObject>();
        TaskSortingService::deliver(receiver.get(), [&](const TaskSortResult&) { ++calls; }, TaskSortDecisionList{});
        EXPECT_EQ(calls, 0) << "must not answer synchronously";
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, 1);

        TaskSortingService::deliver(receiver.get(), [&](const TaskSortResult&) { ++calls; }, TaskSortDecisionList{});
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);

    FakeTaskSortingService fake;
    auto receiver = std::make_unique<QObject>();
    fake.sortTasks({}, {}, receiver.get(), [&](const TaskSortResult&) { ++calls; });
    EXPECT_TRUE(fake.isHolding());
    receiver.reset();
    fake.respond(TaskSortingError::modelNotReady());
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(fake.isHolding());
}
