// Onboarding playback figures: time from leaving the intro screen to the first
// video frame, the processor time a playing slide costs, and the size of the
// bundled videos. Run with QT_QPA_PLATFORM=offscreen or on a display.
#include "ControlPanel/ControlPanelOnboardingView.h"
#include "ControlPanel/LoopingOnboardingVideoView.h"
#include "ControlPanel/LoopingVideoPlayerController.h"
#include "ControlPanel/OnboardingAssetCatalog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {
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
} // namespace

int main(int argc, char** argv)
{
    // As the program sets them in main().
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    // Frames are converted on the processor, not through a software OpenGL context.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    const NotchTemplateConfiguration& configuration = NotchTemplateConfiguration::defaults();
    const auto& content = configuration.content;

    qint64 videoBytes = 0;
    for (const auto& slide : content.onboardingSlides)
        videoBytes += QFileInfo(OnboardingAssetCatalog::bundled().videoPath(slide.videoAssetName)).size();
    std::printf("Bundled slide videos: %d, %.1f KB together (goal < 4 MB)\n", int(content.onboardingSlides.size()),
                double(videoBytes) / 1024.0);

    ControlPanelOnboardingView view(configuration, content.onboardingSlides,
                                    content.onboardingCloseAccessibilityLabel, [] {});
    view.resize(1040, 760);
    view.show();
    runFor(300);

    QAbstractButton* start = nullptr;
    for (QAbstractButton* button : view.findChildren<QAbstractButton*>())
        if (button->accessibleName() == content.onboardingIntroButtonTitle)
            start = button;
    if (!start) {
        std::printf("no start button\n");
        return 1;
    }
    QElapsedTimer opening;
    opening.start();
    start->click();
    auto* video = qobject_cast<LoopingOnboardingVideoView*>(view.currentVideoArea());
    if (!video) {
        std::printf("the first slide shows no video\n");
        return 1;
    }
    {
        QEventLoop loop;
        QObject::connect(video->playerController(), &LoopingVideoPlayerController::frameChanged, &loop,
                         &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (video->playerController()->currentFrame().isNull()) {
        std::printf("no video frame within 5 s\n");
        return 1;
    }
    std::printf("First video frame after leaving the intro: %lld ms (goal <= 500 ms)\n",
                static_cast<long long>(opening.elapsed()));

    runFor(1000);
    const int seconds = 10;
    const double before = processSeconds();
    runFor(seconds * 1000);
    const double used = processSeconds() - before;
    std::printf("Playing a slide at %dx%d: %.1f %% of one core over %d s (goal < 25 %%)\n", view.width(),
                view.height(), 100.0 * used / seconds, seconds);
    return 0;
}
