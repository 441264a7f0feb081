// Start-up to the notch shown, and resident memory once settled, of the real
// program with an empty record, 10,000 and 100,000 tasks, against a separate
// bare Qt Widgets program (quaverloom_bare_window, linked with Qt Widgets
// alone) in the same conditions. Each figure is the median of several fresh
// processes, run in rounds so that load on the machine hits both alike. Then
// the peak memory of the program loading hostile records of about 50 MB.
//   quaverloom_startup_bench [runs]     the driver: prints the figures
//   quaverloom_startup_bench --app      the program (a child)
//   quaverloom_startup_bench --record D [tasks]  writes the records into D/QuaverLoom (for profiling)
// The children print "shown" once their window is exposed, then their peak
// and resident memory after a second of idling.
#include "../BenchWorkspace.h"
#include "App/AppDelegate.h"
#include "Model/AppPreferences.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Overlay/NotchOverlayController.h"
#include "Overlay/NotchPanel.h"
#include "Platform/UserDefaults.h"
#include "ShownReport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>

namespace {

using startup_bench::reportWhenShown;

int runProgram(int argc, char** argv)
{
    AppDelegate::prepareProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuaverLoom"));
    AppDelegate delegate;
    if (delegate.startApplication() != AppDelegate::LaunchResult::started)
        return 1;
    return reportWhenShown(app, [&]() -> QWidget* {
        return delegate.overlayController() ? &delegate.overlayController()->panel() : nullptr;
    });
}

struct Sample {
    double shownMs = 0;
    qint64 rssKb = 0;
    qint64 peakKb = 0;
};

// Runs `program` (this binary when empty) with `arguments` until it reports its memory.
std::optional<Sample> runChild(const QString& program, const QStringList& arguments, const QString& configHome)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    child.start(program.isEmpty() ? QCoreApplication::applicationFilePath() : program, arguments);
    Sample sample;
    QByteArray output;
    while (child.waitForReadyRead(30000)) {
        output += child.readAllStandardOutput();
        if (sample.shownMs == 0 && output.contains("shown\n"))
            sample.shownMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (output.contains("rss "))
            break;
    }
    child.waitForFinished(30000);
    output += child.readAllStandardOutput();
    const qsizetype at = output.indexOf("rss ");
    if (sample.shownMs == 0 || at < 0)
        return std::nullopt;
    sample.rssKb = output.mid(at + 4).trimmed().toLongLong();
    if (const qsizetype peak = output.indexOf("peak "); peak >= 0)
        sample.peakKb = output.mid(peak + 5).split(' ').first().toLongLong();
    return sample;
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
bool reportHostileRecords()
{
    for (const auto& [name, bytes] : hostileRecords()) {
        QTemporaryDir configHome;
        writeRecords(configHome.path(), 10000);
        QFile file(configHome.path() + QStringLiteral("/QuaverLoom/quaver-loom.tasks"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return false;
        file.close();
        const auto program = runChild({}, {QStringLiteral("--app")}, configHome.path());
        if (!program)
            return false;
        const double sizeKb = static_cast<double>(bytes.size()) / 1024;
        std::printf("Hostile record of %.0f MB (%s): peak while loading %.2f× its size (goal <= 8), "
                    "resident after %.2f× (goal < 2)\n",
                    sizeKb / 1024, name, static_cast<double>(program->peakKb) / sizeKb,
                    static_cast<double>(program->rssKb) / sizeKb);
    }
    return true;
}

int runDriver(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    const QString bareWindow = QCoreApplication::applicationDirPath() + QStringLiteral("/quaverloom_bare_window");
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
        const auto bare = runChild(bareWindow, {}, loads[0].configHome.path());
        if (!bare) {
            std::fprintf(stderr, "the bare window (%s) did not show\n", qPrintable(bareWindow));
            return 1;
        }
        bareMs << bare->shownMs;
        bareRss << static_cast<double>(bare->rssKb);
        for (Load& load : loads) {
            const auto program = runChild({}, {QStringLiteral("--app")}, load.configHome.path());
            if (!program) {
                std::fprintf(stderr, "the program did not show its notch (%s)\n", load.name);
                return 1;
            }
            load.shownMs << program->shownMs;
            load.rssKb << static_cast<double>(program->rssKb);
        }
    }
    const double bareShown = median(bareMs), bareMb = median(bareRss) / 1024;
    std::printf("Start-up to window shown, median of %d on %s; baseline: a bare Qt Widgets window, %.0f ms, "
                "%.1f MB resident after 1 s idle\n",
                runs, qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb"))), bareShown, bareMb);
    for (const Load& load : loads) {
        const double shown = median(load.shownMs), mb = median(load.rssKb) / 1024;
        const bool hasGoal = load.taskCount == 10000;
        std::printf("  %-14s program %4.0f ms, ratio %.2f%s; resident %5.1f MB, ratio %.2f%s\n", load.name, shown,
                    shown / bareShown, hasGoal ? " (goal < 3)" : "", mb, mb / bareMb, hasGoal ? " (goal < 1.6)" : "");
    }
    std::fflush(stdout);
    if (!reportHostileRecords()) {
        std::fprintf(stderr, "a hostile record could not be measured\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--app")
        return runProgram(argc, argv);
    if (mode == "--record" && argc > 2) {
        QCoreApplication app(argc, argv);
        writeRecords(QString::fromLocal8Bit(argv[2]), argc > 3 ? QByteArray(argv[3]).toInt() : 10000);
        return 0;
    }
    return runDriver(argc, argv);
}
