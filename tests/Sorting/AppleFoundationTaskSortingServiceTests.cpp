#include "Sorting/AppleFoundationTaskSortingService.h"
#include "Sorting/TaskSortResponse.h"
#include "Support/EventLoopWait.h"
#include "Support/FakeLanguageModel.h"
#include "Support/QtTestPrinters.h"

#include <QUuid>
#include <gtest/gtest.h>

namespace {

using Availability = LanguageModel::Availability;
using Kind = LanguageModel::GenerationError::Kind;

TaskList tasksTitled(const QStringList& titles)
{
    TaskList tasks;
    for (const QString& title : titles) {
        TaskItem task;
        task.id = QUuid::createUuid();
        task.title = title;
        task.sectionID = QStringLiteral("section.personal");
        tasks.append(task);
    }
    return tasks;
}

TaskSortContext personalContext()
{
    TaskSortContext context;
    context.workspaceID = QStringLiteral("section.personal");
    context.workspaceTitle = QStringLiteral("Personal");
    context.workspacePurpose = QStringLiteral("Look after yourself.");
    context.sectionTitlesByID = {{"section.personal", "Personal"}};
    context.sectionPurposesByID = {{"section.personal", "Look after yourself."}};
    return context;
}

// Runs one sort to its single answer; the answer never arrives synchronously.
TaskSortResult runSort(AppleFoundationTaskSortingService& service, const TaskList& tasks,
                       const TaskSortContext& context = personalContext())
{
    QObject receiver;
    std::optional<TaskSortResult> result;
    int answers = 0;
    service.sortTasks(tasks, context, &receiver, [&](const TaskSortResult& answer) {
        result = answer;
        ++answers;
    });
    EXPECT_FALSE(result.has_value());
    EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
    runEventLoopFor(20);
    EXPECT_EQ(answers, 1);
    return result.value_or(TaskSortingError::generationFailed(QStringLiteral("no answer")));
}

QString message(const TaskSortResult& result)
{
    const auto* error = std::get_if<TaskSortingError>(&result);
    return error ? error->description() : QStringLiteral("<decisions>");
}

TaskSortDecisionList decisionsOf(const TaskSortResult& result)
{
    const auto* decisions = std::get_if<TaskSortDecisionList>(&result);
    return decisions ? *decisions : TaskSortDecisionList{};
}

} // namespace

TEST(AppleFoundationTaskSortingService, StopsBeforeAnyPromptWhenNothingCanBeSorted)
{
    FakeLanguageModel model;
    AppleFoundationTaskSortingService service(&model);

    EXPECT_EQ(message(runSort(service, {})), "There are no tasks to sort.");
    EXPECT_EQ(model.availabilityReads, 0);

    EXPECT_FALSE(AppleFoundationTaskSortingService::availabilityError(Availability::available).has_value());
    const QList<std::pair<Availability, TaskSortingError>> unavailable{
        {Availability::notEnabled, TaskSortingError::appleIntelligenceNotEnabled()},
        {Availability::deviceNotEligible, TaskSortingError::deviceNotEligible()},
        {Availability::modelNotReady, TaskSortingError::modelNotReady()},
        {Availability::other, TaskSortingError::foundationModelUnavailable()},
    };
    for (const auto& [availability, expected] : unavailable) {
        model.setAvailability(availability);
        EXPECT_EQ(AppleFoundationTaskSortingService::availabilityError(availability), expected);
        const TaskSortResult result = runSort(service, tasksTitled({"Pay rent"}));
        EXPECT_EQ(std::get<TaskSortingError>(result), expected);
    }
    model.setAvailability(Availability::notEnabled);
    EXPECT_EQ(message(runSort(service, tasksTitled({"Pay rent"}))), "Turn on the on-device model to use AI Sort.");
    EXPECT_EQ(model.sessionsMade, 0);
    EXPECT_TRUE(model.requests.isEmpty());

    AppleFoundationTaskSortingService orphan(nullptr);
    EXPECT_EQ(std::get<TaskSortingError>(runSort(orphan, tasksTitled({"A"}))),
              TaskSortingError::foundationModelUnavailable());
}

TEST(AppleFoundationTaskSortingService, AnswerBecomesDecisionsInModelOrder)
{
    FakeLanguageModel model;
    AppleFoundationTaskSortingService service(&model);
    const TaskList tasks = tasksTitled({"Pay rent", "Play game", "Water plants"});
    model.scriptedResponses = {FakeLanguageModel::sortAnswer({{3, "low", "important task"},
                                                              {1, "high", "Just for fun"},
                                                              {2, "low", "  Fun evening  "}})};

    const TaskSortDecisionList decisions = decisionsOf(runSort(service, tasks));
    const TaskSortDecisionList expected{{3, TaskPriority::low, "Lower urgency than current priorities"},
                                        {1, TaskPriority::high, "Financial deadline has consequences"},
                                        {2, TaskPriority::low, "Fun evening"}};
    EXPECT_EQ(decisions, expected);

    ASSERT_EQ(model.requests.size(), 1);
    const FakeLanguageModel::Request& request = model.requests.first();
    EXPECT_EQ(request.instructions, TaskSortPrompts::instructions());
    EXPECT_EQ(request.prompt, TaskSortPrompts::fullPlan(tasks, personalContext()).prompt);
    EXPECT_EQ(request.options.temperature, std::optional<double>(0.0));
    EXPECT_FALSE(request.options.maximumResponseTokens.has_value());
    EXPECT_TRUE(request.includeSchemaInPrompt);
    EXPECT_EQ(request.schema.name, "TaskSortResponse");
    EXPECT_EQ(model.sessionsMade, 1);

    // Indexes outside 1...n are kept, and their reasons skip the policy.
    model.scriptedResponses = {FakeLanguageModel::sortAnswer({{0, "medium", " soon "},
                                                              {2, "medium", "soon"},
                                                              {4, "high", "Just for fun"}})};
    const TaskSortDecisionList outside = decisionsOf(runSort(service, tasks));
    ASSERT_EQ(outside.size(), 3);
    EXPECT_EQ(outside[0], (TaskSortDecision{0, TaskPriority::medium, " soon "}));
    EXPECT_EQ(outside[1].why, "Lower urgency than current priorities");
    EXPECT_EQ(outside[2], (TaskSortDecision{4, TaskPriority::high, "Just for fun"}));
}

TEST(AppleFoundationTaskSortingService, IncompleteOrUnreadableAnswersFallBackToTheCompactPlan)
{
    FakeLanguageModel model;
    AppleFoundationTaskSortingService service(&model);
    const TaskList tasks = tasksTitled({"Pay rent", "Call mom"});
    const QJsonValue shortAnswer = FakeLanguageModel::sortAnswer({{1, "high", "Rent is due"}});

    model.scriptedResponses = {shortAnswer, shortAnswer};
    EXPECT_EQ(message(runSort(service, tasks)), "AI Sort couldn't classify the full list. Try again.");
    ASSERT_EQ(model.requests.size(), 2);
    EXPECT_EQ(model.requests[0].prompt, TaskSortPrompts::fullPlan(tasks, personalContext()).prompt);
    EXPECT_EQ(model.requests[1].prompt, TaskSortPrompts::compactPlan(tasks, personalContext()).prompt);
    EXPECT_EQ(model.sessionsMade, 2);

    // An unknown priority is a decoding failure; the compact plan then succeeds.
    model.requests.clear();
    model.scriptedResponses = {
        FakeLanguageModel::sortAnswer({{1, "urgent", "Rent"}, {2, "high", "Family commitment matters"}}),
        FakeLanguageModel::sortAnswer({{2, "medium", "Family commitment matters"}, {1, "high", "Rent is due"}}),
    };
    const TaskSortDecisionList decisions = decisionsOf(runSort(service, tasks));
    EXPECT_EQ(decisions, (TaskSortDecisionList{{2, TaskPriority::medium, "Family commitment matters"},
                                               {1, TaskPriority::high, "Financial deadline has consequences"}}));
    EXPECT_EQ(model.requests.size(), 2);
    const auto decoded = TaskSortResponse::fromGeneratedContent(FakeLanguageModel::sortAnswer({{1, "urgent", "x"}}));
    EXPECT_EQ(std::get<LanguageModel::GenerationError>(decoded).debugDescription,
              "Unexpected value \"urgent\" for GeneratedTaskPriority");

    // Malformed content on both plans ends with the decoding message.
    model.scriptedResponses = {QJsonValue(QJsonObject{{"items", "nope"}}),
                               QJsonValue(QJsonObject{{"items", QJsonArray{QJsonObject{{"taskIndex", 1.5}}}}})};
    EXPECT_EQ(message(runSort(service, tasks)), "The on-device model returned a result the app couldn't understand.");

    // More than 64 tasks can never be covered: the answer holds at most 64 items.
    QStringList many;
    QList<std::tuple<qint64, QString, QString>> items;
    for (int i = 1; i <= 65; ++i) {
        many << QStringLiteral("Task %1").arg(i);
        items.append({i, "low", "Lower urgency than current priorities"});
    }
    model.scriptedResponses = {FakeLanguageModel::sortAnswer(items), FakeLanguageModel::sortAnswer(items)};
    EXPECT_EQ(message(runSort(service, tasksTitled(many))), "AI Sort couldn't classify the full list. Try again.");
}

TEST(AppleFoundationTaskSortingService, ModelErrorsMapToTheirMessages)
{
    struct Case {
        Kind kind;
        TaskSortingError error;
        bool retried;
    };
    const auto failed = [](const char* text) { return TaskSortingError::generationFailed(QString::fromUtf8(text)); };
    const QList<Case> cases{
        {Kind::exceededContextWindowSize, failed("The task list is too large to sort in a single request."), true},
        {Kind::assetsUnavailable, TaskSortingError::modelNotReady(), false},
        {Kind::guardrailViolation,
         failed("AI Sort couldn't process that request because of model safety guardrails."), true},
        {Kind::unsupportedGuide, failed("AI Sort couldn't prepare a supported structured response."), true},
        {Kind::unsupportedLanguageOrLocale, failed("AI Sort isn't available for the current language or locale."),
         true},
        {Kind::decodingFailure, failed("The on-device model returned a result the app couldn't understand."), true},
        {Kind::rateLimited, failed("AI Sort is temporarily busy. Try again in a moment."), true},
        {Kind::concurrentRequests, failed("AI Sort is already running. Try again in a moment."), true},
        {Kind::refusal, failed("AI Sort couldn't classify those tasks with the on-device model."), true},
        {Kind::other, TaskSortingError::foundationModelUnavailable(), false},
    };
    for (const Case& c : cases) {
        FakeLanguageModel model;
        AppleFoundationTaskSortingService service(&model);
        model.scriptedResponses = {FakeLanguageModel::failure(c.kind), FakeLanguageModel::failure(c.kind)};
        const TaskSortResult result = runSort(service, tasksTitled({"Pay rent"}));
        SCOPED_TRACE(LanguageModel::kindName(c.kind).toStdString());
        EXPECT_EQ(std::get<TaskSortingError>(result), c.error);
        EXPECT_EQ(model.requests.size(), c.retried ? 2 : 1);
    }

    // A retryable failure of the full plan is cured by the compact one.
    FakeLanguageModel model;
    AppleFoundationTaskSortingService service(&model);
    model.scriptedResponses = {FakeLanguageModel::failure(Kind::rateLimited),
                               FakeLanguageModel::sortAnswer({{1, "high", "Rent is due"}})};
    EXPECT_EQ(decisionsOf(runSort(service, tasksTitled({"Pay rent"}))).size(), 1);

    // A failure that is not the model's own ends the sort at once with its description.
    model.requests.clear();
    model.scriptedResponses = {LanguageModel::OtherError{QStringLiteral("The operation was cancelled.")}};
    EXPECT_EQ(message(runSort(service, tasksTitled({"Pay rent"}))), "The operation was cancelled.");
    EXPECT_EQ(model.requests.size(), 1);
}

TEST(AppleFoundationTaskSortingService, NoAnswerReachesAReceiverThatIsGone)
{
    FakeLanguageModel model;
    AppleFoundationTaskSortingService service(&model);
    int answers = 0;

    auto receiver = std::make_unique<QObject>();
    service.sortTasks(tasksTitled({"Pay rent"}), personalContext(), receiver.get(),
                      [&](const TaskSortResult&) { ++answers; });
    ASSERT_TRUE(waitUntil([&] { return model.isHolding(); }));
    receiver.reset();
    model.respondToHeld(FakeLanguageModel::sortAnswer({{1, "high", "Rent is due"}}));

    // Gone before the availability is known: no session is ever made.
    receiver = std::make_unique<QObject>();
    service.sortTasks(tasksTitled({"Pay rent"}), personalContext(), receiver.get(),
                      [&](const TaskSortResult&) { ++answers; });
    receiver.reset();
    runEventLoopFor(30);
    EXPECT_EQ(answers, 0);
    EXPECT_EQ(model.sessionsMade, 1);
}
