#include "ControlPanelBenchFixture.h"

#include "Workspace/AppSessionViewModel.h"
#include "Platform/InfoDictionary.h"
#include "App/LiveAppSupportRouter.h"
#include "ControlPanel/ControlPanelViewModel.h"
#include "Platform/LocalCalendar.h"
#include "Workspace/NotchTaskViewModel.h"

#include <benchmark/benchmark.h>
#include <memory>

// The history and chart of the control panel over two years of completed tasks.
namespace {
using namespace ControlPanelBench;

class FixedClock final : public Clock {
public:
    Date now() const override { return Date{818000000}; } // early December 2026
};

struct ControlPanelFixture {
    FixedClock clock;
    FixedTaskStore store{twoYearsOfHistory(clock.now())};
    IdleSortingService sorting;
    OnboardedPreferencesStore preferencesStore;
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
