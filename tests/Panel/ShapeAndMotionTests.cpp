#include "Panel/Motion.h"
#include "Panel/NotchBorderShape.h"
#include "Panel/NotchShape.h"

#include <QPainterPathStroker>
#include <QTest>
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

TEST(NotchShape, SquareTopQuadraticBottomAndCumulativeInsets)
{
    const QRectF rect(0, 0, 200, 40);
    const QPainterPath path = NotchShape{18, 0}.path(rect);
    EXPECT_TRUE(path.contains(QPointF(0.5, 0.5)));   // square top corners
    EXPECT_TRUE(path.contains(QPointF(199.5, 0.5)));
    EXPECT_FALSE(path.contains(QPointF(1, 39)));     // rounded bottom corners
    EXPECT_FALSE(path.contains(QPointF(199, 39)));
    EXPECT_TRUE(path.contains(QPointF(100, 39.5)));
    // Quadratic curves with the corner as control point (Qt stores them as cubics
    // whose controls lie two thirds of the way towards it).
    const auto p = points(path);
    for (QPointF expected : {QPointF(200, 22), QPointF(200, 34), QPointF(194, 40), QPointF(182, 40)})
        EXPECT_NE(std::find(p.begin(), p.end(), expected), p.end()) << expected.x() << "," << expected.y();

    // Shorter than twice the radius: the bottom curves meet in the middle of the bottom edge.
    const auto low = points(NotchShape{18, 0}.path(QRectF(0, 0, 30, 20)));
    EXPECT_NE(std::find(low.begin(), low.end(), QPointF(20, 20)), low.end());
    EXPECT_NE(std::find(low.begin(), low.end(), QPointF(10, 20)), low.end());
    EXPECT_NE(std::find(low.begin(), low.end(), QPointF(30, 10)), low.end());

    // Radius 0 is a plain rectangle.
    const QPainterPath square = NotchShape{0, 0}.path(rect);
    EXPECT_EQ(square.boundingRect(), rect);
    EXPECT_TRUE(square.contains(QPointF(0.2, 39.8)));
    EXPECT_TRUE(square.contains(QPointF(199.8, 39.8)));

    // Insets add up.
    const NotchShape twice = NotchShape{18, 0}.inset(2).inset(3);
    EXPECT_DOUBLE_EQ(twice.insetAmount, 5);
    EXPECT_DOUBLE_EQ(twice.cornerRadius, 18);
    EXPECT_EQ(points(twice.path(rect)), points(NotchShape{18, 0}.path(rect.adjusted(5, 5, -5, -5))));

    // An inset larger than the rectangle stays a harmless empty outline.
    const NotchShape tooDeep{18, 30};
    EXPECT_LE(tooDeep.path(QRectF(0, 0, 40, 40)).boundingRect().width(), 0);
}

TEST(NotchBorderShape, StrokeLeavesTheTopEdgeOpen)
{
    const QRectF rect(0, 0, 200, 40);
    const QPainterPath path = NotchBorderShape{18}.path(rect);
    const auto p = points(path);
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.front(), QPointF(200, 0));
    EXPECT_EQ(p.back(), QPointF(0, 0));
    QPainterPathStroker stroker;
    stroker.setWidth(2);
    stroker.setCapStyle(Qt::FlatCap);
    const QPainterPath stroke = stroker.createStroke(path);
    EXPECT_FALSE(stroke.contains(QPointF(100, 0.5)));
    EXPECT_TRUE(stroke.contains(QPointF(100, 39.5)));
    EXPECT_TRUE(stroke.contains(QPointF(199.5, 10)));
    EXPECT_TRUE(stroke.contains(QPointF(0.5, 10)));
}

TEST(Motion, CurvesAndSpringSteps)
{
    for (auto curve : {Motion::Curve::Linear, Motion::Curve::EaseIn, Motion::Curve::EaseOut, Motion::Curve::EaseInOut}) {
        EXPECT_NEAR(Motion::ease(curve, 0), 0, 1e-9);
        EXPECT_NEAR(Motion::ease(curve, 1), 1, 1e-9);
        double previous = 0;
        for (int i = 1; i <= 50; ++i) {
            const double value = Motion::ease(curve, i / 50.0);
            EXPECT_GE(value, previous - 1e-9);
            previous = value;
        }
    }
    EXPECT_GT(Motion::ease(Motion::Curve::EaseOut, 0.3), 0.3);
    EXPECT_LT(Motion::ease(Motion::Curve::EaseIn, 0.3), 0.3);
    EXPECT_NEAR(Motion::ease(Motion::Curve::EaseInOut, 0.5), 0.5, 1e-6);

    // Stepping in one go or in many frames gives the same path, for every damping regime.
    for (double damping : {0.3, 0.82, 1.0, 1.6}) {
        double x1 = 1, v1 = 0, x2 = 1, v2 = 0;
        Motion::stepSpring(0.36, damping, 0.3, x1, v1);
        for (int i = 0; i < 30; ++i)
            Motion::stepSpring(0.36, damping, 0.01, x2, v2);
        EXPECT_NEAR(x1, x2, 1e-9) << damping;
        EXPECT_NEAR(v1, v2, 1e-9) << damping;
        EXPECT_LT(std::abs(x1), 1) << damping;
    }
    // Under-damped springs overshoot a little, then settle.
    double x = 1, v = 0, lowest = 1;
    for (int i = 0; i < 100; ++i) {
        Motion::stepSpring(0.36, 0.82, 0.01, x, v);
        lowest = std::min(lowest, x);
    }
    EXPECT_LT(lowest, 0);
    EXPECT_GT(lowest, -0.05);
    EXPECT_NEAR(x, 0, 1e-3);
}

TEST(Motion, ValuesFollowTheClockAndStopMoving)
{
    Motion::Value spring(0);
    spring.setTarget(100, Motion::Animation::spring(0.36, 0.82), 10.0);
    EXPECT_TRUE(spring.isMoving());
    const double early = spring.value(10.05);
    EXPECT_GT(early, 0);
    EXPECT_LT(early, 100);
    // Retargeting mid-flight starts from where the value is, not from an end.
    spring.setTarget(0, Motion::Animation::spring(0.36, 0.82), 10.1);
    const double turned = spring.value(10.1);
    EXPECT_GT(turned, early);
    EXPECT_NEAR(spring.value(13), 0, 1e-9);
    EXPECT_FALSE(spring.isMoving());

    Motion::Value timed(0);
    timed.setTarget(10, Motion::Animation::timed(Motion::Curve::Linear, 0.12), 5.0);
    EXPECT_NEAR(timed.value(5.06), 5, 1e-9);
    EXPECT_EQ(timed.value(5.2), 10);
    EXPECT_FALSE(timed.isMoving());

    Motion::Value instant(3);
    instant.setTarget(7, Motion::Animation::immediate(), 1.0);
    EXPECT_FALSE(instant.isMoving());
    EXPECT_EQ(instant.value(1.0), 7);

    qputenv("QUAVERLOOM_REDUCE_MOTION", "1");
    EXPECT_TRUE(Motion::reduceMotionFromEnvironment());
    qputenv("QUAVERLOOM_REDUCE_MOTION", "0");
    EXPECT_FALSE(Motion::reduceMotionFromEnvironment());
    qunsetenv("QUAVERLOOM_REDUCE_MOTION");

    // The wall clock counts from 2001-01-01.
    EXPECT_GT(Motion::wallClock(), 700'000'000.0);
}

TEST(Motion, AnimatorTicksOnlyWhileSomethingMoves)
{
    int frames = 0;
    int remaining = 3;
    Motion::Animator animator([&] { ++frames; --remaining; }, [&] { return remaining > 0; });
    EXPECT_FALSE(animator.isRunning());
    animator.start();
    animator.start();
    EXPECT_TRUE(animator.isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!animator.isRunning(), 2000);
    EXPECT_EQ(frames, 3);
    QTest::qWait(60);
    EXPECT_EQ(frames, 3);
}
