// Start-up to the notch shown, and resident memory once settled, of the
// program itself (build/quaverloom, as a user starts it) with an empty record,
// 10,000 and 100,000 tasks, against a separate bare Qt Widgets program
// (quaverloom_bare_window, linked with Qt Widgets alone) in the same
// conditions. Both are measured from outside: from the moment the process is
// started until the X server maps its window, then their resident memory a
// second later. Each figure is the median of several fresh processes, run in
// rounds so that load on the machine hits both alike. Then the peak memory of
// the program loading hostile records of about 50 MB.
//   quaverloom_startup_bench [runs [program]]     the figures (needs an X server: see startup.sh)
//   quaverloom_startup_bench --record D [tasks]   writes the records into D/QuaverLoom (for profiling)
#include "../BenchWorkspace.h"
#include "Model/AppPreferences.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Platform/UserDefaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <poll.h>
#include <xcb/xcb.h>

namespace {

// "VmRSS" (resident now) or "VmHWM" (the peak so far) of a process, in kB.
qint64 memoryKilobytes(qint64 pid, const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Watches the X server for the first window of at least 300 by 100 that is mapped.
class MapWatch {
public:
    MapWatch() : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
    ~MapWatch() { xcb_disconnect(m_connection); }
    bool isConnected() const { return m_root != 0; }

    // Drops what was mapped before; true once a large window maps within `timeoutMs`.
    bool waitForWindow(int timeoutMs)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < timeoutMs) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
                const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY
                                    && isLarge(reinterpret_cast<xcb_map_notify_event_t*>(event)->window);
                free(event);
                if (mapped)
                    return true;
            }
            pollfd descriptor{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&descriptor, 1, 5);
        }
        return false;
    }
    void drain()
    {
        syncWithServer();
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            free(event);
    }

private:
    void syncWithServer() { free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr)); }
    bool isLarge(xcb_window_t window)
    {
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        const bool large = geometry && geometry->width >= 300 && geometry->height >= 100;
        free(geometry);
        return large;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
};

struct Sample {
    double shownMs = 0;
    qint64 rssKb = 0;
    qint64 peakKb = 0;
};

// Starts `program` on its own configuration, waits for its window, lets it
// idle a second, reads its memory and ends it as logout would.
std::optional<Sample> runChild(MapWatch& watch, const QString& program, const QString& configHome)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.setStandardOutputFile(QProcess::nullDevice());
    watch.drain();
    QElapsedTimer clock;
    clock.start();
    child.start(program, {});
    std::optional<Sample> sample;
    if (watch.waitForWindow(60000)) {
        sample = Sample{static_cast<double>(clock.nsecsElapsed()) / 1e6};
        child.waitForFinished(1000);
        sample->rssKb = memoryKilobytes(child.processId(), "VmRSS");
        sample->peakKb = memoryKilobytes(child.processId(), "VmHWM");
    }
    child.terminate();
    if (!child.waitForFinished(60000))
        child.kill();
    child.waitForFinished();
    return sample && sample->rssKb > 0 ? sample : std::nullopt;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// Onboarding completed, so the notch shows at once; no task record when `taskCount` is 0.
void writeRecords(const QString& configHome, int taskCount)
{
    FileUserDefaults defaults(configHome + QStringLiteral("/QuaverLoom"));
    if (taskCount > 0) {
        TaskWorkspaceState state = largeWorkspace(taskCount);
        // Reminders still to come, as a user's mostly are: overdue ones would fly
        // at the first start and be gone from the record by the next.
        const Date tomorrow = SystemClock::shared().now().addingSeconds(24 * 3600);
        for (qsizetype i = 0; i < state.tasks.size(); ++i) {
            if (state.tasks[i].reminder)
                state.tasks[i].reminder->scheduledAt = tomorrow.addingSeconds(static_cast<double>(i));
        }
        UserDefaultsTaskStore(defaults, QStringLiteral("quaver-loom.tasks")).save(state);
    }
    AppPreferences preferences;
    preferences.hasCompletedOnboarding = true;
    UserDefaultsAppPreferencesStore(defaults, QStringLiteral("quaver-loom.preferences")).save(preferences);
}

// Records of about 50 MB that are not workspaces, each shaped to make a
// reader hold as much as it can before it fails.
QList<std::pair<const char*, QByteArray>> hostileRecords()
{
    constexpr qsizetype size = 50 * 1000 * 1000;
    QByteArray numbers = "[";
    while (numbers.size() < size)
        numbers += "1,";
    numbers += "1]";
    const QByteArray task = R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":"A task with a title","priority":"low",)"
                            R"("reasonText":"","createdAt":700000000,"aiStatesByWorkspace":{"workspace.all":)"
                            R"({"priority":"low","reasonText":"why","sourceTitle":"A task with a title"}}},)";
    QByteArray tasks = "[";
    while (tasks.size() < size)
        tasks += task;
    tasks += "3]"; // the last element is not a task
    QByteArray text = "\"";
    text += QByteArray(size, 'a');
    text += "\"";
    QByteArray objects = "{\"sections\":[";
    while (objects.size() < size)
        objects += "{\"x\":[{}]},";
    objects += "{}],\"tasks\":[],\"selectedWorkspaceID\":5}";
    return {{"array of numbers", numbers}, {"task list failing at its end", tasks}, {"one long string", text},
            {"nested empty objects", objects}};
}

// Peak and settled resident memory of the program loading each hostile record.
bool reportHostileRecords(MapWatch& watch, const QString& program)
{
    for (const auto& [name, bytes] : hostileRecords()) {
        QTemporaryDir configHome;
        writeRecords(configHome.path(), 10000);
        QFile file(configHome.path() + QStringLiteral("/QuaverLoom/quaver-loom.tasks"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return false;
        file.close();
        const auto sample = runChild(watch, program, configHome.path());
        if (!sample)
            return false;
        const double sizeKb = static_cast<double>(bytes.size()) / 1024;
        std::printf("Hostile record of %.0f MB (%s): peak while loading %.2f× its size (goal <= 8), "
                    "resident after %.2f× (goal < 2)\n",
                    sizeKb / 1024, name, static_cast<double>(sample->peakKb) / sizeKb,
                    static_cast<double>(sample->rssKb) / sizeKb);
    }
    return true;
}

int runDriver(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    const QString bareWindow = QCoreApplication::applicationDirPath() + QStringLiteral("/quaverloom_bare_window");
    const QString program = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                     : QCoreApplication::applicationDirPath() + QStringLiteral("/../quaverloom");
    MapWatch watch;
    if (!watch.isConnected()) {
        std::fprintf(stderr, "the start-up figures need an X server (run bench/startup.sh)\n");
        return 1;
    }
    struct Load {
        const char* name;
        int taskCount;
        QTemporaryDir configHome;
        QList<double> shownMs, rssKb;
    };
    Load loads[] = {{"empty", 0, {}, {}, {}}, {"10,000 tasks", 10000, {}, {}, {}}, {"100,000 tasks", 100000, {}, {}, {}}};
    for (Load& load : loads)
        writeRecords(load.configHome.path(), load.taskCount);
    QList<double> bareMs, bareRss;
    for (int i = 0; i < runs; ++i) {
        const auto bare = runChild(watch, bareWindow, loads[0].configHome.path());
        if (!bare) {
            std::fprintf(stderr, "the bare window (%s) did not show\n", qPrintable(bareWindow));
            return 1;
        }
        bareMs << bare->shownMs;
        bareRss << static_cast<double>(bare->rssKb);
        for (Load& load : loads) {
            const auto sample = runChild(watch, program, load.configHome.path());
            if (!sample) {
                std::fprintf(stderr, "the program did not show its notch (%s)\n", load.name);
                return 1;
            }
            load.shownMs << sample->shownMs;
            load.rssKb << static_cast<double>(sample->rssKb);
        }
    }
    const double bareShown = median(bareMs), bareMb = median(bareRss) / 1024;
    std::printf("Start-up to window mapped, median of %d; baseline: a bare Qt Widgets window, %.0f ms, "
                "%.1f MB resident 1 s later\n",
                runs, bareShown, bareMb);
    for (const Load& load : loads) {
        const double shown = median(load.shownMs), mb = median(load.rssKb) / 1024;
        const bool hasGoal = load.taskCount == 10000;
        std::printf("  %-14s program %4.0f ms, ratio %.2f%s; resident %5.1f MB, ratio %.2f%s\n", load.name, shown,
                    shown / bareShown, hasGoal ? " (goal < 3)" : "", mb, mb / bareMb, hasGoal ? " (goal < 1.6)" : "");
    }
    std::fflush(stdout);
    if (!reportHostileRecords(watch, program)) {
        std::fprintf(stderr, "a hostile record could not be measured\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--record" && argc > 2) {
        QCoreApplication app(argc, argv);
        writeRecords(QString::fromLocal8Bit(argv[2]), argc > 3 ? QByteArray(argv[3]).toInt() : 10000);
        return 0;
    }
    return runDriver(argc, argv);
}
