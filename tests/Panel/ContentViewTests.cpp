#include "App/AppSessionViewModel.h"
#include "App/LiveAppSupportRouter.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Overlay/NotchOverlayMetrics.h"
#include "Panel/ContentView.h"
#include "Support/FakeTaskSortingService.h"
#include "Support/InMemoryTaskStore.h"
#include "Support/ManualClock.h"
#include "Support/MemoryUserDefaults.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {
struct ContentFixture {
    MemoryUserDefaults defaults;
    InMemoryTaskStore taskStore;
    FakeTaskSortingService sorting;
    ManualClock clock;
    NotchTaskViewModel viewModel{taskStore, sorting, clock};
    UserDefaultsAppPreferencesStore preferencesStore{defaults, QStringLiteral("quaver-loom.preferences")};
    LiveAppSupportRouter router;
    AppSessionViewModel session{preferencesStore, router};
    double now = 1000;
    ContentView view{viewModel, session, nullptr, [this] { return now; }};

    explicit ContentFixture(bool reduceMotion = false)
    {
        const auto& configuration = NotchTemplateConfiguration::defaults();
        const auto metrics = NotchOverlayMetrics::make(ScreenInfo{{0, 0, 1920, 1080}, 0, std::nullopt, std::nullopt},
                                                       configuration,
                                                       [](const QString&, const NotchTemplateConfiguration::Font&) {
                                                           return 40.0;
                                                       });
        view.setInputs({metrics, configuration, reduceMotion});
        view.resize(646, 456);
        view.show();
    }
};
} // namespace

TEST(ContentView, SurfaceSpringsBetweenTheTwoSizesFromTheWallClock)
{
    ContentFixture f;
    QSignalSpy shapes(&f.view, &ContentView::visibleShapeChanged);
    QSignalSpy focusWanted(&f.view, &ContentView::keyboardFocusRequested);
    QSignalSpy focusReleased(&f.view, &ContentView::keyboardFocusReleased);
    EXPECT_EQ(f.view.surfaceRect(), QRectF(227, 34, 192, 32));
    EXPECT_DOUBLE_EQ(f.view.surfaceCornerRadius(), 18);
    EXPECT_FALSE(f.view.isAnimating());

    f.viewModel.setExpanded(true);
    EXPECT_EQ(f.view.surfaceRect().width(), 192); // applied on the next turn, all at once
    f.view.syncNow();
    EXPECT_EQ(focusWanted.count(), 1); // expanding asks for the composer
    EXPECT_TRUE(f.view.isAnimating());
    f.now += 0.05;
    const QRectF early = f.view.surfaceRect();
    EXPECT_GT(early.width(), 192);
    EXPECT_LT(early.width(), 554);
    EXPECT_DOUBLE_EQ(early.top(), 34); // always hangs from the screen's top edge
    EXPECT_NEAR(early.center().x(), 323, 1e-9);
    f.now += 0.265; // near the first peak of the damped spring: a small overshoot
    EXPECT_GT(f.view.surfaceRect().width(), 555);
    EXPECT_LT(f.view.surfaceRect().width(), 562);
    f.now += 3;
    EXPECT_EQ(f.view.surfaceRect(), QRectF(46, 34, 554, 388));
    EXPECT_DOUBLE_EQ(f.view.surfaceCornerRadius(), 26);
    EXPECT_FALSE(f.view.isAnimating());
    EXPECT_EQ(f.view.visibleShape().boundingRect(), QRectF(46, 34, 554, 388));
    // The frame timer publishes the final shape for the window's mask, then stops.
    QTest::qWait(50);
    ASSERT_FALSE(shapes.isEmpty());
    EXPECT_EQ(shapes.last().at(0).value<QPainterPath>().boundingRect(), QRectF(46, 34, 554, 388));

    f.viewModel.setExpanded(false);
    f.view.syncNow();
    EXPECT_EQ(focusReleased.count(), 1);
    f.now += 3;
    EXPECT_EQ(f.view.surfaceRect(), QRectF(227, 34, 192, 32));
    QTest::qWait(50);
    EXPECT_EQ(shapes.last().at(0).value<QPainterPath>().boundingRect(), QRectF(227, 34, 192, 32));

    // Changes that cancel out before the view syncs animate nothing.
    f.viewModel.setExpanded(true);
    f.viewModel.setExpanded(false);
    f.view.syncNow();
    EXPECT_FALSE(f.view.isAnimating());
}

TEST(ContentView, ReducedMotionEasesOutOverTheShortDurationAndHiddenViewsJump)
{
    ContentFixture f(true);
    f.viewModel.setExpanded(true);
    f.view.syncNow();
    f.now += 0.06; // half of reducedMotionDuration: ease-out is past half way, and never overshoots
    const double width = f.view.surfaceRect().width();
    EXPECT_GT(width, 192 + (554 - 192) * 0.5);
    EXPECT_LT(width, 554);
    f.now += 0.061;
    EXPECT_EQ(f.view.surfaceRect().width(), 554);
    EXPECT_FALSE(f.view.isAnimating());

    f.view.hide();
    f.viewModel.setExpanded(false);
    f.view.syncNow();
    EXPECT_FALSE(f.view.isAnimating());
    EXPECT_EQ(f.view.surfaceRect().width(), 192);
}
