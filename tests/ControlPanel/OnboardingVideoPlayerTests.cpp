#include "ControlPanel/LoopingOnboardingVideoView.h"
#include "ControlPanel/LoopingVideoPlayerController.h"
#include "ControlPanel/OnboardingAssetCatalog.h"
#include "Support/EventLoopWait.h"
#include "Support/LogCapture.h"

#include <QFile>
#include <QMediaPlayer>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// The media backend is chosen once per process, by the first player any test
// makes; as the program does at start, it is GStreamer, the backend that loops.
class GStreamerBackend : public testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
            qputenv("QT_MEDIA_BACKEND", "gstreamer");
    }
};
[[maybe_unused]] testing::Environment* const gstreamerBackend =
    testing::AddGlobalTestEnvironment(new GStreamerBackend);

class OnboardingVideoPlayer : public testing::Test {
protected:

    static OnboardingVideoSource bundledSlide(bool fromMemory)
    {
        const OnboardingAssetCatalog& catalog = OnboardingAssetCatalog::bundled();
        if (fromMemory)
            return {{}, catalog.videoData(QStringLiteral("slide 1 ready v1")).value_or(QByteArray())};
        return {catalog.videoPath(QStringLiteral("slide 1 ready v1")), {}};
    }

    // Plays until the position wraps back to the start; counts the frames on the way.
    static void expectFramesAndLoopWrap(const OnboardingVideoSource& source)
    {
        LoopingVideoPlayerController controller(source);
        if (!controller.player()->isAvailable())
            GTEST_SKIP() << "no media backend here";
        int frames = 0;
        qint64 furthest = 0;
        bool wrapped = false;
        QObject::connect(&controller, &LoopingVideoPlayerController::frameChanged, [&] { ++frames; });
        QObject::connect(controller.player(), &QMediaPlayer::positionChanged, [&](qint64 position) {
            if (furthest > 1000 && position < furthest / 2)
                wrapped = true;
            furthest = std::max(furthest, position);
        });
        controller.play();
        ASSERT_TRUE(waitUntil([&] { return frames >= 3 || controller.hasFailed(); }, 5000)) << "no frames arrived";
        ASSERT_FALSE(controller.hasFailed());
        EXPECT_FALSE(controller.currentFrame().isNull());
        const qint64 duration = controller.player()->duration();
        EXPECT_GT(duration, 1000);
        EXPECT_TRUE(waitUntil([&] { return wrapped || controller.hasFailed(); }, int(duration) + 5000))
            << "the video did not loop; furthest position " << furthest;
        const int framesAtWrap = frames;
        EXPECT_TRUE(waitUntil([&] { return frames > framesAtWrap + 3; }, 3000)) << "frames stopped after the loop";
        EXPECT_FALSE(controller.hasFailed());
        EXPECT_EQ(controller.player()->audioOutput(), nullptr);
    }
};

TEST_F(OnboardingVideoPlayer, PlaysFramesAndLoopsFromTheCacheFile)
{
    const OnboardingVideoSource source = bundledSlide(false);
    ASSERT_TRUE(source.isFile());
    // The player reads real files only; copy the resource out as the cache does.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("slide.mp4"));
    ASSERT_TRUE(QFile::copy(source.filePath, path));
    expectFramesAndLoopWrap({path, {}});
}

TEST_F(OnboardingVideoPlayer, PlaysFramesAndLoopsFromMemory)
{
    const OnboardingVideoSource source = bundledSlide(true);
    ASSERT_FALSE(source.data.isEmpty());
    expectFramesAndLoopWrap(source);
}

TEST_F(OnboardingVideoPlayer, UndecodableVideoIsLoggedAndShownAsMissing)
{
    LogCapture log;
    LoopingOnboardingVideoView view({{}, QByteArray("this is not a video, only some bytes", 36).repeated(64)});
    view.resize(400, 300);
    view.show();
    if (!view.playerController()->player()->isAvailable())
        GTEST_SKIP() << "no media backend here";
    ASSERT_TRUE(waitUntil([&] { return view.isShowingPlaceholder(); }, 5000));
    EXPECT_TRUE(view.playerController()->hasFailed());
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines().first().startsWith("QuaverLoom.LoopingVideoPlayerController: Onboarding video playback failed"))
        << log.lines().first().toStdString();
}

TEST_F(OnboardingVideoPlayer, PlaysWhileShownAndPausesWhenHidden)
{
    LoopingOnboardingVideoView view(bundledSlide(true));
    QMediaPlayer* player = view.playerController()->player();
    if (!player->isAvailable())
        GTEST_SKIP() << "no media backend here";
    view.resize(400, 300);
    view.show();
    EXPECT_EQ(player->playbackState(), QMediaPlayer::PlayingState);
    ASSERT_TRUE(waitUntil([&] { return !view.playerController()->currentFrame().isNull(); }, 5000));
    view.hide();
    EXPECT_EQ(player->playbackState(), QMediaPlayer::PausedState);
    view.show();
    EXPECT_EQ(player->playbackState(), QMediaPlayer::PlayingState);
}

TEST_F(OnboardingVideoPlayer, KeepsPlayingWhenEachFrameTakesLongToShow)
{
    // A busy machine: every frame costs the GUI thread half a second, longer
    // than the sink's streaming thread waits on a frame it has handed over.
    LoopingVideoPlayerController controller(bundledSlide(true));
    if (!controller.player()->isAvailable())
        GTEST_SKIP() << "no media backend here";
    int frames = 0;
    QObject::connect(&controller, &LoopingVideoPlayerController::frameChanged, [&] {
        ++frames;
        QThread::msleep(500);
    });
    controller.play();
    EXPECT_TRUE(waitUntil([&] { return frames >= 6 || controller.hasFailed(); }, 15000)) << frames << " frames";
    EXPECT_FALSE(controller.hasFailed());
}

} // namespace
