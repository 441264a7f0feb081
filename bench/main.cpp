#include <QApplication>
#include <algorithm>
#include <QMap>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {
// Console output plus the ratios the targets are stated in.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            m_times[QString::fromStdString(run.benchmark_name())] = run.GetAdjustedRealTime();
            for (const auto& [name, counter] : run.counters)
                m_counters[QString::fromStdString(name)] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto store = m_times.find("BM_StoreSaveThenLoad/10000");
        const auto floor = m_times.find("BM_JsonDocumentFloor/10000");
        if (store != m_times.end() && floor != m_times.end() && *floor > 0)
            std::printf("\nStore save+load vs QJsonDocument parse+serialise (10,000 tasks): %.1f ms vs %.1f ms, ratio %.2f (goal <= 2)\n",
                        *store, *floor, *store / *floor);
        // The task list's figures are in microseconds.
        const auto slowest = [this](std::initializer_list<const char*> prefixes) {
            double worst = -1;
            for (auto it = m_times.cbegin(); it != m_times.cend(); ++it) {
                for (const char* prefix : prefixes) {
                    if (it.key().startsWith(QLatin1String(prefix)))
                        worst = std::max(worst, it.value());
                }
            }
            return worst;
        };
        const double change = slowest({"BM_ListOneRowChange", "BM_PanelReorderOneRow", "BM_PanelCompleteOneRow"});
        const double expand = slowest({"BM_ExpandToFirstFrame"});
        const double cold = slowest({"BM_BuildExpandAndFirstFrame"});
        if (change >= 0 && expand >= 0)
            std::printf("Task list, 1,000 tasks: slowest one-row change %.2f ms (goal < 4), expand to first frame %.2f ms "
                        "(goal < 16), new panel built, expanded and painted %.2f ms\n",
                        change / 1000, expand / 1000, cold / 1000);
        const auto firstFrame = m_times.find("BM_ExpandFirstFramePaintedAfterPointerEvent/iterations:30");
        const auto switched = m_times.find("BM_WorkspaceSwitchAppliedToThePanel");
        const auto springFrame = m_times.find("BM_ExpandSpringFrameWithListVisible");
        if (firstFrame != m_times.end() && switched != m_times.end() && springFrame != m_times.end())
            std::printf("Notch panel, 1,000 tasks: first expansion frame painted %.2f ms after the pointer event (goal < 16), "
                        "workspace switch %.2f ms (goal < 8), expand-spring frame with the list %.2f ms (goal < 8)\n",
                        *firstFrame, *switched, *springFrame);
        if (m_counters.contains("while_sorting_%"))
            std::printf("Sorting glow: %.1f %% of one core while it runs (goal < 25), %.2f %% after it fades, "
                        "still ticking afterwards: %s\n",
                        m_counters.value("while_sorting_%"), m_counters.value("after_fade_%"),
                        m_counters.value("glow_ticking_after") > 0 ? "yes" : "no");
        const auto onGuiThread = m_times.find("BM_CompleteTaskSaved/10000/0");
        const auto handedOver = m_times.find("BM_CompleteTaskSaved/10000/1");
        if (onGuiThread != m_times.end() && handedOver != m_times.end())
            std::printf("GUI-thread time per operation with its save (10,000 tasks): %.2f ms saving on the GUI thread, "
                        "%.2f ms handing over to the writer (goal < 4 ms)\n",
                        *onGuiThread, *handedOver);
    }

private:
    QMap<QString, double> m_times;
    QMap<QString, double> m_counters;
};
} // namespace

int main(int argc, char** argv)
{
    // The view benchmarks draw offscreen unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
