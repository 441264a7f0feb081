#include "UI/Motion.h"
#include "Panel/NotchBorderShape.h"
#include "Panel/NotchShape.h"
#include "Panel/SortingGlowPhase.h"
#include "Support/EventLoopWait.h"

#include <QDateTime>
#include <algorithm>
#include <limits>
#include <gtest/gtest.h>

namespace {
std::vector<QPointF> points(const QPainterPath& path)
{
    std::vector<QPointF> result;
    for (int i = 0; i < path.elementCount(); ++i)
        result.push_back(path.elementAt(i));
    return result;
}
} // namespace

TEST(NotchShape, SquareTopRoundedBottomInsetsAndOpenBorder)
{
    const QRectF rect(0, 0, 200, 40);
    const QPainterPath path = NotchShape{18, 0}.path(rect);
    for (const auto& [point, inside] : std::vector<std::pair<QPointF, bool>>{
             {{0.5, 0.5}, true}, {{199.5, 0.5}, true}, {{1, 39}, false}, {{199, 39}, false}, {{100, 39.5}, true}})
        EXPECT_EQ(path.contains(point), inside) << point.x() << "," << point.y();
    // Shorter than twice the radius: the bottom curves meet in the middle of the bottom edge.
    EXPECT_EQ(std::ranges::count(points(NotchShape{18, 0}.path(QRectF(0, 0, 30, 20))), QPointF(30, 10)), 1);

    // Insets add up, and one larger than the rectangle leaves nothing to draw.
    EXPECT_EQ(points(NotchShape{18, 0}.inset(2).inset(3).path(rect)),
              points(NotchShape{18, 0}.path(rect.adjusted(5, 5, -5, -5))));
    EXPECT_TRUE((NotchShape{18, 30}.path(QRectF(0, 0, 40, 40)).isEmpty()));

    // The border runs down, along the bottom and up again, leaving the top edge open.
    const auto border = points(NotchBorderShape{18}.path(rect));
    ASSERT_FALSE(border.empty());
    EXPECT_EQ(border.front(), QPointF(200, 0));
    EXPECT_EQ(border.back(), QPointF(0, 0));
}

TEST(Motion, CurvesAndSpringSteps)
{
    for (auto curve : {Motion::Curve::Linear, Motion::Curve::EaseIn, Motion::Curve::EaseOut, Motion::Curve::EaseInOut}) {
        double previous = Motion::ease(curve, 0);
        EXPECT_NEAR(previous, 0, 1e-9);
        for (int i = 1; i <= 50; ++i) {
            const double value = Motion::ease(curve, i / 50.0);
            EXPECT_GE(value, previous - 1e-9);
            previous = value;
        }
        EXPECT_NEAR(previous, 1, 1e-9);
    }
    EXPECT_GT(Motion::ease(Motion::Curve::EaseOut, 0.3), 0.3);
    EXPECT_LT(Motion::ease(Motion::Curve::EaseIn, 0.3), 0.3);

    // One step or many frames give the same path, in every damping regime, and the spring settles.
    for (double damping : {0.3, 0.82, 1.0, 1.6}) {
        double x1 = 1, v1 = 0, x2 = 1, v2 = 0;
        Motion::stepSpring(0.36, damping, 0.3, x1, v1);
        for (int i = 0; i < 30; ++i)
            Motion::stepSpring(0.36, damping, 0.01, x2, v2);
        EXPECT_NEAR(x1, x2, 1e-9) << damping;
        EXPECT_NEAR(v1, v2, 1e-9) << damping;
        EXPECT_LT(std::abs(x1), 1) << damping;
    }
}

TEST(Motion, AClockSteppingBackHoldsNoAnimationStill)
{
    // Both kinds carry on from where they stood when the clock jumps back an hour.
    Motion::Value timed(0);
    timed.setTarget(100, Motion::Animation::timed(Motion::Curve::Linear, 1), 5000);
    const double before = timed.value(5000.5);
    EXPECT_NEAR(timed.value(1400.5), before, 1e-9);
    EXPECT_NEAR(timed.value(1400.75), 75, 1e-6);
    EXPECT_EQ(timed.value(1401.01), 100);
    EXPECT_FALSE(timed.isMoving());

    Motion::Value spring(0);
    spring.setTarget(100, Motion::Animation::spring(0.36, 1), 5000);
    const double sprung = spring.value(5000.1);
    EXPECT_NEAR(spring.value(1400.1), sprung, 1e-9);
    EXPECT_NEAR(spring.value(1403), 100, 1e-9);
    EXPECT_FALSE(spring.isMoving());

    // Animations advance on a clock that never goes back.
    double previous = Motion::animationClock();
    for (int i = 0; i < 1000; ++i) {
        const double now = Motion::animationClock();
        ASSERT_GE(now, previous);
        previous = now;
    }
}

TEST(Motion, ValuesAndFramesFollowTheClockAndStop)
{
    Motion::Value spring(0);
    spring.setTarget(100, Motion::Animation::spring(0.36, 0.82), 10.0);
    const double early = spring.value(10.05);
    EXPECT_GT(early, 0);
    EXPECT_LT(early, 100);
    // Retargeting mid-flight starts from where the value is, not from an end.
    spring.setTarget(0, Motion::Animation::spring(0.36, 0.82), 10.1);
    EXPECT_GT(spring.value(10.1), early);
    EXPECT_NEAR(spring.value(13), 0, 1e-9);
    EXPECT_FALSE(spring.isMoving());

    qputenv("QUAVERLOOM_REDUCE_MOTION", "1");
    EXPECT_TRUE(Motion::reduceMotionFromEnvironment());
    qputenv("QUAVERLOOM_REDUCE_MOTION", "0");
    EXPECT_FALSE(Motion::reduceMotionFromEnvironment());
    qunsetenv("QUAVERLOOM_REDUCE_MOTION");

    // The wall clock counts from 2001-01-01.
    EXPECT_NEAR(Motion::wallClock(), double(QDateTime::currentSecsSinceEpoch() - 978307200), 2);

    // The frame timer ticks only while something moves.
    int frames = 0;
    Motion::Animator animator([&] { ++frames; }, [&] { return frames < 3; });
    animator.start();
    animator.start();
    EXPECT_TRUE(animator.isRunning());
    EXPECT_TRUE(waitUntil([&] { return !animator.isRunning(); }, 2000));
    runEventLoopFor(60);
    EXPECT_EQ(frames, 3);
}

TEST(SortingGlowPhase, AnglesAndBreathingFollowTheWallClockAndSurviveBadDurations)
{
    using Config = NotchTemplateConfiguration;
    const Config defaults = Config::defaults();
    const auto with = [&](double rotation, double breathing) {
        Config configuration = defaults;
        configuration.interaction.aiGlowRotationDuration = rotation;
        configuration.interaction.aiGlowBreathingDuration = breathing;
        return configuration;
    };
    struct Case {
        const char* name;
        Config configuration;
        double t;
        bool reduceMotion;
        SortingGlowPhase expected;
    };
    const double quarterScale = 1.0144069361467962;
    const Case cases[] = {
        {"start of a turn", defaults, 0, false, {0, 42, 1}},
        {"a quarter turn", defaults, 2.125, false, {90, 132, quarterScale}},
        {"half way is the remainder's edge", defaults, 4.25, false, {180, 222, 0.9782239282786195}},
        {"past half way runs negative", defaults, 6.375, false, {-90, -48, 2 - quarterScale}},
        {"a million turns later", defaults, 8.5 * 1e6 + 2.125, false, {90, 132, quarterScale}},
        {"reduce motion is a still picture", defaults, 2.125, true, {57.6, 99.6, 1}},
        {"no rotation period turns every 0.01 s", with(0, 5.5), 0.0025, false, {90, 132, 1}},
        {"a negative period still turns every 0.01 s", with(-3, 5.5), 0.0025, false, {90, 132, 0.9833735093642063}},
        {"no breathing period keeps the halo still", with(8.5, 0), 2.125, false, {90, 132, 1}},
        {"negative breathing period too", with(8.5, -2), 2.125, false, {90, 132, 1}},
    };
    for (const Case& c : cases) {
        const SortingGlowPhase phase = SortingGlowPhase::at(c.t, c.configuration, c.reduceMotion);
        EXPECT_NEAR(phase.edgeAngle, c.expected.edgeAngle, 1e-6) << c.name;
        EXPECT_NEAR(phase.haloAngle, c.expected.haloAngle, 1e-6) << c.name;
        EXPECT_NEAR(phase.haloScale, c.expected.haloScale, 1e-9) << c.name;
    }
    // With the defaults the halo breathes between 0.978 and 1.022.
    for (double t = 0; t < 20; t += 0.05) {
        const double scale = SortingGlowPhase::at(t, defaults, false).haloScale;
        EXPECT_GE(scale, 0.978 - 1e-12);
        EXPECT_LE(scale, 1.022 + 1e-12);
    }

    Config broken = defaults;
    broken.layout.aiGlowHaloBlurRadius = -18;
    broken.layout.aiGlowEdgeLineWidth = -1;
    broken.layout.aiGlowBorderLineWidth = std::numeric_limits<double>::quiet_NaN();
    const SortingGlowLengths lengths = SortingGlowLengths::from(broken.layout);
    EXPECT_EQ(lengths.haloBlurRadius, 0);
    EXPECT_EQ(lengths.edgeLineWidth, 0);
    EXPECT_EQ(lengths.borderLineWidth, 0);
    EXPECT_EQ(lengths.haloLineWidth, 12);
}
