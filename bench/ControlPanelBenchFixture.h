#pragma once

#include "Platform/SystemSettingsRouting.h"
#include "BenchFakes.h"
#include "Model/AppPreferencesStore.h"
#include "Model/TaskWorkspaceState.h"

// Services for benchmarking the control panel over a large stored history.
namespace ControlPanelBench {
// The shared no-op services under the names these benchmarks use.
using FixedTaskStore = NoOpTaskStore;
using IdleSortingService = SilentSortingService;

class OnboardedPreferencesStore final : public AppPreferencesStore {
public:
    AppPreferences load() override
    {
        AppPreferences preferences;
        preferences.hasCompletedOnboarding = true;
        return preferences;
    }
    void save(const AppPreferences&) override {}
};

class NoSettings final : public SystemSettingsRouting {
public:
    void openAppleIntelligenceSettings() override {}
};

// 10,000 completions spread evenly over the two years before `now`, over the built-in sections.
inline TaskWorkspaceState twoYearsOfHistory(Date now)
{
    constexpr int count = 10000;
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    for (int i = 0; i < count; ++i) {
        TaskItem task;
        task.id = QUuid::createUuid();
        task.title = QStringLiteral("Completed task number %1").arg(i);
        task.sectionID = state.sections.at(i % state.sections.size()).id;
        task.completedAt = now.addingSeconds(-2 * 365 * 86400.0 * i / count);
        task.createdAt = task.completedAt->addingSeconds(-3600);
        task.isCompleted = true;
        task.sortOrder = i / state.sections.size();
        state.tasks.append(task);
    }
    return state;
}
} // namespace ControlPanelBench
