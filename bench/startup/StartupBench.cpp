// Start-up to the notch shown, and resident memory once settled, of the real
// program on a 10,000-task record, against a bare Qt window in the same
// conditions. Each figure is the median of several fresh processes.
//   quaverloom_startup_bench [runs]     the driver: prints the figures
//   quaverloom_startup_bench --bare     one bare window (a child)
//   quaverloom_startup_bench --app      the program (a child)
//   quaverloom_startup_bench --record D writes the records into D/QuaverLoom (for profiling)
// The children print "shown" once their window is exposed, then their
// resident memory after a second of idling.
#include "../BenchWorkspace.h"
#include "App/AppDelegate.h"
#include "Model/AppPreferences.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Overlay/NotchOverlayController.h"
#include "Overlay/NotchPanel.h"
#include "Platform/UserDefaults.h"

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

qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Reports once `window` is exposed, idles a second, reports memory and quits.
int reportWhenShown(QApplication& app, const std::function<QWidget*()>& window)
{
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* widget = window();
        if (!widget || !widget->windowHandle() || !widget->windowHandle()->isExposed())
            return;
        poll.stop();
        std::printf("shown\n");
        std::fflush(stdout);
        QTimer::singleShot(1000, &app, [] {
            std::printf("rss %lld\n", static_cast<long long>(residentKilobytes()));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    });
    poll.start();
    return QApplication::exec();
}

int runBare(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(646, 456);
    window.show();
    return reportWhenShown(app, [&] { return &window; });
}

int runProgram(int argc, char** argv)
{
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
};

std::optional<Sample> runChild(const QString& mode, const QString& configHome)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), {mode});
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
    return sample;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

void writeRecords(const QString& configHome)
{
    FileUserDefaults defaults(configHome + QStringLiteral("/QuaverLoom"));
    UserDefaultsTaskStore(defaults, QStringLiteral("quaver-loom.tasks")).save(largeWorkspace(10000));
    AppPreferences preferences;
    preferences.hasCompletedOnboarding = true;
    UserDefaultsAppPreferencesStore(defaults, QStringLiteral("quaver-loom.preferences")).save(preferences);
}

int runDriver(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    QTemporaryDir configHome;
    writeRecords(configHome.path());
    QList<double> bareMs, appMs, bareRss, appRss;
    for (int i = 0; i < runs; ++i) {
        const auto bare = runChild(QStringLiteral("--bare"), configHome.path());
        const auto program = runChild(QStringLiteral("--app"), configHome.path());
        if (!bare || !program) {
            std::fprintf(stderr, "a child did not show its window\n");
            return 1;
        }
        bareMs << bare->shownMs;
        appMs << program->shownMs;
        bareRss << static_cast<double>(bare->rssKb);
        appRss << static_cast<double>(program->rssKb);
    }
    const double bareShown = median(bareMs), appShown = median(appMs);
    const double bareMb = median(bareRss) / 1024, appMb = median(appRss) / 1024;
    std::printf("Start-up to window shown (10,000 tasks, median of %d on %s): program %.0f ms, bare Qt window %.0f ms, "
                "ratio %.2f (goal < 3)\n",
                runs, qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb"))), appShown, bareShown,
                appShown / bareShown);
    std::printf("Resident memory after 1 s idle: program %.1f MB, bare Qt window %.1f MB, ratio %.2f (goal < 1.6)\n",
                appMb, bareMb, appMb / bareMb);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--bare")
        return runBare(argc, argv);
    if (mode == "--app")
        return runProgram(argc, argv);
    if (mode == "--record" && argc > 2) {
        QCoreApplication app(argc, argv);
        writeRecords(QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    return runDriver(argc, argv);
}
