#include "BenchFakes.h"
#include "BenchWorkspaces.h"
#include "Model/TaskWorkspaceWriter.h"
#include "Model/UserDefaultsTaskStore.h"
#include "Platform/UserDefaults.h"
#include "Workspace/NotchTaskViewModel.h"
#include "Workspace/TaskWorkspaceLogic.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

// Per-operation cost of the task workspace at realistic and large sizes.
// Saving is excluded: the store does nothing.
namespace {

const QString kWork = QStringLiteral("section.work");
const QString kAll = QStringLiteral("workspace.all");

struct Fixture {
    explicit Fixture(qsizetype count) : store(workspaceOf(count)) { reset(); }
    void reset() { viewModel = std::make_unique<NotchTaskViewModel>(store, sorter, SystemClock::shared()); }
    QList<QUuid> openIDs() const
    {
        QList<QUuid> ids;
        for (const TaskItem& task : viewModel->allTasks()) {
            if (!task.isCompleted)
                ids.append(task.id);
        }
        return ids;
    }

    NoOpTaskStore store;
    SilentSortingService sorter;
    std::unique_ptr<NotchTaskViewModel> viewModel;
};

void BM_AddTask(benchmark::State& state)
{
    Fixture fixture(state.range(0));
    for (auto _ : state) {
        fixture.viewModel->setDraftTask(QStringLiteral("A freshly typed task"));
        fixture.viewModel->submitDraftTask();
        state.PauseTiming();
        fixture.viewModel->deleteTask(fixture.viewModel->tasks().last().id);
        state.ResumeTiming();
    }
}

void BM_CompleteTask(benchmark::State& state)
{
    Fixture fixture(state.range(0));
    QList<QUuid> ids = fixture.openIDs();
    for (auto _ : state) {
        if (ids.isEmpty()) {
            state.PauseTiming();
            fixture.reset();
            ids = fixture.openIDs();
            state.ResumeTiming();
        }
        fixture.viewModel->completeTask(ids.takeLast());
    }
}

void BM_MoveTask(benchmark::State& state)
{
    Fixture fixture(state.range(0));
    for (auto _ : state)
        fixture.viewModel->moveTasks({0}, 5);
}

// A multi-row drag: every other row of the selected section at once.
void BM_MoveManyTasks(benchmark::State& state)
{
    Fixture fixture(state.range(0));
    QSet<qsizetype> offsets;
    for (qsizetype i = 0; i < fixture.viewModel->tasks().size(); i += 2)
        offsets.insert(i);
    for (auto _ : state)
        fixture.viewModel->moveTasks(offsets, 0);
}

void BM_DeleteTask(benchmark::State& state)
{
    Fixture fixture(state.range(0));
    QList<QUuid> ids = fixture.openIDs();
    for (auto _ : state) {
        if (ids.size() < state.range(0) / 2) {
            state.PauseTiming();
            fixture.reset();
            ids = fixture.openIDs();
            state.ResumeTiming();
        }
        fixture.viewModel->deleteTask(ids.takeLast());
    }
}

void BM_VisibleTasksSection(benchmark::State& state)
{
    Fixture fixture(state.range(0));
    const NotchTaskViewModel& vm = *fixture.viewModel;
    for (auto _ : state)
        benchmark::DoNotOptimize(TaskWorkspaceLogic::visibleTasks(kWork, vm.sections(), vm.allTasks()));
}

void BM_VisibleTasksAll(benchmark::State& state)
{
    Fixture fixture(state.range(0));
    const NotchTaskViewModel& vm = *fixture.viewModel;
    for (auto _ : state)
        benchmark::DoNotOptimize(TaskWorkspaceLogic::visibleTasks(kAll, vm.sections(), vm.allTasks()));
}

TaskSortDecisionList fiftyDecisions()
{
    TaskSortDecisionList decisions;
    for (qint64 i = 1; i <= 50; ++i)
        decisions.append({i, TaskPriorities::allCases[static_cast<size_t>(i % 3)], QStringLiteral("Due soon")});
    return decisions;
}

void BM_Apply50DecisionsSection(benchmark::State& state)
{
    Fixture fixture(state.range(0));
    const NotchTaskViewModel& vm = *fixture.viewModel;
    const TaskSortDecisionList decisions = fiftyDecisions();
    for (auto _ : state)
        benchmark::DoNotOptimize(TaskWorkspaceLogic::applyingSortDecisions(decisions, kWork, vm.allTasks()));
}

void BM_Apply50DecisionsAll(benchmark::State& state)
{
    Fixture fixture(state.range(0));
    const NotchTaskViewModel& vm = *fixture.viewModel;
    const TaskSortDecisionList decisions = fiftyDecisions();
    for (auto _ : state)
        benchmark::DoNotOptimize(TaskWorkspaceLogic::applyingSortDecisions(decisions, vm.allTasks(), vm.sections()));
}

// A checkbox click as the user feels it: the change and its save of a real
// record on disk, written on the GUI thread (range 1 = 0) or handed to the
// background writer (range 1 = 1). Only the GUI thread's time is measured.
void BM_CompleteTaskSaved(benchmark::State& state)
{
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path());
    UserDefaultsTaskStore store(defaults, QStringLiteral("quaver-loom.tasks"));
    store.save(workspaceOf(state.range(0)));
    SilentSortingService sorter;
    NotchTaskViewModel viewModel(store, sorter, SystemClock::shared());
    std::optional<TaskWorkspaceWriter> writer;
    if (state.range(1) != 0) {
        writer.emplace(store);
        viewModel.useWriter(*writer);
    }
    QList<QUuid> ids;
    for (const TaskItem& task : viewModel.allTasks()) {
        if (!task.isCompleted)
            ids.append(task.id);
    }
    for (auto _ : state) {
        if (ids.isEmpty())
            break;
        viewModel.completeTask(ids.takeLast());
    }
    if (writer)
        writer->flush();
}

} // namespace

BENCHMARK(BM_CompleteTaskSaved)->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddTask)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompleteTask)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveTask)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveManyTasks)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteTask)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VisibleTasksSection)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VisibleTasksAll)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Apply50DecisionsSection)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Apply50DecisionsAll)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
