// What a reminder flight costs at 1920x1080: CPU share of one core at a given
// frame rate for the program, for the X server that shows it and for the
// compositor that blends it, the painted area and the window reshapes per
// frame, memory during and after the flight, and the timer events of an idle
// program. The baseline is what an animated frameless sprite of the group's
// size, moved across the screen at the same frame rate, costs the same processes.
//
//   ./build/bench/quaverloom_flight_bench
//
// The bench starts an X server of its own (Xvfb), so that the server's time is
// the flight's alone, and measures twice: without a compositor (the flight
// reshapes its window) and with xcompmgr (the flight is blended). Without Xvfb
// it runs offscreen and counts neither server nor compositor.

#include "Model/TaskWorkspaceState.h"
#include "Platform/OneShotTimer.h"
#include "Platform/CompositorMonitor.h"
#include "Platform/OverlayWindow.h"
#include "Reminders/TaskReminderAirplaneSpriteView.h"
#include "Reminders/TaskReminderBannerFlagView.h"
#include "Reminders/TaskReminderFlightView.h"
#include "Reminders/TaskReminderOverlayPresenter.h"
#include "Reminders/TaskReminderScheduler.h"
#include "Sorting/TaskSortingService.h"
#include "UI/Motion.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <malloc.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The X server and the compositor the bench started, whose processor time is counted with the program's.
pid_t xServer = 0;
pid_t compositor = 0;

double cpuSecondsOf(pid_t pid)
{
    if (pid <= 0)
        return 0;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // The command may hold spaces; the fields counted here follow its closing parenthesis.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// Starts Xvfb on a display it chooses and points Qt at it; false when there is none.
bool startXServer()
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        // Gone with the bench, however it ends; and silent.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        const QByteArray fd = QByteArray::number(pipeFds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1920x1080x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        return false;
    }
    char display[32] = {};
    const ssize_t length = read(pipeFds[0], display, sizeof display - 1);
    close(pipeFds[0]);
    if (length <= 0) {
        waitpid(pid, nullptr, 0);
        return false;
    }
    xServer = pid;
    qputenv("DISPLAY", ":" + QByteArray(display, int(length)).trimmed());
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

void stopChild(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = 0;
}

// Starts xcompmgr on the bench's X server and waits until the program has heard that it owns the screen.
bool startCompositor()
{
    if (!xServer)
        return false;
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execlp("xcompmgr", "xcompmgr", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0)
        return false;
    compositor = pid;
    QElapsedTimer waited;
    waited.start();
    while (!CompositorMonitor::shared().isCompositing()) {
        if (waitpid(pid, nullptr, WNOHANG) == pid || waited.elapsed() > 10000) {
            compositor = 0;
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        usleep(20000);
    }
    return true;
}

// Processor time of the program, the X server and the compositor over one measured stretch.
struct Usage {
    double program = 0;
    double server = 0;
    double compositor = 0;
    double seconds = 0;
    double total() const { return program + server + compositor; }
};

class UsageMeter {
public:
    UsageMeter()
        : m_program(processCpuSeconds()), m_server(cpuSecondsOf(xServer)), m_compositor(cpuSecondsOf(compositor))
    {
        m_wall.start();
    }
    Usage read() const
    {
        return {processCpuSeconds() - m_program, cpuSecondsOf(xServer) - m_server,
                cpuSecondsOf(compositor) - m_compositor, double(m_wall.elapsed()) / 1000};
    }

private:
    double m_program;
    double m_server;
    double m_compositor;
    QElapsedTimer m_wall;
};

void printUsage(const char* indent, const Usage& usage)
{
    std::printf("%sCPU: program %.1f %%, X server %s, compositor %s, together %.1f %% of one core\n", indent,
                100 * usage.program / usage.seconds,
                xServer ? qPrintable(QString::asprintf("%.1f %%", 100 * usage.server / usage.seconds))
                        : "not counted (offscreen)",
                compositor ? qPrintable(QString::asprintf("%.1f %%", 100 * usage.compositor / usage.seconds))
                           : "none",
                100 * usage.total() / usage.seconds);
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
                times.push_back(Motion::animationClock());
            }
        }
        return false;
    }
    long count = 0;
    double area = 0;
    std::vector<double> times; // of the paints
    QObject* sampler = nullptr;

private:
    QEvent::Type m_type;
};

const QString benchTitle = QStringLiteral("Send the quarterly report to Dana");

// How evenly the frames came: the intervals between paints while the group crossed.
void printPace(const std::vector<double>& times, double framesPerSecond)
{
    if (times.size() < 3)
        return;
    const double screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->refreshRate() : 60;
    const double interval = 1 / std::min(framesPerSecond, screen > 1 ? screen : 60.0);
    std::vector<double> gaps;
    for (size_t i = 1; i < times.size(); ++i)
        gaps.push_back(times[i] - times[i - 1]);
    // The last gap runs into the end of the flight; the first follows the window's mapping.
    gaps.erase(gaps.begin());
    gaps.pop_back();
    double sum = 0;
    int near = 0, late = 0;
    for (const double gap : gaps) {
        sum += gap;
        near += std::abs(gap - interval) <= 0.002;
        late += gap > 1.5 * interval;
    }
    std::sort(gaps.begin(), gaps.end());
    std::printf("  Pace: %zu intervals, mean %.2f ms (due every %.2f ms), median %.2f ms, %d within 2 ms of due, "
                "%d longer than 1.5 intervals\n",
                gaps.size(), 1000 * sum / double(gaps.size()), 1000 * interval, 1000 * gaps[gaps.size() / 2], near,
                late);
}

struct FlightFigures {
    Usage usage;
    double framesPerSecond = 0;
    QSize groupSize;
};

FlightFigures flight(double framesPerSecond)
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
    const UsageMeter meter;
    presenter.present(benchTitle, configuration, [&] { finished = true; });
    presenter.flightView()->installEventFilter(&paints);
    const QPointer<OverlayWindow> panel = presenter.panel();
    const double start = Motion::wallClock();
    const QSize groupSize = presenter.flightView()->groupBounds(start + 5).size();
    int reshapes = 0;
    double peak = before;
    QEventLoop loop;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        peak = std::max(peak, residentMegabytes());
        if (panel)
            reshapes = panel->reshapeCount();
        if (finished)
            loop.quit();
    });
    sample.start(50);
    loop.exec();
    const Usage usage = meter.read();
    runFor(300); // the window is deleted on the next turns
    malloc_trim(0);
    const double after = residentMegabytes();
    const double seconds = usage.seconds;
    std::printf("Flight at %.0f fps asked: %.1f s, %ld frames painted (%.0f per second), %.0f px painted per frame "
                "(%.1f %% of the screen), %.2f window reshapes per frame\n",
                framesPerSecond, seconds, paints.count, double(paints.count) / seconds,
                paints.count ? paints.area / double(paints.count) : 0,
                paints.count ? 100 * paints.area / double(paints.count) / (1920.0 * 1080.0) : 0,
                paints.count ? double(reshapes) / double(paints.count) : 0);
    printUsage("  ", usage);
    printPace(paints.times, framesPerSecond);
    std::printf("  Memory: %.1f MB before, %.1f MB at most during (+%.1f MB, goal < 20), %.1f MB after (%+.1f MB)\n",
                before, peak, peak - before, after, after - before);
    return {usage, double(paints.count) / seconds, groupSize};
}

// The baseline: a frameless window the size of the flying group, moved across
// the screen at a frame rate and showing the next of twelve prepared frames at
// each step, as the simplest animated sprite of that size would.
class SpriteWindow final : public QWidget {
public:
    explicit SpriteWindow(const QSize& size)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                               | Qt::X11BypassWindowManagerHint)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_ShowWithoutActivating);
        resize(size);
        const NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        TaskReminderBannerFlagView banner(configuration, benchTitle,
                                          TaskReminderBannerFlagView::AttachmentSide::trailing, nullptr, false);
        TaskReminderAirplaneSpriteView airplane(configuration, false);
        const auto& l = configuration.layout;
        for (int i = 0; i < TaskReminderFlightGeometry::spriteFrameCount; ++i) {
            QImage frame(size, QImage::Format_RGB32);
            frame.fill(QColor(236, 240, 245));
            QPainter painter(&frame);
            const double time = double(i) / configuration.interaction.reminderFlightSpriteFramesPerSecond;
            banner.paint(painter, QPointF(0, (size.height() - banner.size().height()) / 2), time, false);
            airplane.paint(painter,
                           QRectF(size.width() - l.reminderFlightAirplaneWidth,
                                  (size.height() - l.reminderFlightAirplaneHeight) / 2, l.reminderFlightAirplaneWidth,
                                  l.reminderFlightAirplaneHeight),
                           time, false);
            m_frames.append(frame);
        }
    }
    void step(int x)
    {
        m_index = (m_index + 1) % int(m_frames.size());
        move(x, (1080 - height()) / 2);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, m_frames[m_index]);
    }

private:
    QList<QImage> m_frames;
    int m_index = 0;
};

// The flying group's size, shadows included, as the flight will show it now.
QSize groupSize(double framesPerSecond)
{
    NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
    configuration.interaction.reminderFlightMotionFramesPerSecond = framesPerSecond;
    TaskReminderOverlayPresenter::Environment environment;
    environment.screenGeometries = [] { return QList<QRect>{QRect(0, 0, 1920, 1080)}; };
    environment.mouseLocation = [] { return QPointF(960, 540); };
    TaskReminderOverlayPresenter presenter(environment);
    presenter.present(benchTitle, configuration);
    const QSize size = presenter.flightView()->groupBounds(*presenter.flightView()->flightStartDate() + 5).size();
    runFor(100);
    return size;
}

Usage sprite(const QSize& size, double framesPerSecond, double seconds)
{
    SpriteWindow window(size);
    window.move(-size.width(), (1080 - size.height()) / 2);
    window.show();
    runFor(300); // mapped and first painted before the count starts
    const UsageMeter meter;
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer frame;
    frame.setTimerType(Qt::PreciseTimer);
    QObject::connect(&frame, &QTimer::timeout, [&] {
        const double progress = double(elapsed.elapsed()) / 1000 / seconds;
        if (progress >= 1) {
            loop.quit();
            return;
        }
        window.step(int(-size.width() + progress * (1920 + size.width())));
    });
    frame.start(std::max(1, int(std::lround(1000 / framesPerSecond))));
    loop.exec();
    const Usage usage = meter.read();
    std::printf("Baseline: a %dx%d frameless sprite moved across the screen at %.0f fps for %.1f s\n", size.width(),
                size.height(), framesPerSecond, usage.seconds);
    printUsage("  ", usage);
    return usage;
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

struct Ratios {
    double median = 0;
    double worst = 0;
};

// Each flight is compared with a sprite run around it, since the machine's load drifts.
Ratios flightAgainstSprite(const char* what)
{
    std::printf("\n%s\n", what);
    const double framesPerSecond =
        NotchTemplateConfiguration::defaults().interaction.reminderFlightMotionFramesPerSecond;
    std::vector<double> ratios;
    // The sprite runs half before the flight and half after it, so that a load
    // that rises or falls meanwhile weighs on both alike.
    QSize size = groupSize(framesPerSecond);
    double spriteRate = 53;
    for (int round = 0; round < 3; ++round) {
        const Usage before = sprite(size, spriteRate, 3);
        const FlightFigures figures = flight(framesPerSecond);
        size = figures.groupSize;
        spriteRate = figures.framesPerSecond;
        const Usage after = sprite(size, spriteRate, 3);
        const double baseline = (before.total() + after.total()) / (before.seconds + after.seconds);
        ratios.push_back((figures.usage.total() / figures.usage.seconds) / baseline);
        std::printf("  Flight against the sprite, every process together: %.2fx\n", ratios.back());
    }
    std::sort(ratios.begin(), ratios.end());
    return {ratios[ratios.size() / 2], ratios.back()};
}
} // namespace

int main(int argc, char** argv)
{
    const bool ownServer = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && startXServer();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid()) {
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    {
        QApplication app(argc, argv);
        std::printf("Platform %s%s, screen refresh %.0f Hz\n", qPrintable(QGuiApplication::platformName()),
                    ownServer ? " on an Xvfb of its own" : "",
                    QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->refreshRate() : 0.0);
        idle("no reminder", std::nullopt);
        idle("a reminder due tomorrow", 86400);
        const Ratios bare = flightAgainstSprite(ownServer ? "Without a compositor:" : "Offscreen:");
        std::optional<Ratios> composited;
        if (startCompositor())
            composited = flightAgainstSprite("With a compositor (xcompmgr):");
        std::printf("\nFlight against the sprite, median and worst of 3 pairs (goal: every pair < 1.5x):\n"
                    "  %s %.2fx, at worst %.2fx\n",
                    ownServer ? "without a compositor:" : "offscreen:", bare.median, bare.worst);
        if (composited)
            std::printf("  with a compositor:    %.2fx, at worst %.2fx\n", composited->median, composited->worst);
        else
            std::printf("  with a compositor:    not measured (needs Xvfb and xcompmgr)\n");
        stopChild(compositor);
    }
    stopChild(xServer);
    return 0;
}
