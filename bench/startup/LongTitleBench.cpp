// Start-up of the real program on a 10,000-task record whose one task has a
// title of 50 MB (one word, and words with spaces), against the same record
// with ordinary titles: time to the notch mapped and the process's peak
// memory, each the median of several fresh processes.
//   quaverloom_long_title_bench [runs]   the driver: prints the figures
//   quaverloom_long_title_bench --app    the program (a child)
//   quaverloom_long_title_bench --record D   writes the record with spaces into D/QuaverLoom (for profiling)
// The child prints "shown" once the notch is exposed, then "peak <kB>" and quits.
#include "../BenchWorkspace.h"
#include "App/AppDelegate.h"
#include "Model/AppPreferences.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Overlay/NotchOverlayController.h"
#include "Overlay/NotchPanel.h"
#include "Platform/UserDefaults.h"
#include "Workspace/TaskWorkspaceLogic.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>

namespace {

constexpr qsizetype hugeTitleLength = 50 * 1000 * 1000;

int runProgram(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuaverLoom"));
    AppDelegate delegate;
    if (delegate.startApplication() != AppDelegate::LaunchResult::started)
        return 1;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        NotchOverlayController* controller = delegate.overlayController();
        QWindow* window = controller ? controller->panel().windowHandle() : nullptr;
        if (!window || !window->isExposed())
            return;
        poll.stop();
        // Not getrusage: its peak keeps the driver's from before the exec.
        QFile status(QStringLiteral("/proc/self/status"));
        QByteArray peak = "0";
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("VmHWM:"))
                    peak = line.mid(6).trimmed().split(' ').first();
            }
        }
        std::printf("shown\npeak %s\n", peak.constData());
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    poll.start();
    return QApplication::exec();
}

struct Sample {
    double shownMs = 0;
    double peakKb = 0;
};

std::optional<Sample> runChild(const QString& configHome)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--app")});
    Sample sample;
    QByteArray output;
    while (!output.contains("peak ") && child.waitForReadyRead(120000)) {
        output += child.readAllStandardOutput();
        if (sample.shownMs == 0 && output.contains("shown\n"))
            sample.shownMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }
    child.waitForFinished(120000);
    output += child.readAllStandardOutput();
    const qsizetype at = output.indexOf("peak ");
    if (sample.shownMs == 0 || at < 0)
        return std::nullopt;
    sample.peakKb = output.mid(at + 5).trimmed().toDouble();
    return sample;
}

// The record's size in kB.
double writeRecords(const QString& configHome, const QString& hugeTitle)
{
    FileUserDefaults defaults(configHome + QStringLiteral("/QuaverLoom"));
    TaskWorkspaceState state = largeWorkspace(10000);
    // A section's list keeps the stored order whatever the titles.
    state.selectedWorkspaceID = std::find_if(state.tasks.cbegin(), state.tasks.cend(), [](const TaskItem& task) {
                                    return !task.isCompleted;
                                })->sectionID;
    if (!hugeTitle.isEmpty()) {
        // The first task the notch shows, so that its row is built at once.
        const QUuid first =
            TaskWorkspaceLogic::visibleTasks(state.selectedWorkspaceID, state.sections, state.tasks).first().id;
        for (TaskItem& task : state.tasks) {
            if (task.id == first)
                task.title = hugeTitle;
        }
    }
    UserDefaultsTaskStore(defaults, QStringLiteral("quaver-loom.tasks")).save(state);
    AppPreferences preferences;
    preferences.hasCompletedOnboarding = true;
    UserDefaultsAppPreferencesStore(defaults, QStringLiteral("quaver-loom.preferences")).save(preferences);
    return static_cast<double>(QFileInfo(configHome + QStringLiteral("/QuaverLoom/quaver-loom.tasks")).size()) / 1024;
}

QString wordsTitle()
{
    const QString words = QStringLiteral("plan the garden beds and order seeds before spring ");
    QString title;
    title.reserve(hugeTitleLength + words.size());
    while (title.size() < hugeTitleLength)
        title += words;
    title.truncate(hugeTitleLength);
    return title;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

int runDriver(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    struct Case {
        const char* name = "";
        QTemporaryDir configHome;
        double recordKb = 0;
        QList<double> shownMs, peakKb;
    };
    Case cases[3];
    cases[0].name = "ordinary titles";
    cases[0].recordKb = writeRecords(cases[0].configHome.path(), {});
    cases[1].name = "one 50 MB title without spaces";
    cases[1].recordKb = writeRecords(cases[1].configHome.path(), QString(hugeTitleLength, u'a'));
    cases[2].name = "one 50 MB title with spaces";
    cases[2].recordKb = writeRecords(cases[2].configHome.path(), wordsTitle());
    for (int i = 0; i < runs; ++i) {
        for (Case& c : cases) {
            const auto sample = runChild(c.configHome.path());
            if (!sample) {
                std::fprintf(stderr, "the program did not show the notch (%s)\n", c.name);
                return 1;
            }
            c.shownMs << sample->shownMs;
            c.peakKb << sample->peakKb;
        }
    }
    const Case& ordinary = cases[0];
    const double ordinaryMs = median(ordinary.shownMs), ordinaryPeak = median(ordinary.peakKb);
    std::printf("Start-up with 10,000 tasks, ordinary titles (median of %d on %s): notch mapped %.0f ms, "
                "peak %.1f MB, record %.1f MB\n",
                runs, qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb"))), ordinaryMs,
                ordinaryPeak / 1024, ordinary.recordKb / 1024);
    for (const Case* huge : {&cases[1], &cases[2]}) {
        const Case& c = *huge;
        const double shown = median(c.shownMs), peak = median(c.peakKb);
        std::printf("Start-up with 10,000 tasks, %s: notch mapped %.0f ms, %.2f× ordinary (goal <= 1.3); "
                    "peak %.1f MB, %.2f× the %.1f MB record (goal < 2), %.2f× counting only what it adds to "
                    "ordinary\n",
                    c.name, shown, shown / ordinaryMs, peak / 1024, peak / c.recordKb,
                    c.recordKb / 1024, (peak - ordinaryPeak) / (c.recordKb - ordinary.recordKb));
    }
    // What a whole title costs by itself: QString holds it in UTF-16.
    const double titleKb = double(hugeTitleLength) * sizeof(QChar) / 1024;
    std::printf("The 50 MB title held as text is %.1f MB by itself, %.2f× the record\n", titleKb / 1024,
                titleKb / cases[1].recordKb);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--app")
        return runProgram(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "--record") {
        QCoreApplication app(argc, argv);
        writeRecords(QString::fromLocal8Bit(argv[2]), wordsTitle());
        return 0;
    }
    return runDriver(argc, argv);
}
