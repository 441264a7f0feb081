// Onboarding playback figures: time from leaving the intro screen to the first
// video frame, the processor time a playing slide costs in the real
// control-panel window against a QVideoWidget playing the same video at the
// same size, the pixels repainted per video frame, and the size of the bundled
// videos. `make bench` runs it on a private X server (bench/startup.sh): the
// figures that matter come from a real window system, not the offscreen one.
#include "../ControlPanelBenchFixture.h"

#include "Workspace/AppSessionViewModel.h"
#include "Platform/InfoDictionary.h"
#include "App/LiveAppSupportRouter.h"
#include "ControlPanel/AppWindowCoordinator.h"
#include "ControlPanel/ControlPanelOnboardingView.h"
#include "ControlPanel/ControlPanelRootView.h"
#include "ControlPanel/ControlPanelWindow.h"
#include "ControlPanel/LoopingOnboardingVideoView.h"
#include "ControlPanel/LoopingVideoPlayerController.h"
#include "ControlPanel/OnboardingAssetCatalog.h"
#include "Platform/ApplicationShell.h"
#include "Platform/LocalCalendar.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QPaintEvent>
#include <QTimer>
#include <QUrl>
#include <QVideoWidget>
#include <cstdio>
#include <ctime>

namespace {
using namespace ControlPanelBench;

constexpr int measuredSeconds = 10;

double processSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Sleeps in the event loop, so only the program's own work is counted.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The share of one core the process uses while the event loop runs for the measured time.
double coreShareWhileRunning()
{
    const double before = processSeconds();
    runFor(measuredSeconds * 1000);
    return 100.0 * (processSeconds() - before) / measuredSeconds;
}

// A first launch: onboarding not done, so the window opens with the sequence over it.
class NewUserPreferencesStore final : public AppPreferencesStore {
public:
    AppPreferences load() override { return {}; }
    void save(const AppPreferences&) override {}
};

// Adds up the pixels every widget of a window is asked to repaint.
class RepaintCounter final : public QObject {
public:
    qint64 pixels = 0;

    void watch(QWidget* window)
    {
        window->installEventFilter(this);
        for (QWidget* child : window->findChildren<QWidget*>())
            child->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            for (const QRect& rect : static_cast<QPaintEvent*>(event)->region())
                pixels += qint64(rect.width()) * rect.height();
        }
        return false;
    }
};

QAbstractButton* buttonNamed(QWidget* root, const QString& name)
{
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
        if (button->accessibleName() == name && button->isVisible())
            return button;
    return nullptr;
}

bool waitForFrame(LoopingVideoPlayerController* controller)
{
    QEventLoop loop;
    QObject::connect(controller, &LoopingVideoPlayerController::frameChanged, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return !controller->currentFrame().isNull();
}

struct WindowFigures {
    qint64 firstFrameMs = 0;
    double coreShare = 0;
    double pixelsPerFrame = 0;
    QSize videoSize;
    QString videoFile;
};

// The onboarding's first slide playing in the control-panel window, as a first launch shows it.
std::optional<WindowFigures> measureRealWindow()
{
    const NotchTemplateConfiguration& configuration = NotchTemplateConfiguration::defaults();
    FixedTaskStore store(TaskWorkspaceState::defaultState());
    IdleSortingService sorting;
    NewUserPreferencesStore preferencesStore;
    LiveAppSupportRouter appSupportRouter;
    NoSettings router;
    InfoDictionary info;
    LocalCalendar calendar;
    ApplicationShell shell;
    NotchTaskViewModel taskViewModel(store, sorting, SystemClock::shared());
    AppSessionViewModel session(preferencesStore, appSupportRouter);
    AppWindowCoordinator coordinator(configuration, taskViewModel, session,
                                     AppWindowCoordinator::Environment{
                                         shell, {SystemClock::shared(), calendar, router, info, nullptr, nullptr},
                                         nullptr, false, {}});
    ControlPanelWindow* window = coordinator.controlPanelWindow();
    if (!window) {
        std::printf("the first launch opened no window\n");
        return std::nullopt;
    }
    runFor(500);
    auto* onboarding = qobject_cast<ControlPanelOnboardingView*>(window->rootView()->modalContent());
    QAbstractButton* start = onboarding ? buttonNamed(onboarding, configuration.content.onboardingIntroButtonTitle)
                                        : nullptr;
    if (!start) {
        std::printf("the window shows no onboarding start button\n");
        return std::nullopt;
    }
    WindowFigures figures;
    QElapsedTimer opening;
    opening.start();
    start->click();
    auto* video = qobject_cast<LoopingOnboardingVideoView*>(onboarding->currentVideoArea());
    if (!video) {
        std::printf("the first slide shows no video\n");
        return std::nullopt;
    }
    if (!waitForFrame(video->playerController())) {
        std::printf("no video frame within 5 s\n");
        return std::nullopt;
    }
    figures.firstFrameMs = opening.elapsed();
    figures.videoSize = video->size();
    figures.videoFile = video->playerController()->player()->source().toLocalFile();
    // Past the intro's fade, then as a person watching the slide sees it.
    runFor(1000);
    RepaintCounter repaints;
    repaints.watch(window);
    int frames = 0;
    QObject::connect(video->playerController(), &LoopingVideoPlayerController::frameChanged, &repaints,
                     [&frames] { ++frames; });
    figures.coreShare = coreShareWhileRunning();
    figures.pixelsPerFrame = frames > 0 ? double(repaints.pixels) / frames : 0;
    return figures;
}

// What the platform's own video widget costs for the same file at the same size.
double measureVideoWidget(const QString& file, const QSize& size)
{
    QVideoWidget widget;
    widget.resize(size);
    widget.setAspectRatioMode(Qt::KeepAspectRatioByExpanding);
    QMediaPlayer player;
    player.setVideoOutput(&widget);
    player.setLoops(QMediaPlayer::Infinite);
    player.setSource(QUrl::fromLocalFile(file));
    widget.show();
    player.play();
    runFor(1500);
    const double share = coreShareWhileRunning();
    player.stop();
    return share;
}
} // namespace

int main(int argc, char** argv)
{
    // As the program sets them in main().
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    // Frames are converted on the processor, not through a software OpenGL context.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    const auto& content = NotchTemplateConfiguration::defaults().content;

    qint64 videoBytes = 0;
    for (const auto& slide : content.onboardingSlides)
        videoBytes += QFileInfo(OnboardingAssetCatalog::bundled().videoPath(slide.videoAssetName)).size();
    std::printf("Bundled slide videos: %d, %.1f KB together (goal < 4 MB)\n", int(content.onboardingSlides.size()),
                double(videoBytes) / 1024.0);

    const std::optional<WindowFigures> window = measureRealWindow();
    if (!window)
        return 1;
    std::printf("First video frame after leaving the intro: %lld ms (goal <= 500 ms)\n",
                static_cast<long long>(window->firstFrameMs));
    std::printf("Playing slide 1 in the control-panel window (%s), video area %dx%d, over %d s:\n",
                qPrintable(QGuiApplication::platformName()), window->videoSize.width(), window->videoSize.height(),
                measuredSeconds);
    std::printf("  repainted per video frame: %.2f Mpx (the video area: %.2f Mpx)\n", window->pixelsPerFrame / 1e6,
                double(window->videoSize.width()) * window->videoSize.height() / 1e6);
    std::printf("  control-panel window: %.1f %% of one core\n", window->coreShare);
    if (window->videoFile.isEmpty()) {
        std::printf("  QVideoWidget baseline: skipped, the video does not play from a file\n");
        return 0;
    }
    const double baseline = measureVideoWidget(window->videoFile, window->videoSize);
    std::printf("  QVideoWidget, same video and size: %.1f %% of one core\n", baseline);
    std::printf("  ratio: %.2fx (goal < 1.3x)\n", baseline > 0 ? window->coreShare / baseline : 0.0);
    return 0;
}
