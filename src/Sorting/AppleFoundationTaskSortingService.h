#pragma once

#include "Sorting/LanguageModel.h"
#include "Sorting/TaskSortPrompts.h"
#include "Sorting/TaskSortingService.h"

#include <QPointer>
#include <memory>
#include <optional>

struct TaskSortResponse;

// Ranks tasks with the language model: the full prompt first, then a compact one
// when the first attempt fails in a way a retry can cure.
class AppleFoundationTaskSortingService final : public TaskSortingService {
public:
    using PromptPlan = TaskSortPrompts::PromptPlan;

    // The mapped error of a failed model request, and whether the next plan may still be tried.
    struct MappedError {
        TaskSortingError error;
        bool triesNextPlan;
    };

    explicit AppleFoundationTaskSortingService(LanguageModel* model);

    void sortTasks(const TaskList& tasks, const TaskSortContext& context, QObject* receiver,
                   Completion completion) override;

    // None when the model can be used; shared with the control panel.
    static std::optional<TaskSortingError> availabilityError(LanguageModel::Availability availability);
    static MappedError mappedError(const LanguageModel::GenerationError& error);
    // One decision per answered item, reasons passed through the reason policy.
    static TaskSortDecisionList decisions(const TaskSortResponse& response, const TaskList& tasks);

private:
    struct Run;
    static void attempt(const std::shared_ptr<Run>& run, qsizetype planIndex);
    static void finish(const std::shared_ptr<Run>& run, const TaskSortResult& result);

    QPointer<LanguageModel> m_model;
};
