#include "ControlPanel/OnboardingPager.h"

#include <algorithm>
#include <cmath>

OnboardingPager::OnboardingPager(int slideCount)
    : m_slideCount(std::max(slideCount, 0))
{
}

void OnboardingPager::start()
{
    m_slideDirection = SlideDirection::forward;
    m_selectedSlideIndex = 0;
}

bool OnboardingPager::hasCurrentSlide() const
{
    return m_selectedSlideIndex >= 0 && m_selectedSlideIndex < m_slideCount;
}

bool OnboardingPager::showsPreviousButton() const
{
    return m_selectedSlideIndex >= 1;
}

bool OnboardingPager::showsNextButton() const
{
    return m_selectedSlideIndex < m_slideCount - 1;
}

bool OnboardingPager::showsFinishButton() const
{
    return m_selectedSlideIndex == m_slideCount - 1;
}

QString OnboardingPager::counterText() const
{
    if (!hasCurrentSlide())
        return {};
    return QStringLiteral("%1 / %2")
        .arg(m_selectedSlideIndex + 1, 2, 10, QLatin1Char('0'))
        .arg(m_slideCount, 2, 10, QLatin1Char('0'));
}

bool OnboardingPager::showPreviousSlide()
{
    if (m_selectedSlideIndex < 1)
        return false;
    m_slideDirection = SlideDirection::backward;
    --m_selectedSlideIndex;
    return true;
}

bool OnboardingPager::showNextSlide()
{
    if (m_selectedSlideIndex >= m_slideCount - 1)
        return false;
    m_slideDirection = SlideDirection::forward;
    ++m_selectedSlideIndex;
    return true;
}

bool OnboardingPager::handleDragEnd(double dx, double dy)
{
    if (!(std::abs(dy) < std::abs(dx)))
        return false;
    if (dx < -dragStepThreshold)
        return showNextSlide();
    if (dx > dragStepThreshold)
        return showPreviousSlide();
    return false;
}
