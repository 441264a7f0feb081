#pragma once

#include <QString>

// The rules of the onboarding slide pager, apart from any drawing: which slide
// is current, which navigation controls it offers, the counter text, and how
// a finished drag turns into a step.
class OnboardingPager {
public:
    enum class SlideDirection { forward, backward };

    // A drag is recognised after this distance; it steps only beyond the threshold.
    static constexpr double dragMinimumDistance = 30;
    static constexpr double dragStepThreshold = 40;

    explicit OnboardingPager(int slideCount = 0);

    int slideCount() const { return m_slideCount; }
    int selectedSlideIndex() const { return m_selectedSlideIndex; }
    SlideDirection slideDirection() const { return m_slideDirection; }

    // Leaves the intro screen onto the first slide.
    void start();
    bool hasCurrentSlide() const;

    bool showsPreviousButton() const;
    bool showsNextButton() const;
    bool showsFinishButton() const;

    // "03 / 05"; empty when there is no current slide.
    QString counterText() const;

    // Each returns whether the index moved; the direction is set first.
    bool showPreviousSlide();
    bool showNextSlide();
    bool handleDragEnd(double dx, double dy);

private:
    int m_slideCount;
    int m_selectedSlideIndex = 0;
    SlideDirection m_slideDirection = SlideDirection::forward;
};
