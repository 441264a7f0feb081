#include "Overlay/NotchOverlayMetrics.h"
#include "Panel/ContentView.h"
#include "Support/ViewModelsFixture.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {
struct ContentFixture : ViewModelsFixture {
    double now = 1000;
    ContentView view{viewModel, session, nullptr, [this] { return now; }};

    explicit ContentFixture(bool reduceMotion = false)
    {
        const auto& configuration = NotchTemplateConfiguration::defaults();
        const auto label = [](const QString&, const NotchTemplateConfiguration::Font&) { return 40.0; };
        const ScreenInfo screen{{0, 0, 1920, 1080}, 0, std::nullopt, std::nullopt};
        view.setInputs({NotchOverlayMetrics::make(screen, configuration, label), configuration, reduceMotion});
        view.resize(646, 456);
        view.show();
    }
    // Lets the frame timer draw one frame at the clock's current reading.
    void nextFrame()
    {
        QSignalSpy frames(&view, &ContentView::visibleShapeChanged);
        EXPECT_TRUE(frames.wait(2000));
    }
};
} // namespace

TEST(ContentView, SurfaceSpringsOrEasesBetweenTheTwoSizesFromTheWallClock)
{
    ContentFixture f;
    QSignalSpy shapes(&f.view, &ContentView::visibleShapeChanged);
    QSignalSpy focusWanted(&f.view, &ContentView::keyboardFocusRequested);
    QSignalSpy focusReleased(&f.view, &ContentView::keyboardFocusReleased);
    EXPECT_EQ(f.view.surfaceRect(), QRectF(227, 34, 192, 32));

    f.viewModel.setExpanded(true);
    EXPECT_EQ(f.view.surfaceRect().width(), 192); // applied on the next turn, all at once
    f.view.syncNow();
    EXPECT_EQ(focusWanted.count(), 1); // expanding asks for the composer
    f.now += 0.05;
    EXPECT_EQ(f.view.surfaceRect().width(), 192) << "reading the state never advances it";
    f.nextFrame();
    const QRectF early = f.view.surfaceRect();
    EXPECT_GT(early.width(), 192);
    EXPECT_LT(early.width(), 554);
    EXPECT_EQ(shapes.last().at(0).value<QPainterPath>().boundingRect(), early) << "drawn and published alike";
    f.now += 0.265; // near the first peak of the damped spring: a small overshoot
    f.nextFrame();
    EXPECT_GT(f.view.surfaceRect().width(), 555);
    EXPECT_LT(f.view.surfaceRect().width(), 562);
    f.now += 3;
    f.nextFrame();
    EXPECT_EQ(f.view.surfaceRect(), QRectF(46, 34, 554, 388));
    EXPECT_DOUBLE_EQ(f.view.surfaceCornerRadius(), 26);
    EXPECT_FALSE(f.view.isAnimating());
    // The last frame published the final shape for the window's mask.
    EXPECT_EQ(shapes.last().at(0).value<QPainterPath>().boundingRect(), QRectF(46, 34, 554, 388));

    f.viewModel.setExpanded(false);
    f.view.syncNow();
    EXPECT_EQ(focusReleased.count(), 1);
    f.now += 3;
    f.nextFrame();
    EXPECT_EQ(f.view.surfaceRect(), QRectF(227, 34, 192, 32));
    // Changes that cancel out before the view syncs animate nothing.
    f.viewModel.setExpanded(true);
    f.viewModel.setExpanded(false);
    f.view.syncNow();
    EXPECT_FALSE(f.view.isAnimating());

    // Reduced motion eases out over the short duration: past half way at half time, never beyond.
    ContentFixture reduced(true);
    reduced.viewModel.setExpanded(true);
    reduced.view.syncNow();
    reduced.now += 0.06;
    reduced.nextFrame();
    EXPECT_GT(reduced.view.surfaceRect().width(), 192 + (554 - 192) * 0.5);
    EXPECT_LT(reduced.view.surfaceRect().width(), 554);
    reduced.now += 0.061;
    reduced.nextFrame();
    EXPECT_EQ(reduced.view.surfaceRect().width(), 554);
    // A hidden view jumps.
    reduced.view.hide();
    reduced.viewModel.setExpanded(false);
    reduced.view.syncNow();
    EXPECT_EQ(reduced.view.surfaceRect().width(), 192);
}
