#include "Reminders/TaskReminderFlightGeometry.h"

#include <gtest/gtest.h>

using Geometry = TaskReminderFlightGeometry;

namespace {
const NotchTemplateConfiguration& defaults()
{
    return NotchTemplateConfiguration::defaults();
}
} // namespace

TEST(TaskReminderFlightGeometry, GroupStartsAndEndsFullyOffScreen)
{
    struct Case {
        double flagWidth;
        double groupWidth;
    } cases[] = {{0, 112 + 18 + 196}, {150, 112 + 18 + 196}, {400, 112 + 18 + 400}};
    for (const Case& c : cases) {
        const auto layout = Geometry::layout(defaults(), 1920, 1080, c.flagWidth);
        EXPECT_EQ(layout.groupWidth, c.groupWidth) << c.flagWidth;
        EXPECT_EQ(layout.startX, -c.groupWidth - 140) << c.flagWidth;
        EXPECT_EQ(layout.endX, 1920 + 140);
        EXPECT_EQ(layout.centreY, 540);
        EXPECT_EQ(layout.groupHeight, 88);
    }
}

TEST(TaskReminderFlightGeometry, PositionIsLinearInTimeAndClamped)
{
    const auto layout = Geometry::layout(defaults(), 1000, 600, 0); // from -466 to 1140
    const double start = 1000;
    struct Case {
        std::optional<double> flightStart;
        double duration;
        double now;
        double x;
    } cases[] = {
        {std::nullopt, 10, 1005, -466}, {start, 10, 999, -466}, {start, 10, 1000, -466},
        {start, 10, 1005, 337},         {start, 10, 1010, 1140}, {start, 10, 2000, 1140},
        {start, 0, 1000, 1140},         {start, -1, 900, 1140},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(Geometry::x(layout, c.flightStart, c.duration, c.now), c.x) << c.now << " " << c.duration;
    EXPECT_DOUBLE_EQ(Geometry::completionDelay(11.8), 11.93);
    EXPECT_DOUBLE_EQ(Geometry::completionDelay(0), 0.13);
    EXPECT_EQ(Geometry::duration(defaults(), true), 6.8);
}

TEST(TaskReminderFlightGeometry, BobAndRockFollowTheWallClockOnlyWhileFlying)
{
    EXPECT_NEAR(Geometry::bob(defaults(), false, true, 2.6 / 4), 1.2, 1e-12);
    EXPECT_NEAR(Geometry::jiggle(defaults(), false, true, 1.8 * 1000 + 1.8 / 4), 0.35, 1e-9);
    EXPECT_EQ(Geometry::bob(defaults(), true, true, 0.65), 0);
    EXPECT_EQ(Geometry::jiggle(defaults(), false, false, 0.45), 0);
    NotchTemplateConfiguration still = defaults();
    still.interaction.reminderFlightGroupBobPeriod = 0;
    EXPECT_EQ(Geometry::bob(still, false, true, 0.65), 0);
}

TEST(TaskReminderFlightGeometry, SpriteFrameFollowsTheWallClock)
{
    struct Case {
        double now;
        bool reduceMotion;
        int frame;
    } cases[] = {
        {0, false, 0},          {1.0 / 24 + 1e-9, false, 1}, {0.5, false, 0},  {0.49, false, 11},
        {0.49, true, 0},        {8e9, false, 0},              {-1.0 / 24, false, 11},
        {1e300, false, 0},      {std::numeric_limits<double>::quiet_NaN(), false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Geometry::spriteFrameIndex(c.now, 24, c.reduceMotion), c.frame) << c.now;
    // Far beyond 32 bits of frames: 800000001.5 s at 24 per second is 19200000036 frames.
    EXPECT_EQ(Geometry::spriteFrameIndex(800000001.5, 24, false), int(19200000036LL % 12));
}

TEST(TaskReminderFlightGeometry, FramesFallDueEvenlyOverOneSecondAndTheClothKeepsItsOwnRate)
{
    // One simulated second of frames, each drawn when a whole-millisecond timer
    // fires, up to a few milliseconds late: the frames still show the moments
    // they are due, an even interval apart, neither drifting nor repeating.
    struct Case {
        double interval;
        int framesPerClothStep; // the cloth moves on at 60 a second at most
    } cases[] = {{1.0 / 60, 1}, {1.0 / 120, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        const double start = 812345678.123; // any wall-clock moment
        double now = start;
        QList<double> shown;
        unsigned lateness = 7;
        while (now < start + 1) {
            shown.append(Geometry::frameDue(now, c.interval));
            const int wait = Geometry::millisecondsUntil(now, shown.last() + c.interval);
            lateness = lateness * 1103515245u + 12345u; // 0 to 3 ms late, by turns
            now += wait / 1000.0 + (lateness >> 16) % 4 / 1000.0;
            ASSERT_GE(now, shown.last() + c.interval) << "no timer fires before the frame is due";
        }
        EXPECT_NEAR(shown.size(), 1 / c.interval, 1);
        int clothSteps = 0, stillFrames = 0;
        for (qsizetype i = 1; i < shown.size(); ++i) {
            ASSERT_NEAR(shown[i] - shown[i - 1], c.interval, 1e-6) << "frame " << i;
            const double step = Geometry::quantised(shown[i], 60) - Geometry::quantised(shown[i - 1], 60);
            if (step < 1e-6) {
                ++stillFrames;
                continue;
            }
            EXPECT_NEAR(step, 1.0 / 60, 1e-6) << "the cloth never skips a step, frame " << i;
            ++clothSteps;
        }
        EXPECT_NEAR(shown.last() - shown.first(), (shown.size() - 1) * c.interval, 1e-6) << "no drift";
        EXPECT_NEAR(clothSteps, (shown.size() - 1) / c.framesPerClothStep, 1);
        EXPECT_NEAR(stillFrames, (shown.size() - 1) * (c.framesPerClothStep - 1) / c.framesPerClothStep, 1);
    }
    // Whatever the lateness, a frame is never drawn for a moment already shown.
    EXPECT_EQ(Geometry::frameDue(100.0 / 60 + 0.001, 1.0 / 60), Geometry::frameDue(100.0 / 60 + 0.015, 1.0 / 60));
    EXPECT_EQ(Geometry::millisecondsUntil(10, 10.0161), 17);
    EXPECT_EQ(Geometry::millisecondsUntil(10, 9.99), 0) << "a frame already due is drawn at once";
}

TEST(TaskReminderFlightGeometry, SheetIsCutIntoTwelveEqualFrames)
{
    const auto rects = Geometry::spriteFrameRects(12 * 224 + 11, 124);
    ASSERT_EQ(rects.size(), 12);
    EXPECT_EQ(rects.first(), QRect(0, 0, 224, 124));
    EXPECT_EQ(rects.last(), QRect(11 * 224, 0, 224, 124)) << "the odd columns on the right are dropped";
    EXPECT_TRUE(Geometry::spriteFrameRects(11, 124).isEmpty());
    EXPECT_TRUE(Geometry::spriteFrameRects(240, 0).isEmpty());
}

TEST(TaskReminderFlightGeometry, ClothWidthFitsTheTextBetweenTheBounds)
{
    EXPECT_EQ(Geometry::clothWidth(defaults(), 20), 196);
    EXPECT_EQ(Geometry::clothWidth(defaults(), 1000), 1060) << "no upper bound by default";
    NotchTemplateConfiguration capped = defaults();
    capped.layout.reminderFlightFlagMaxWidth = 500;
    EXPECT_EQ(Geometry::clothWidth(capped, 1000), 500);
}

TEST(TaskReminderFlightGeometry, ClothOutlineWavesAtTheFreeEndAndMirrorsBySide)
{
    const auto still = Geometry::clothOutline(200, 80, 0, Geometry::AttachmentSide::leading, 0, 1.2, 1.35);
    ASSERT_EQ(still.size(), 55);
    EXPECT_EQ(still[0], QPointF(0, 8));
    EXPECT_EQ(still[25], QPointF(180, 8)) << "the point is 20 deep at most";
    EXPECT_EQ(still[27], QPointF(200, 40)) << "the tip, halfway down";
    EXPECT_EQ(still[29], QPointF(180, 80 - 12));
    EXPECT_EQ(still[54], QPointF(0, 72));

    const double phase = 0.7;
    const auto leading = Geometry::clothOutline(300, 80, phase, Geometry::AttachmentSide::leading, 4.2, 1.2, 1.35);
    const auto trailing = Geometry::clothOutline(300, 80, phase, Geometry::AttachmentSide::trailing, 4.2, 1.2, 1.35);
    ASSERT_EQ(trailing.size(), 55);
    for (int i = 0; i < 55; ++i) {
        EXPECT_DOUBLE_EQ(trailing[i].x(), 300 - leading[i].x()) << i;
        EXPECT_DOUBLE_EQ(trailing[i].y(), leading[i].y()) << i;
    }
    EXPECT_EQ(leading[1].y(), 8) << "no motion at the pole";
    EXPECT_GT(std::abs(leading[25].y() - 8), 1) << "the free end moves";
}

TEST(TaskReminderFlightGeometry, ScreenChoiceKeepsLeftAndBottomEdges)
{
    // Two screens side by side in bottom-left coordinates; the second is the main one.
    const QList<Rect> frames{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    struct Case {
        Point pointer;
        std::optional<qsizetype> index;
    } cases[] = {
        {{100, 100}, 0}, {{1920, 500}, 1}, {{1919.5, 500}, 0}, {{500, 0}, 0},
        {{500, 1080}, 1} /* top edge: outside, so the main screen */, {{3200, 10}, 1}, {{-5, -5}, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Geometry::screenIndex(frames, c.pointer, 1), c.index) << c.pointer.x << "," << c.pointer.y;
    EXPECT_EQ(Geometry::screenIndex(frames, {-5, -5}, std::nullopt), 0);
    EXPECT_EQ(Geometry::screenIndex({}, {0, 0}, std::nullopt), std::nullopt);
}
