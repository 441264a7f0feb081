#include "App/AppSessionViewModel.h"
#include "App/InfoDictionary.h"
#include "App/LiveAppSupportRouter.h"
#include "App/SystemSettingsRouting.h"
#include "ControlPanel/ControlPanelViewModel.h"
#include "Model/AppPreferencesStore.h"
#include "Model/TaskStore.h"
#include "Platform/LocalCalendar.h"
#include "Sorting/TaskSortingService.h"
#include "Workspace/NotchTaskViewModel.h"

#include <benchmark/benchmark.h>
#include <memory>

// The history and chart of the control panel over two years of completed tasks.
namespace {
class FixedTaskStore final : public TaskStore {
public:
    explicit FixedTaskStore(TaskWorkspaceState state) : m_state(std::move(state)) {}
    TaskWorkspaceState load() override { return m_state; }
    void save(const TaskWorkspaceState&) override {}

private:
    TaskWorkspaceState m_state;
};

class IdleSortingService final : public TaskSortingService {
public:
    void sortTasks(const TaskList&, const TaskSortContext&, QObject*, Completion) override {}
};

class DefaultPreferencesStore final : public AppPreferencesStore {
public:
    AppPreferences load() override { return {}; }
    void save(const AppPreferences&) override {}
};

class NoSettings final : public SystemSettingsRouting {
public:
    void openAppleIntelligenceSettings() override {}
};

class FixedClock final : public Clock {
public:
    Date now() const override { return Date{818000000}; } // early December 2026
};

constexpr qsizetype kCompletedTasks = 10000;
constexpr double kTwoYears = 2 * 365 * 86400.0;

// Completions spread evenly over the last two years, over the four built-in sections.
TaskWorkspaceState twoYearsOfHistory(Date now)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    for (qsizetype i = 0; i < kCompletedTasks; ++i) {
        TaskItem task;
        task.id = QUuid::createUuid();
        task.title = QStringLiteral("Completed task number %1").arg(i);
        task.sectionID = state.sections.at(i % state.sections.size()).id;
        const Date completed = now.addingSeconds(-kTwoYears * static_cast<double>(i) / kCompletedTasks);
        task.createdAt = completed.addingSeconds(-3600);
        task.completedAt = completed;
        task.isCompleted = true;
        task.sortOrder = i / state.sections.size();
        state.tasks.append(task);
    }
    return state;
}

struct ControlPanelFixture {
    FixedClock clock;
    FixedTaskStore store{twoYearsOfHistory(clock.now())};
    IdleSortingService sorting;
    DefaultPreferencesStore preferencesStore;
    LiveAppSupportRouter appSupportRouter;
    NoSettings router;
    InfoDictionary info;
    LocalCalendar calendar{QStringLiteral("America/New_York"), QStringLiteral("en_US")};
    NotchTaskViewModel taskViewModel{store, sorting, clock};
    AppSessionViewModel session{preferencesStore, appSupportRouter};
    ControlPanelViewModel viewModel{taskViewModel, session,
                                    ControlPanelViewModel::Environment{clock, calendar, router, info}};
};

void BM_ControlPanelHistoryAndChart(benchmark::State& state)
{
    ControlPanelFixture fixture;
    for (auto _ : state) {
        auto sections = fixture.viewModel.completedSections();
        auto points = fixture.viewModel.chartPoints(ControlPanelViewModel::CompletionChartRange::ninetyDays);
        benchmark::DoNotOptimize(sections);
        benchmark::DoNotOptimize(points);
    }
}
BENCHMARK(BM_ControlPanelHistoryAndChart)->Unit(benchmark::kMillisecond);

void BM_ControlPanelHistoryOnly(benchmark::State& state)
{
    ControlPanelFixture fixture;
    for (auto _ : state)
        benchmark::DoNotOptimize(fixture.viewModel.completedSections());
}
BENCHMARK(BM_ControlPanelHistoryOnly)->Unit(benchmark::kMillisecond);
} // namespace
