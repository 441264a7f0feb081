// What adding a task costs the program's GUI thread, typed and submitted
// through the real panel as a user would, with 50 and with 10,000 open tasks
// in the selected section. The program (build/quaverloom) runs on its own
// record; xdotool opens the panel with the pointer, types a title and
// presses Return. The GUI thread's processor time is read from
// /proc/<pid>/task/<pid>/schedstat before the first of ten adds and after the
// last has settled (saved, animations over, the thread idle), split into the
// typing and the submission. One unmeasured add first, so that what is built
// once (fonts, caches) is not counted. Each figure is the median of several
// rounds, a fresh process each, run in turns so load on the machine hits both.
//   quaverloom_task_add_bench [rounds [program]]   (needs an X server: see startup.sh)
//   QUAVERLOOM_TASK_ADD_PERF=DIR records the GUI thread with perf during the
//   adds into DIR/<tasks>.data, for finding where the time goes.
#include "../BenchWorkspace.h"
#include "Model/AppPreferences.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>
#include <xcb/xcb.h>

namespace {

constexpr int kMeasuredAdds = 10;

// Nanoseconds the thread has run on a processor, or -1 once it is gone.
qint64 threadCpuNs(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/task/%1/schedstat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().split(' ').value(0).toLongLong();
}

// Open tasks, all in the selected Work section: every other one with a current
// AI reason, every seventh with a reminder still to come (none flies meanwhile).
void writeRecords(const QString& configHome, int taskCount)
{
    TaskWorkspaceState state = largeWorkspace(taskCount);
    const Date tomorrow = SystemClock::shared().now().addingSeconds(24 * 3600);
    for (qsizetype i = 0; i < state.tasks.size(); ++i) {
        TaskItem& task = state.tasks[i];
        task.sectionID = QStringLiteral("section.work");
        task.sortOrder = i;
        task.isCompleted = false;
        task.completedAt.reset();
        if (task.reminder)
            task.reminder->scheduledAt = tomorrow.addingSeconds(double(i));
    }
    state.selectedWorkspaceID = QStringLiteral("section.work");
    FileUserDefaults defaults(configHome + QStringLiteral("/QuaverLoom"));
    UserDefaultsTaskStore(defaults, QStringLiteral("quaver-loom.tasks")).save(state);
    AppPreferences preferences;
    preferences.hasCompletedOnboarding = true;
    UserDefaultsAppPreferencesStore(defaults, QStringLiteral("quaver-loom.preferences")).save(preferences);
}

// Reads single pixels of the screen.
class Screen {
public:
    Screen() : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(m_connection))
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~Screen() { xcb_disconnect(m_connection); }
    bool isConnected() const { return m_root != 0; }

    // The panel's near-black at (x, y); the empty desktop is lighter.
    bool isDark(int x, int y)
    {
        xcb_get_image_reply_t* image = xcb_get_image_reply(
            m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(x), int16_t(y), 1, 1, ~0u),
            nullptr);
        bool dark = false;
        if (image && xcb_get_image_data_length(image) >= 3) {
            const uint8_t* pixel = xcb_get_image_data(image);
            dark = pixel[0] < 40 && pixel[1] < 40 && pixel[2] < 40;
        }
        free(image);
        return dark;
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
};

bool xdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// Warping produces no device motion, so every move ends with a real relative step.
void movePointer(int x, int y)
{
    xdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(y + 1)});
    xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"), QStringLiteral("0"), QStringLiteral("-1")});
}

template<typename Condition>
bool waitFor(Condition condition, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QThread::msleep(20);
    }
    return true;
}

// Until the thread has used under a millisecond in a quarter of a second:
// the add is saved, its animations are over and nothing else runs.
bool waitUntilIdle(qint64 pid)
{
    qint64 last = threadCpuNs(pid);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000) {
        QThread::msleep(250);
        const qint64 now = threadCpuNs(pid);
        if (now < 0)
            return false;
        if (now - last < 1000000)
            return true;
        last = now;
    }
    return false;
}

struct AddCost {
    double typingMs = 0;
    double submitMs = 0;
    double totalMs() const { return typingMs + submitMs; }
};

class Program {
public:
    Program(const QString& binary, const QString& configHome)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // Nothing answers here: the panel shows no model activity.
        environment.insert(QStringLiteral("QUAVERLOOM_MODEL_URL"), QStringLiteral("http://127.0.0.1:9"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start(binary, {});
        m_record = configHome + QStringLiteral("/QuaverLoom/quaver-loom.tasks");
    }
    ~Program()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(60000))
            m_process.kill();
        m_process.waitForFinished();
    }
    qint64 pid() const { return m_process.processId(); }

    bool recordHolds(const QByteArray& title) const
    {
        QFile file(m_record);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains('"' + title + '"');
    }

private:
    QProcess m_process;
    QString m_record;
};

// Types a title, waits for the thread to settle, presses Return and waits
// until the task is saved and the thread settles again.
std::optional<AddCost> addTask(Program& program, const QByteArray& title)
{
    const qint64 before = threadCpuNs(program.pid());
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), QString::fromLatin1(title)});
    if (!waitUntilIdle(program.pid()))
        return std::nullopt;
    const qint64 typed = threadCpuNs(program.pid());
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    if (!waitFor([&] { return program.recordHolds(title); }, 60000) || !waitUntilIdle(program.pid()))
        return std::nullopt;
    const qint64 after = threadCpuNs(program.pid());
    return AddCost{double(typed - before) / 1e6, double(after - typed) / 1e6};
}

// Starts `perf record` on the GUI thread when QUAVERLOOM_TASK_ADD_PERF names a directory.
std::unique_ptr<QProcess> startProfile(qint64 pid, int taskCount)
{
    const QString directory = qEnvironmentVariable("QUAVERLOOM_TASK_ADD_PERF");
    if (directory.isEmpty())
        return nullptr;
    QDir().mkpath(directory);
    auto perf = std::make_unique<QProcess>();
    perf->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    perf->start(QStringLiteral("perf"), {QStringLiteral("record"), QStringLiteral("--call-graph"),
                                         QStringLiteral("dwarf,32768"), QStringLiteral("-F"),
                                         QStringLiteral("2000"), QStringLiteral("-t"), QString::number(pid),
                                         QStringLiteral("-o"),
                                         QStringLiteral("%1/%2.data").arg(directory).arg(taskCount)});
    perf->waitForStarted();
    QThread::msleep(500);
    return perf;
}

void stopProfile(std::unique_ptr<QProcess> perf)
{
    if (!perf)
        return;
    ::kill(pid_t(perf->processId()), SIGINT);
    perf->waitForFinished(60000);
}

// One fresh process on a record of `taskCount` tasks: the mean cost of an add.
std::optional<AddCost> measureRound(const QString& binary, Screen& screen, int taskCount, int round)
{
    QTemporaryDir configHome;
    writeRecords(configHome.path(), taskCount);
    Program program(binary, configHome.path());
    movePointer(960, 700);
    if (!waitFor([&] { return screen.isDark(960, 10); }, 60000)) {
        std::fprintf(stderr, "%d tasks: the notch did not appear\n", taskCount);
        return std::nullopt;
    }
    movePointer(960, 0);
    if (!waitFor([&] { return screen.isDark(1220, 370); }, 60000) || !waitUntilIdle(program.pid())) {
        std::fprintf(stderr, "%d tasks: the panel did not open\n", taskCount);
        return std::nullopt;
    }
    if (!addTask(program, QByteArrayLiteral("Warm up the kettle"))) {
        std::fprintf(stderr, "%d tasks: the first task was not saved\n", taskCount);
        return std::nullopt;
    }
    auto perf = round == 0 ? startProfile(program.pid(), taskCount) : nullptr;
    AddCost sum;
    for (int i = 0; i < kMeasuredAdds; ++i) {
        // The same number of keys every time.
        const auto cost = addTask(program, QByteArrayLiteral("Water the plants no ") + QByteArray::number(i));
        if (!cost) {
            std::fprintf(stderr, "%d tasks: task %d was not saved\n", taskCount, i);
            return std::nullopt;
        }
        sum.typingMs += cost->typingMs;
        sum.submitMs += cost->submitMs;
    }
    stopProfile(std::move(perf));
    return AddCost{sum.typingMs / kMeasuredAdds, sum.submitMs / kMeasuredAdds};
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 3;
    const QString binary = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                    : QCoreApplication::applicationDirPath() + QStringLiteral("/../quaverloom");
    Screen screen;
    if (!screen.isConnected()) {
        std::fprintf(stderr, "the task-add figures need an X server (run bench/startup.sh)\n");
        return 1;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        std::fprintf(stderr, "the task-add figures need xdotool\n");
        return 1;
    }
    struct Load {
        int taskCount;
        QList<double> typing, submit, total;
    };
    Load loads[] = {{50, {}, {}, {}}, {10000, {}, {}, {}}};
    for (int round = 0; round < rounds; ++round) {
        for (Load& load : loads) {
            const auto cost = measureRound(binary, screen, load.taskCount, round);
            if (!cost)
                return 1;
            load.typing << cost->typingMs;
            load.submit << cost->submitMs;
            load.total << cost->totalMs();
        }
    }
    std::printf("GUI-thread CPU per task typed and submitted through the panel (21 keys and Return), "
                "median of %d rounds of %d adds\n",
                rounds, kMeasuredAdds);
    for (const Load& load : loads)
        std::printf("  %6d tasks in one section: %6.1f ms per add (typing %5.1f ms, submitting %5.1f ms)\n",
                    load.taskCount, median(load.total), median(load.typing), median(load.submit));
    const double small = median(loads[0].total), large = median(loads[1].total);
    std::printf("  ratio 10,000 / 50 tasks: %.2f (goal <= 1.2)\n", small > 0 ? large / small : 0.0);
    return 0;
}
