#include "Sorting/AppleFoundationTaskSortingService.h"

#include "Platform/Logger.h"
#include "Platform/Text.h"
#include "Sorting/TaskSortReasonPolicy.h"
#include "Sorting/TaskSortResponse.h"

using GenerationError = LanguageModel::GenerationError;

namespace {

const Logger& logger()
{
    static const Logger instance(QStringLiteral("AppleFoundationTaskSortingService"));
    return instance;
}

// At most ten numbers, so that a long list stays one short line.
QString numbersText(const QList<qint64>& numbers)
{
    constexpr qsizetype shown = 10;
    QStringList texts;
    for (const qint64 number : numbers.mid(0, shown))
        texts << QString::number(number);
    QString text = texts.join(QStringLiteral(", "));
    if (numbers.size() > shown)
        text += QStringLiteral(" and %1 more").arg(numbers.size() - shown);
    return text;
}

// Numbers only: the titles stay out of the log.
void logIncompleteAnswer(qsizetype planIndex, qsizetype taskCount, const TaskSortCoverage& coverage)
{
    QStringList parts;
    if (!coverage.missing.isEmpty())
        parts << QStringLiteral("missing ") + numbersText(coverage.missing);
    if (!coverage.repeated.isEmpty())
        parts << QStringLiteral("repeated ") + numbersText(coverage.repeated);
    if (!coverage.outside.isEmpty())
        parts << QStringLiteral("outside 1%1%2: ").arg(QChar(0x2026)).arg(taskCount) + numbersText(coverage.outside);
    logger().error(QStringLiteral("The model's answer to the %1 prompt does not name each of the %2 tasks once (%3 items): %4")
                       .arg(planIndex == 0 ? QStringLiteral("full") : QStringLiteral("compact"))
                       .arg(taskCount)
                       .arg(coverage.itemCount)
                       .arg(parts.join(QStringLiteral("; "))));
}

} // namespace

struct AppleFoundationTaskSortingService::Run {
    TaskList tasks;
    QList<PromptPlan> plans;
    QPointer<LanguageModel> model;
    QPointer<QObject> receiver;
    Completion completion;
};

AppleFoundationTaskSortingService::AppleFoundationTaskSortingService(LanguageModel* model) : m_model(model) {}

std::optional<TaskSortingError> AppleFoundationTaskSortingService::availabilityError(
    LanguageModel::Availability availability)
{
    switch (availability) {
    case LanguageModel::Availability::available: return std::nullopt;
    case LanguageModel::Availability::notEnabled: return TaskSortingError::appleIntelligenceNotEnabled();
    case LanguageModel::Availability::deviceNotEligible: return TaskSortingError::deviceNotEligible();
    case LanguageModel::Availability::modelNotReady: return TaskSortingError::modelNotReady();
    case LanguageModel::Availability::noChatModel:
        return TaskSortingError::generationFailed(TaskSortingError::noChatModelMessage());
    case LanguageModel::Availability::modelNotServed:
        return TaskSortingError::generationFailed(TaskSortingError::modelNotServedMessage());
    case LanguageModel::Availability::other: break;
    }
    return TaskSortingError::foundationModelUnavailable();
}

AppleFoundationTaskSortingService::MappedError AppleFoundationTaskSortingService::mappedError(
    const GenerationError& error)
{
    const auto retryable = [](const char* message) {
        return MappedError{TaskSortingError::generationFailed(QString::fromUtf8(message)), true};
    };
    switch (error.kind) {
    case GenerationError::Kind::exceededContextWindowSize:
        return retryable("The task list is too large to sort in a single request.");
    case GenerationError::Kind::assetsUnavailable:
        return {TaskSortingError::modelNotReady(), false};
    case GenerationError::Kind::guardrailViolation:
        return retryable("AI Sort couldn't process that request because of model safety guardrails.");
    case GenerationError::Kind::unsupportedGuide:
        return retryable("AI Sort couldn't prepare a supported structured response.");
    case GenerationError::Kind::unsupportedLanguageOrLocale:
        return retryable("AI Sort isn't available for the current language or locale.");
    case GenerationError::Kind::decodingFailure:
        return retryable("The on-device model returned a result the app couldn't understand.");
    case GenerationError::Kind::rateLimited:
        return retryable("AI Sort is temporarily busy. Try again in a moment.");
    case GenerationError::Kind::concurrentRequests:
        return retryable("AI Sort is already running. Try again in a moment.");
    case GenerationError::Kind::refusal:
        return retryable("AI Sort couldn't classify those tasks with the on-device model.");
    case GenerationError::Kind::other:
        break;
    }
    return {TaskSortingError::foundationModelUnavailable(), false};
}

TaskSortDecisionList AppleFoundationTaskSortingService::decisions(const TaskSortResponse& response,
                                                                  const TaskList& tasks)
{
    TaskSortDecisionList result;
    result.reserve(response.items.size());
    for (const TaskSortItem& item : response.items) {
        const TaskPriority priority = TaskSortResponse::taskPriority(item.priority);
        const bool namesTask = item.taskIndex >= 1 && item.taskIndex <= tasks.size();
        // The policy judges the reason against what the model was shown of the title.
        const QString why = namesTask
            ? TaskSortReasonPolicy::resolveWhy(
                  item.why, Text::displayPrefix(tasks.at(item.taskIndex - 1).title, TaskSortPrompts::titlePrefixLength),
                  priority)
            : item.why;
        result.append({item.taskIndex, priority, why});
    }
    return result;
}

void AppleFoundationTaskSortingService::sortTasks(const TaskList& tasks, const TaskSortContext& context,
                                                  QObject* receiver, Completion completion)
{
    if (tasks.isEmpty()) {
        deliver(receiver, std::move(completion), TaskSortingError::noSortableTasks());
        return;
    }
    // An answer holds at most this many items, so a longer list could never be covered.
    static_assert(TaskSortResponse::maximumItemCount == 64, "the message names the limit");
    if (tasks.size() > TaskSortResponse::maximumItemCount) {
        deliver(receiver, std::move(completion),
                TaskSortingError::generationFailed(TaskSortingError::tooManyTasksMessage()));
        return;
    }
    if (!m_model) {
        deliver(receiver, std::move(completion), TaskSortingError::foundationModelUnavailable());
        return;
    }
    if (!receiver || !completion)
        return;

    auto run = std::make_shared<Run>();
    run->tasks = tasks;
    run->model = m_model;
    run->receiver = receiver;
    run->completion = std::move(completion);
    // The availability is read afresh so a server started a moment ago counts.
    m_model->refreshAvailability(receiver, [run, context](LanguageModel::Availability availability) {
        if (const auto error = availabilityError(availability)) {
            finish(run, *error);
            return;
        }
        run->plans = TaskSortPrompts::plans(run->tasks, context);
        attempt(run, 0);
    });
}

void AppleFoundationTaskSortingService::attempt(const std::shared_ptr<Run>& run, qsizetype planIndex)
{
    if (!run->model) {
        finish(run, TaskSortingError::foundationModelUnavailable());
        return;
    }
    // A fresh session per attempt: nothing of an earlier answer carries over.
    std::shared_ptr<LanguageModel::Session> session = run->model->makeSession(TaskSortPrompts::instructions());
    LanguageModel::GenerationOptions options;
    options.temperature = 0.0;
    session->respond(
        run->plans.at(planIndex).prompt, TaskSortResponse::generationSchema(), true, options, run->receiver,
        [run, planIndex, session](const LanguageModel::Response& response) {
            const bool hasNextPlan = planIndex + 1 < run->plans.size();
            const auto fail = [&](const GenerationError& error) {
                const MappedError mapped = mappedError(error);
                if (mapped.triesNextPlan && hasNextPlan)
                    attempt(run, planIndex + 1);
                else
                    finish(run, mapped.error);
            };

            if (const auto* other = std::get_if<LanguageModel::OtherError>(&response)) {
                finish(run, TaskSortingError::generationFailed(other->localizedDescription));
                return;
            }
            if (const auto* error = std::get_if<GenerationError>(&response)) {
                fail(*error);
                return;
            }
            const auto decoded = TaskSortResponse::fromGeneratedContent(std::get<QJsonValue>(response));
            if (const auto* error = std::get_if<GenerationError>(&decoded)) {
                fail(*error);
                return;
            }
            // Judged on the whole answer before any of it is used.
            const TaskSortResponse& answer = std::get<TaskSortResponse>(decoded);
            const TaskSortCoverage coverage = answer.coverage(run->tasks.size());
            if (coverage.isComplete()) {
                finish(run, decisions(answer, run->tasks));
                return;
            }
            logIncompleteAnswer(planIndex, run->tasks.size(), coverage);
            if (hasNextPlan)
                attempt(run, planIndex + 1);
            else
                finish(run, TaskSortingError::generationFailed(TaskSortingError::incompleteClassificationMessage()));
        });
}

void AppleFoundationTaskSortingService::finish(const std::shared_ptr<Run>& run, const TaskSortResult& result)
{
    Completion completion = std::exchange(run->completion, nullptr);
    if (completion && run->receiver)
        completion(result);
}
