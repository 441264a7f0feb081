#include "Sorting/AppleFoundationTaskSortingService.h"
#include "Sorting/TaskSortResponse.h"
#include "Support/EventLoopWait.h"
#include "Support/FakeLanguageModel.h"
#include "Support/LogCapture.h"
#include "Support/QtTestPrinters.h"

#include <QJsonDocument>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

using Availability = LanguageModel::Availability;
using Kind = LanguageModel::GenerationError::Kind;
using Items = QList<std::tuple<qint64, QString, QString>>;

TaskList tasksTitled(const QStringList& titles)
{
    TaskList tasks;
    for (const QString& title : titles) {
        tasks.append(TaskItem());
        tasks.last().id = QUuid::createUuid();
        tasks.last().title = title;
    }
    return tasks;
}

TaskSortContext context()
{
    return {"section.personal", "Personal", "Look after yourself.", false, std::nullopt, std::nullopt, {}, {}, {}};
}

// Runs one sort to its single answer, which never arrives synchronously.
TaskSortResult runSort(TaskSortingService& service, const TaskList& tasks)
{
    QObject receiver;
    std::optional<TaskSortResult> result;
    int answers = 0;
    service.sortTasks(tasks, context(), &receiver, [&](const TaskSortResult& answer) {
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

} // namespace

TEST(AppleFoundationTaskSortingService, StopsBeforeAnyPromptWhenNothingCanBeSorted)
{
    FakeLanguageModel model;
    AppleFoundationTaskSortingService service(&model);
    EXPECT_EQ(message(runSort(service, {})), "There are no tasks to sort.");

    const QList<std::pair<Availability, QString>> unavailable{
        {Availability::notEnabled, "Start a language model server on this computer to use AI Sort."},
        {Availability::deviceNotEligible, "AI Sort requires a language model running on this computer."},
        {Availability::modelNotReady, "The on-device model isn't ready yet. Try again in a moment."},
        {Availability::other, "AI Sort is unavailable because the on-device model can't be used right now."},
        {Availability::noChatModel, "The model server lists no chat model. Load one to use AI Sort."},
        {Availability::modelNotServed, "The model server does not serve the model set in QUAVERLOOM_MODEL."},
    };
    for (const auto& [availability, text] : unavailable) {
        model.setAvailability(availability);
        EXPECT_EQ(message(runSort(service, tasksTitled({"Pay rent"}))), text);
    }
    EXPECT_EQ(model.sessionsMade, 0);

    AppleFoundationTaskSortingService orphan(nullptr);
    EXPECT_EQ(message(runSort(orphan, tasksTitled({"A"}))),
              "AI Sort is unavailable because the on-device model can't be used right now.");
}

TEST(AppleFoundationTaskSortingService, AnswerBecomesDecisionsInModelOrder)
{
    FakeLanguageModel model;
    AppleFoundationTaskSortingService service(&model);
    const TaskList tasks = tasksTitled({"Pay rent", "Play game", "Water plants"});
    model.scriptedResponses = {FakeLanguageModel::sortAnswer(
        {{3, "low", "important task"}, {1, "high", "Just for fun"}, {2, "low", "  Fun evening  "}})};

    EXPECT_EQ(runSort(service, tasks),
              TaskSortResult(TaskSortDecisionList{{3, TaskPriority::low, "Lower urgency than current priorities"},
                                                  {1, TaskPriority::high, "Financial deadline has consequences"},
                                                  {2, TaskPriority::low, "Fun evening"}}));
    ASSERT_EQ(model.requests.size(), 1);
    const FakeLanguageModel::Request& request = model.requests.first();
    EXPECT_EQ(request.instructions, TaskSortPrompts::instructions());
    EXPECT_EQ(request.prompt, TaskSortPrompts::fullPlan(tasks, context()).prompt);
    EXPECT_EQ(request.options.temperature, std::optional<double>(0.0));
    EXPECT_TRUE(request.includeSchemaInPrompt);

    // Indexes outside 1...n keep the model's why, never used to look up a title.
    TaskSortResponse outOfRange;
    outOfRange.items = {{0, GeneratedTaskPriority::medium, " soon "},
                        {2, GeneratedTaskPriority::medium, "soon"},
                        {4, GeneratedTaskPriority::high, "Just for fun"}};
    EXPECT_EQ(AppleFoundationTaskSortingService::decisions(outOfRange, tasks),
              (TaskSortDecisionList{{0, TaskPriority::medium, " soon "},
                                    {2, TaskPriority::medium, "Lower urgency than current priorities"},
                                    {4, TaskPriority::high, "Just for fun"}}));
}

TEST(AppleFoundationTaskSortingService, AnAnswerMustNameEveryTaskExactlyOnce)
{
    const auto answerWith = [](const QList<qint64>& indexes) {
        Items items;
        for (const qint64 index : indexes)
            items.append({index, "low", "Lower urgency than current priorities"});
        return FakeLanguageModel::sortAnswer(items);
    };
    const auto numbered = [](qsizetype count) {
        QStringList titles;
        for (qsizetype i = 1; i <= count; ++i)
            titles << QStringLiteral("Task %1").arg(i);
        return titles;
    };
    QList<qint64> lastRepeated;
    for (int i = 1; i <= 63; ++i)
        lastRepeated << i;
    lastRepeated << 63;
    // Every task once, then the first again: one item past the schema's 64.
    QList<qint64> firstAgain;
    for (int i = 1; i <= 64; ++i)
        firstAgain << i;
    firstAgain << 1;

    // Some task is left out, mostly behind as many items as tasks: each plan is refused in turn.
    const QList<std::pair<qsizetype, QList<qint64>>> incomplete{
        {5, {1, 1, 2, 3, 4}}, {5, {1, 2, 3, 4, 6}}, {5, {0, 2, 3, 4, 5}}, {5, {-1, 2, 3, 4, 5}},
        {5, {5, 4, 3, 2, 2}}, {5, {1, 2, 3, 4}},    {5, {1, 2, 3, 4, 5, 5}}, {3, {0, 2, 4}},
        {64, QList<qint64>(64, 1)}, {64, lastRepeated}, {64, firstAgain}, {5, {1, 2, 3, 4, 5, 1}},
    };
    for (const auto& [taskCount, indexes] : incomplete) {
        FakeLanguageModel model;
        AppleFoundationTaskSortingService service(&model);
        model.scriptedResponses = {answerWith(indexes), answerWith(indexes)};
        EXPECT_EQ(message(runSort(service, tasksTitled(numbered(taskCount)))),
                  "AI Sort couldn't classify the full list. Try again.")
            << QDebug::toString(indexes).toStdString();
        EXPECT_EQ(model.requests.size(), 2);
    }

    // Any order will do, and a refused full plan is cured by a complete compact answer.
    FakeLanguageModel model;
    AppleFoundationTaskSortingService service(&model);
    const TaskList tasks = tasksTitled({"Pay rent", "Call mom", "Water plants"});
    model.scriptedResponses = {answerWith({1, 1, 2}), answerWith({3, 1, 2})};
    const TaskSortResult result = runSort(service, tasks);
    ASSERT_TRUE(std::holds_alternative<TaskSortDecisionList>(result)) << message(result).toStdString();
    QList<qint64> answered;
    for (const TaskSortDecision& decision : std::get<TaskSortDecisionList>(result))
        answered << decision.taskIndex;
    EXPECT_EQ(answered, (QList<qint64>{3, 1, 2}));
    EXPECT_EQ(model.requests.size(), 2);
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
    EXPECT_EQ(model.requests[1].prompt, TaskSortPrompts::compactPlan(tasks, context()).prompt);
    EXPECT_EQ(model.sessionsMade, 2) << "a fresh session per plan";

    // Content that does not fit the schema (an unknown priority, a fractional index) on both plans.
    const auto item = [](const QJsonValue& index, const char* priority) {
        return QJsonObject{{"items", QJsonArray{QJsonObject{{"taskIndex", index}, {"priority", priority}, {"why", "x"}}}}};
    };
    model.requests.clear();
    model.scriptedResponses = {item(1, "urgent"), item(1.5, "high")};
    EXPECT_EQ(message(runSort(service, tasksTitled({"Pay rent"}))),
              "The on-device model returned a result the app couldn't understand.");
    EXPECT_EQ(model.requests.size(), 2);

    // More than 64 tasks can never be covered (an answer holds at most 64 items): nothing is asked.
    QStringList many;
    for (int i = 1; i <= 65; ++i)
        many << QStringLiteral("Task %1").arg(i);
    model.requests.clear();
    EXPECT_EQ(message(runSort(service, tasksTitled(many))),
              "AI Sort ranks up to 64 tasks at a time. Choose a section with fewer open tasks.");
    EXPECT_TRUE(model.requests.isEmpty());
    Items items;
    for (int i = 1; i <= 64; ++i)
        items.append({i, "low", "Lower urgency than current priorities"});
    model.scriptedResponses = {FakeLanguageModel::sortAnswer(items)};
    EXPECT_EQ(message(runSort(service, tasksTitled(many.mid(0, 64)))), "<decisions>");
}

TEST(TaskSortResponse, TheSchemaAsksForAtMostSixtyFourItemsAndEveryItemIsRead)
{
    const QJsonObject schema = QJsonDocument::fromJson(TaskSortResponse::generationSchema().json).object();
    EXPECT_EQ(schema["properties"]["items"]["maxItems"].toInteger(-1), 64);
    EXPECT_EQ(TaskSortResponse::maximumItemCount, 64);

    // A server that ignores the guide is judged on all it said, not on a cut of it.
    Items items;
    for (int i = 1; i <= 65; ++i)
        items.append({i, "low", "Lower urgency than current priorities"});
    const auto decoded = TaskSortResponse::fromGeneratedContent(FakeLanguageModel::sortAnswer(items));
    ASSERT_TRUE(std::holds_alternative<TaskSortResponse>(decoded));
    const QList<TaskSortItem>& kept = std::get<TaskSortResponse>(decoded).items;
    ASSERT_EQ(kept.size(), 65);
    EXPECT_EQ(kept.last().taskIndex, 65);
}

TEST(AppleFoundationTaskSortingService, ARefusedAnswerLogsWhichTaskNumbersWentWrong)
{
    const auto answerWith = [](const QList<qint64>& indexes) {
        Items items;
        for (const qint64 index : indexes)
            items.append({index, "low", "Lower urgency than current priorities"});
        return FakeLanguageModel::sortAnswer(items);
    };
    const auto upTo = [](qint64 last) {
        QList<qint64> indexes;
        for (qint64 i = 1; i <= last; ++i)
            indexes << i;
        return indexes;
    };
    const auto titled = [](qsizetype count) {
        QStringList titles;
        for (qsizetype i = 1; i <= count; ++i)
            titles << QStringLiteral("Secret errand %1").arg(i);
        return tasksTitled(titles);
    };
    const QString prefix = "QuaverLoom.AppleFoundationTaskSortingService: The model's answer to the ";
    const auto line = [&](const char* plan, qsizetype tasks, qsizetype items, const QString& what) {
        return prefix + plan + QStringLiteral(" prompt does not name each of the %1 tasks once (%2 items): ").arg(tasks).arg(items)
            + what;
    };

    const QList<std::tuple<qsizetype, QList<qint64>, QList<qint64>, QStringList>> cases{
        {5, {1, 1, 2, 3, 4}, {1, 2, 3, 4, 5, 5},
         {line("full", 5, 5, "missing 5; repeated 1"), line("compact", 5, 6, "repeated 5")}},
        {64, upTo(64) << 1, upTo(64) << 64 << 64,
         {line("full", 64, 65, "repeated 1"), line("compact", 64, 66, "repeated 64")}},
        {5, {0, 2, 3, 4, 9}, {2, 3, 4, 5},
         {line("full", 5, 5, "missing 1, 5; outside 1\u20265: 0, 9"), line("compact", 5, 4, "missing 1")}},
        // A long list of numbers stays short.
        {64, {1}, QList<qint64>(64, 7),
         {line("full", 64, 1, "missing 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 and 53 more"),
          line("compact", 64, 64, "missing 1, 2, 3, 4, 5, 6, 8, 9, 10, 11 and 53 more; repeated 7")}},
    };
    for (const auto& [taskCount, first, second, expected] : cases) {
        FakeLanguageModel model;
        AppleFoundationTaskSortingService service(&model);
        model.scriptedResponses = {answerWith(first), answerWith(second)};
        LogCapture log;
        EXPECT_EQ(message(runSort(service, titled(taskCount))), "AI Sort couldn't classify the full list. Try again.");
        EXPECT_EQ(log.lines(), expected);
        EXPECT_FALSE(log.lines().join(' ').contains("errand")) << "titles stay out of the log";
    }

    // A complete answer, also after a refused one, adds nothing more.
    FakeLanguageModel model;
    AppleFoundationTaskSortingService service(&model);
    model.scriptedResponses = {answerWith({3, 1, 2})};
    LogCapture log;
    EXPECT_EQ(message(runSort(service, titled(3))), "<decisions>");
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
}

TEST(AppleFoundationTaskSortingService, ModelErrorsMapToTheirMessages)
{
    const QList<std::tuple<Kind, const char*, bool>> cases{
        {Kind::exceededContextWindowSize, "The task list is too large to sort in a single request.", true},
        {Kind::assetsUnavailable, "The on-device model isn't ready yet. Try again in a moment.", false},
        {Kind::guardrailViolation, "AI Sort couldn't process that request because of model safety guardrails.", true},
        {Kind::unsupportedGuide, "AI Sort couldn't prepare a supported structured response.", true},
        {Kind::unsupportedLanguageOrLocale, "AI Sort isn't available for the current language or locale.", true},
        {Kind::decodingFailure, "The on-device model returned a result the app couldn't understand.", true},
        {Kind::rateLimited, "AI Sort is temporarily busy. Try again in a moment.", true},
        {Kind::concurrentRequests, "AI Sort is already running. Try again in a moment.", true},
        {Kind::refusal, "AI Sort couldn't classify those tasks with the on-device model.", true},
        {Kind::other, "AI Sort is unavailable because the on-device model can't be used right now.", false},
    };
    for (const auto& [kind, text, retried] : cases) {
        FakeLanguageModel model;
        AppleFoundationTaskSortingService service(&model);
        model.scriptedResponses = {FakeLanguageModel::failure(kind), FakeLanguageModel::failure(kind)};
        EXPECT_EQ(message(runSort(service, tasksTitled({"Pay rent"}))), text);
        EXPECT_EQ(model.requests.size(), retried ? 2 : 1) << text;
    }

    // A retryable failure of the full plan is cured by the compact one.
    FakeLanguageModel model;
    AppleFoundationTaskSortingService service(&model);
    model.scriptedResponses = {FakeLanguageModel::failure(Kind::rateLimited),
                               FakeLanguageModel::sortAnswer({{1, "high", "Rent is due"}})};
    EXPECT_EQ(message(runSort(service, tasksTitled({"Pay rent"}))), "<decisions>");

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
    const auto sortFor = [&](QObject* receiver, const TaskList& tasks) {
        service.sortTasks(tasks, context(), receiver, [&](const TaskSortResult&) { ++answers; });
    };
    auto receiver = std::make_unique<QObject>();
    sortFor(receiver.get(), tasksTitled({"Pay rent"}));
    ASSERT_TRUE(waitUntil([&] { return model.isHolding(); }));
    receiver.reset();
    model.respondToHeld(FakeLanguageModel::sortAnswer({{1, "high", "Rent is due"}}));

    // Gone before the availability is known (no session is made), or before an immediate answer.
    for (const TaskList& tasks : {tasksTitled({"Pay rent"}), TaskList{}}) {
        receiver = std::make_unique<QObject>();
        sortFor(receiver.get(), tasks);
        receiver.reset();
    }
    runEventLoopFor(30);
    EXPECT_EQ(answers, 0);
    EXPECT_EQ(model.sessionsMade, 1);
}
