#include "ControlPanel/OnboardingPager.h"

#include <gtest/gtest.h>

namespace {

using Direction = OnboardingPager::SlideDirection;

OnboardingPager pagerAt(int count, int index)
{
    OnboardingPager pager(count);
    pager.start();
    for (int i = 0; i < index; ++i)
        pager.showNextSlide();
    return pager;
}

TEST(OnboardingPager, DragEndsStepOnlyWhenHorizontalAndBeyondTheThreshold)
{
    struct Case {
        double dx, dy;
        int startIndex, expectedIndex;
    };
    const Case cases[] = {
        {-41, 10, 1, 2},  // horizontal enough and past the threshold
        {-41, 50, 1, 1},  // vertical dominance
        {-40, 0, 1, 1},   // exactly at the threshold
        {-41, -41, 1, 1}, // a diagonal is not horizontal
        {41, -10, 1, 0},
        {40, 0, 1, 1},
        {45, 0, 0, 0},    // nothing before the first slide
        {-45, 0, 4, 4},   // nothing after the last
        {0, 0, 2, 2},
    };
    for (const Case& c : cases) {
        OnboardingPager pager = pagerAt(5, c.startIndex);
        const bool moved = pager.handleDragEnd(c.dx, c.dy);
        EXPECT_EQ(pager.selectedSlideIndex(), c.expectedIndex) << "drag " << c.dx << ", " << c.dy;
        EXPECT_EQ(moved, c.expectedIndex != c.startIndex) << "drag " << c.dx << ", " << c.dy;
    }
}

TEST(OnboardingPager, CounterPadsToTwoDigitsAndNeverTruncates)
{
    EXPECT_EQ(pagerAt(5, 0).counterText(), "01 / 05");
    EXPECT_EQ(pagerAt(5, 2).counterText(), "03 / 05");
    EXPECT_EQ(pagerAt(12, 9).counterText(), "10 / 12");
    EXPECT_EQ(pagerAt(120, 99).counterText(), "100 / 120");
    EXPECT_EQ(pagerAt(0, 0).counterText(), "");
}

TEST(OnboardingPager, ButtonsOnFirstMiddleLastAndOnlySlide)
{
    struct Case {
        int count, index;
        bool previous, next, finish, current;
    };
    const Case cases[] = {
        {5, 0, false, true, false, true},
        {5, 2, true, true, false, true},
        {5, 4, true, false, true, true},
        {1, 0, false, false, true, true},
        {0, 0, false, false, false, false}, // no slides: only the close button leaves
    };
    for (const Case& c : cases) {
        const OnboardingPager pager = pagerAt(c.count, c.index);
        SCOPED_TRACE(testing::Message() << "slide " << c.index << " of " << c.count);
        EXPECT_EQ(pager.showsPreviousButton(), c.previous);
        EXPECT_EQ(pager.showsNextButton(), c.next);
        EXPECT_EQ(pager.showsFinishButton(), c.finish);
        EXPECT_EQ(pager.hasCurrentSlide(), c.current);
    }
}

TEST(OnboardingPager, DirectionFollowsEachStepAndStartResetsIt)
{
    OnboardingPager pager = pagerAt(3, 2);
    EXPECT_TRUE(pager.showPreviousSlide());
    EXPECT_EQ(pager.slideDirection(), Direction::backward);
    EXPECT_TRUE(pager.showNextSlide());
    EXPECT_EQ(pager.slideDirection(), Direction::forward);
    EXPECT_TRUE(pager.showPreviousSlide());
    EXPECT_EQ(pager.slideDirection(), Direction::backward);

    // A refused step leaves the direction as it was.
    pager.showPreviousSlide();
    EXPECT_FALSE(pager.showPreviousSlide());
    EXPECT_EQ(pager.selectedSlideIndex(), 0);
    EXPECT_EQ(pager.slideDirection(), Direction::backward);

    pager.start();
    EXPECT_EQ(pager.slideDirection(), Direction::forward);
    EXPECT_EQ(pager.selectedSlideIndex(), 0);
}

} // namespace
