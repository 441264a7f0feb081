// What a reminder flight costs on the raster engine at 1920x1080: CPU share of
// one core at a given frame rate, the painted area per frame, memory during
// and after the flight, and the timer events of an idle program.
//
//   ./build/bench/quaverloom_flight_bench          (offscreen platform unless QT_QPA_PLATFORM is set)

#include "Model/TaskWorkspaceState.h"
#include "Platform/OneShotTimer.h"
#include "Reminders/TaskReminderFlightView.h"
#include "Reminders/TaskReminderOverlayPresenter.h"
#include "Reminders/TaskReminderScheduler.h"
#include "Sorting/TaskSortingService.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <unistd.h>

namespace {
double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

// The bench's own timer, left out of the counts.
QTimer* quitTimer = nullptr;

void runFor(int ms)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    quitTimer = &timer;
    timer.start(ms);
    loop.exec();
    quitTimer = nullptr;
}

// Counts what the event loop delivers to one kind of receiver.
class EventCounter : public QObject {
public:
    explicit EventCounter(QEvent::Type type) : m_type(type) {}
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (event->type() == m_type && receiver != quitTimer && receiver != sampler) {
            ++count;
            if (m_type == QEvent::Paint) {
                for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                    area += double(r.width()) * double(r.height());
            }
        }
        return false;
    }
    long count = 0;
    double area = 0;
    QObject* sampler = nullptr;

private:
    QEvent::Type m_type;
};

void flight(double framesPerSecond)
{
    NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
    configuration.interaction.reminderFlightMotionFramesPerSecond = framesPerSecond;
    TaskReminderOverlayPresenter::Environment environment;
    environment.screenGeometries = [] { return QList<QRect>{QRect(0, 0, 1920, 1080)}; };
    environment.mouseLocation = [] { return QPointF(960, 540); };
    TaskReminderOverlayPresenter presenter(environment);

    malloc_trim(0);
    const double before = residentMegabytes();
    bool finished = false;
    EventCounter paints(QEvent::Paint);
    const double cpuStart = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    presenter.present(QStringLiteral("Send the quarterly report to Dana"), configuration, [&] { finished = true; });
    presenter.flightView()->installEventFilter(&paints);
    double peak = before;
    QEventLoop loop;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        peak = std::max(peak, residentMegabytes());
        if (finished)
            loop.quit();
    });
    sample.start(50);
    loop.exec();
    const double cpu = processCpuSeconds() - cpuStart;
    const double seconds = double(wall.elapsed()) / 1000;
    runFor(300); // the window is deleted on the next turns
    malloc_trim(0);
    const double after = residentMegabytes();
    std::printf("Flight at %.0f fps asked: %.1f s, %ld frames painted (%.0f per second), %.0f px painted per frame "
                "(%.1f %% of the screen)\n",
                framesPerSecond, seconds, paints.count, double(paints.count) / seconds,
                paints.count ? paints.area / double(paints.count) : 0,
                paints.count ? 100 * paints.area / double(paints.count) / (1920.0 * 1080.0) : 0);
    std::printf("  CPU: %.1f %% of one core (goal < 30 %%)\n", 100 * cpu / seconds);
    std::printf("  Memory: %.1f MB before, %.1f MB at most during (+%.1f MB, goal < 20), %.1f MB after (%+.1f MB)\n",
                before, peak, peak - before, after, after - before);
}

class NoSorting final : public TaskSortingService {
public:
    void sortTasks(const TaskList&, const TaskSortContext&, QObject*, Completion) override {}
};

class NoStore final : public TaskStore {
public:
    explicit NoStore(TaskWorkspaceState state) : m_state(std::move(state)) {}
    TaskWorkspaceState load() override { return m_state; }
    void save(const TaskWorkspaceState&) override {}

private:
    TaskWorkspaceState m_state;
};

void idle(const char* what, std::optional<double> reminderIn)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    TaskItem task;
    task.id = QUuid::createUuid();
    task.title = QStringLiteral("Someday");
    task.sectionID = QStringLiteral("section.work");
    if (reminderIn)
        task.reminder = TaskReminder{SystemClock::shared().now().addingSeconds(*reminderIn), false};
    state.tasks = {task};
    NoStore store(state);
    NoSorting sorting;
    NotchTaskViewModel viewModel(store, sorting, SystemClock::shared());
    TaskReminderOverlayPresenter presenter(TaskReminderOverlayPresenter::Environment::live(false));
    TaskReminderScheduler scheduler(viewModel, presenter, NotchTemplateConfiguration::defaults(), SystemClock::shared(),
                                    std::make_unique<QtOneShotTimer>());
    EventCounter timers(QEvent::Timer);
    qApp->installEventFilter(&timers);
    const double cpuStart = processCpuSeconds();
    runFor(3000);
    qApp->removeEventFilter(&timers);
    std::printf("Idle for 3 s, %s: %ld timer events, %.2f %% CPU\n", what, timers.count,
                100 * (processCpuSeconds() - cpuStart) / 3);
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("Platform %s, screen refresh %.0f Hz\n", qPrintable(QGuiApplication::platformName()),
                QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->refreshRate() : 0.0);
    idle("no reminder", std::nullopt);
    idle("a reminder due tomorrow", 86400);
    flight(60);
    flight(120);
    return 0;
}
