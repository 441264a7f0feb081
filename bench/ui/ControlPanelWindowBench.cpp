// Figures for the control-panel window with two years of history (10,000
// completed tasks): first show to first paint, and switching pages. Runs on
// the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "ControlPanelBenchFixture.h"

#include "Workspace/AppSessionViewModel.h"
#include "Platform/InfoDictionary.h"
#include "App/LiveAppSupportRouter.h"
#include "Platform/SystemSettingsRouting.h"
#include "ControlPanel/AppWindowCoordinator.h"
#include "ControlPanel/ControlPanelRootView.h"
#include "ControlPanel/ControlPanelWindow.h"
#include "Model/AppPreferencesStore.h"
#include "Model/TaskStore.h"
#include "Platform/ApplicationShell.h"
#include "Platform/LocalCalendar.h"
#include "Sorting/TaskSortingService.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
using namespace ControlPanelBench;

// Waits for the next paint of `widget` (or any child) and returns when it has run.
class PaintWatch final : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double waitForPaint(QWidget* watched, const std::function<void()>& action)
{
    PaintWatch watch;
    watched->installEventFilter(&watch);
    QElapsedTimer timer;
    timer.start();
    action();
    while (!watch.painted && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1.0e6;
    watched->removeEventFilter(&watch);
    return ms;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const Date now = SystemClock::shared().now();
    FixedTaskStore store(twoYearsOfHistory(now));
    IdleSortingService sorting;
    OnboardedPreferencesStore preferencesStore;
    LiveAppSupportRouter appSupportRouter;
    NoSettings router;
    InfoDictionary info;
    LocalCalendar calendar;
    NotchTaskViewModel taskViewModel(store, sorting, SystemClock::shared());
    ApplicationShell shell;

    std::vector<double> firstPaint;
    std::vector<double> toHistory;
    std::vector<double> toSettings;
    std::vector<double> toOverview;
    for (int run = 0; run < 5; ++run) {
        AppSessionViewModel session(preferencesStore, appSupportRouter);
        AppWindowCoordinator coordinator(
            NotchTemplateConfiguration::defaults(), taskViewModel, session,
            AppWindowCoordinator::Environment{
                shell, {SystemClock::shared(), calendar, router, info, nullptr, nullptr}, nullptr, true, {}});
        // First show: the window is built, filled and painted.
        QElapsedTimer timer;
        timer.start();
        session.setControlPanelPresented(true);
        ControlPanelWindow* window = coordinator.controlPanelWindow();
        PaintWatch watch;
        window->rootView()->installEventFilter(&watch);
        while (!watch.painted && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        firstPaint.push_back(static_cast<double>(timer.nsecsElapsed()) / 1.0e6);
        window->rootView()->removeEventFilter(&watch);

        ControlPanelViewModel& viewModel = coordinator.controlPanelViewModel();
        ControlPanelRootView* root = window->rootView();
        auto switchTo = [&](ControlPanelDestination destination) {
            return waitForPaint(root, [&] {
                viewModel.setSelectedDestination(destination);
                root->syncNow();
            });
        };
        toHistory.push_back(switchTo(ControlPanelDestination::completed));
        toSettings.push_back(switchTo(ControlPanelDestination::settings));
        toOverview.push_back(switchTo(ControlPanelDestination::overview));
        session.setControlPanelPresented(false);
    }
    std::printf("Control panel with 10,000 completed tasks over two years (median of 5, %s):\n",
                qPrintable(QGuiApplication::platformName()));
    std::printf("  first show to first paint: %.1f ms (goal < 250)\n", median(firstPaint));
    std::printf("  switch to History:         %.1f ms (goal < 50)\n", median(toHistory));
    std::printf("  switch to Settings:        %.1f ms (goal < 50)\n", median(toSettings));
    std::printf("  switch to Overview:        %.1f ms (goal < 50)\n", median(toOverview));
    return 0;
}
