#include "Workspace/AppSessionViewModel.h"
#include "App/LiveAppSupportRouter.h"
#include "BenchFakes.h"
#include "BenchWorkspaces.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Overlay/NotchHostingView.h"
#include "Overlay/NotchOverlayController.h"
#include "Overlay/NotchPanel.h"
#include "Panel/ContentView.h"
#include "Panel/NotchTaskPanel.h"
#include "Panel/SortingEffects.h"
#include "UI/TemplateStyle.h"
#include "Support/EventLoopWait.h"
#include "Support/FakePointerMonitor.h"
#include "Support/FakeScreenInfoProvider.h"
#include "Support/FakeTaskSortingService.h"
#include "Support/MemoryUserDefaults.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QImage>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

// The notch panel on the raster engine with 1,000 tasks: the first frame after
// the pointer reaches the notch, a workspace switch, one frame of the expand
// spring, and what the sorting glow costs while it runs and after it fades.
namespace {

constexpr qsizetype taskCount = 1000;

// The whole program's notch: controller, panel window and views, on fakes.
struct PanelScene {
    NoOpTaskStore store{workspaceOf(taskCount)};
    FakeTaskSortingService sorting;
    NotchTaskViewModel viewModel{store, sorting, SystemClock::shared()};
    MemoryUserDefaults defaults;
    UserDefaultsAppPreferencesStore preferencesStore{defaults, QStringLiteral("quaver-loom.preferences")};
    LiveAppSupportRouter router;
    AppSessionViewModel session{preferencesStore, router};
    FakePointerMonitor pointer;
    FakeScreenInfoProvider screens;
    std::unique_ptr<NotchOverlayController> controller;

    PanelScene()
    {
        AppPreferences preferences = session.preferences();
        preferences.hasCompletedOnboarding = true;
        session.setPreferences(preferences);
        controller = std::make_unique<NotchOverlayController>(
            NotchTemplateConfiguration::defaults(), viewModel, ContentView::factory(viewModel, session, {}),
            NotchOverlayController::Environment{pointer, screens, TemplateStyle::textWidthFunction(), false});
        controller->positionPanel();
        controller->panel().orderFront();
        controller->installEventMonitors();
        pointer.moveTo({960, 600});
        settle();
    }

    ContentView& content() { return static_cast<ContentView&>(controller->rootView()); }
    void settle()
    {
        waitUntil([this] { return !content().isAnimating(); }, 3000);
        QCoreApplication::processEvents();
    }
    // Paints the panel window as the screen would, into an image.
    void paintFrame(QImage& image) { controller->hostingView().render(&image); }
};

QImage frameImage(PanelScene& scene)
{
    QImage image(scene.controller->hostingView().size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void BM_ExpandFirstFramePaintedAfterPointerEvent(benchmark::State& state)
{
    PanelScene scene;
    QImage image = frameImage(scene);
    const Rect trigger = scene.controller->metrics().triggerRect;
    const QPointF inside(trigger.midX(), trigger.midY());
    for (auto _ : state) {
        scene.pointer.moveTo(inside);
        // The view applies the change on the next turn of the event loop, then paints.
        QCoreApplication::processEvents();
        scene.paintFrame(image);
        state.PauseTiming();
        if (!scene.viewModel.isExpanded())
            state.SkipWithError("the pointer event did not expand the panel");
        scene.pointer.moveTo({960, 600});
        QCoreApplication::processEvents();
        scene.settle();
        state.ResumeTiming();
    }
}

void BM_WorkspaceSwitchAppliedToThePanel(benchmark::State& state)
{
    PanelScene scene;
    scene.viewModel.setExpanded(true);
    scene.content().syncNow();
    scene.settle();
    const QStringList ids{QStringLiteral("section.work"), QStringLiteral("section.home"),
                          QStringLiteral("workspace.all"), QStringLiteral("section.personal")};
    qsizetype next = 0;
    for (auto _ : state) {
        scene.viewModel.selectWorkspace(ids.at(next++ % ids.size()));
        scene.content().syncNow();
    }
}

void BM_ExpandSpringFrameWithListVisible(benchmark::State& state)
{
    PanelScene scene;
    QImage image = frameImage(scene);
    scene.viewModel.setExpanded(true);
    scene.content().syncNow();
    // A frame part-way through the spring, where the list shows.
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 120)
        QCoreApplication::processEvents();
    for (auto _ : state)
        scene.paintFrame(image);
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Share of one core the process uses while the event loop runs for `ms`.
double coreShareFor(int ms)
{
    const double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // A blocking loop, so the measurement itself costs nothing while idle.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return (cpuSeconds() - cpu) / (double(wall.elapsed()) / 1000.0);
}

void BM_SortingGlowCoreShare(benchmark::State& state)
{
    PanelScene scene;
    scene.viewModel.setExpanded(true);
    scene.viewModel.selectWorkspace(QStringLiteral("section.work"));
    scene.content().syncNow();
    scene.settle();
    const double idleBefore = coreShareFor(500);
    double sorting = 0, after = 0;
    bool tickingAfter = true;
    for (auto _ : state) {
        scene.viewModel.sortTasksWithAI();
        QCoreApplication::processEvents();
        runEventLoopFor(500); // fade in
        sorting = coreShareFor(2000);
        scene.sorting.respond(TaskSortingError::modelNotReady());
        runEventLoopFor(800); // fade out
        after = coreShareFor(1000);
        tickingAfter = scene.content().glow()->isTicking() || scene.content().glow()->isVisible();
    }
    state.counters["idle_before_%"] = idleBefore * 100;
    state.counters["while_sorting_%"] = sorting * 100;
    state.counters["after_fade_%"] = after * 100;
    state.counters["glow_ticking_after"] = tickingAfter ? 1 : 0;
}

} // namespace

BENCHMARK(BM_ExpandFirstFramePaintedAfterPointerEvent)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_WorkspaceSwitchAppliedToThePanel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpandSpringFrameWithListVisible)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortingGlowCoreShare)->Unit(benchmark::kMillisecond)->Iterations(1);
