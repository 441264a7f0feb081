#include "Workspace/AppSessionViewModel.h"
#include "App/LiveAppSupportRouter.h"
#include "BenchFakes.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Overlay/NotchOverlayMetrics.h"
#include "Panel/ContentView.h"
#include "Panel/TaskListView.h"
#include "UI/TemplateStyle.h"
#include "Platform/UserDefaults.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QMap>
#include <benchmark/benchmark.h>

// The notch panel's task list with 1,000 tasks: how long one changed row takes
// to reach the screen, and how long expanding takes to the first frame.
namespace {

const QString kWork = QStringLiteral("section.work");
const QString kAll = QStringLiteral("workspace.all");

class NoDefaults final : public UserDefaults {
public:
    std::optional<QByteArray> data(const QString&, QString*) const override { return std::nullopt; }
    bool setData(const QString&, const QByteArray&, QString*) override { return true; }
    QStringList keys() const override { return {}; }
};

// 1,000 open tasks, all in Work or spread over the four sections; every tenth
// with a current AI reason, every seventh with a reminder.
TaskWorkspaceState workspace(bool oneSection, const QString& selected)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    QMap<QString, qint64> order;
    for (int i = 0; i < 1000; ++i) {
        TaskItem task;
        task.id = QUuid::createUuid();
        task.title = QStringLiteral("Task number %1 with a realistic title").arg(i);
        task.sectionID = oneSection ? kWork : state.sections.at(i % state.sections.size()).id;
        task.createdAt = Date{700000000.0 + i};
        task.sortOrder = order[task.sectionID]++;
        if (i % 10 == 0) {
            task.priority = TaskPriority::high;
            task.reasonText = QStringLiteral("Due this week");
            task.aiReasonSourceTitle = task.title;
        }
        if (i % 7 == 0)
            task.reminder = TaskReminder{Date{800000000.0 + i}, false};
        state.tasks.append(task);
    }
    state.selectedWorkspaceID = selected;
    return state;
}

struct Panel {
    explicit Panel(bool oneSection, const QString& selected)
        : store(workspace(oneSection, selected)), viewModel(store, sorter, SystemClock::shared())
    {
        AppPreferences preferences = session.preferences();
        preferences.hasCompletedOnboarding = true;
        session.setPreferences(preferences);
        view = std::make_unique<ContentView>(viewModel, session, nullptr, [this] { return now; });
        const auto& configuration = NotchTemplateConfiguration::defaults();
        const ScreenInfo screen{{0, 0, 1920, 1080}, 0, std::nullopt, std::nullopt};
        view->setInputs({NotchOverlayMetrics::make(screen, configuration, TemplateStyle::textWidthFunction()),
                         configuration, false});
        view->resize(int(view->inputs().metrics.panelSize.width), int(view->inputs().metrics.panelSize.height));
        view->show();
    }

    void expand(bool expanded)
    {
        viewModel.setExpanded(expanded);
        view->syncNow();
        now += 10; // straight to the end of the animation
        view->syncNow();
    }

    NoOpTaskStore store;
    SilentSortingService sorter;
    NotchTaskViewModel viewModel;
    NoDefaults defaults;
    UserDefaultsAppPreferencesStore preferencesStore{defaults, QStringLiteral("quaver-loom.preferences")};
    LiveAppSupportRouter router;
    AppSessionViewModel session{preferencesStore, router};
    double now = 1000;
    std::unique_ptr<ContentView> view;
};

enum Change { Complete, Rename, Reorder };

// The list alone: the visible tasks change in one row, the list takes the new
// inputs and repaints what changed.
void BM_ListOneRowChange(benchmark::State& state)
{
    const bool all = state.range(0) == 1;
    const auto change = Change(state.range(1));
    Panel panel(!all, all ? kAll : kWork);
    panel.expand(true);
    TaskListView& list = panel.view->taskList();
    TaskListView::Inputs before = list.inputs();
    TaskListView::Inputs after = before;
    switch (change) {
    case Complete: after.tasks.removeAt(1); break;
    case Rename: after.tasks[1].title += QStringLiteral(" (edited)"); break;
    case Reorder: after.tasks.move(0, 3); break;
    }
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        list.setInputs(flip ? after : before);
        list.repaint();
    }
    state.SetLabel(QStringLiteral("%1 %2")
                       .arg(all ? "All" : "section")
                       .arg(change == Complete ? "complete" : change == Rename ? "rename" : "reorder")
                       .toStdString());
}

// The whole road: the view-model operation, the content view's sync and the repaint.
void BM_PanelReorderOneRow(benchmark::State& state)
{
    Panel panel(true, kWork);
    panel.expand(true);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        if (flip)
            panel.viewModel.moveTasks({0}, 4);
        else
            panel.viewModel.moveTasks({3}, 0);
        panel.view->syncNow();
        panel.view->taskList().repaint();
    }
}

void BM_PanelCompleteOneRow(benchmark::State& state)
{
    const bool all = state.range(0) == 1;
    auto panel = std::make_unique<Panel>(!all, all ? kAll : kWork);
    panel->expand(true);
    for (auto _ : state) {
        if (panel->viewModel.tasks().size() < 900) {
            state.PauseTiming();
            panel = std::make_unique<Panel>(!all, all ? kAll : kWork);
            panel->expand(true);
            state.ResumeTiming();
        }
        panel->viewModel.completeTask(panel->viewModel.tasks().first().id);
        panel->view->syncNow();
        panel->view->taskList().repaint();
    }
    state.SetLabel(all ? "All" : "section");
}

// Expanding a panel whose list is already built: layout to the expanded frame and the first paint.
void BM_ExpandToFirstFrame(benchmark::State& state)
{
    const bool all = state.range(0) == 1;
    Panel panel(!all, all ? kAll : kWork);
    for (auto _ : state) {
        panel.expand(true);
        panel.view->repaint();
        state.PauseTiming();
        panel.expand(false);
        panel.view->repaint();
        state.ResumeTiming();
    }
    state.SetLabel(all ? "All" : "section");
}

// A new panel on a stored workspace of 1,000 tasks: building the list, expanding and the first paint.
void BM_BuildExpandAndFirstFrame(benchmark::State& state)
{
    const bool all = state.range(0) == 1;
    for (auto _ : state) {
        Panel panel(!all, all ? kAll : kWork);
        panel.expand(true);
        panel.view->repaint();
        state.PauseTiming();
        panel.view.reset();
        state.ResumeTiming();
    }
    state.SetLabel(all ? "All" : "section");
}

} // namespace

BENCHMARK(BM_ListOneRowChange)
    ->ArgsProduct({{0, 1}, {Complete, Rename, Reorder}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PanelReorderOneRow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PanelCompleteOneRow)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExpandToFirstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildExpandAndFirstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Iterations(20);
