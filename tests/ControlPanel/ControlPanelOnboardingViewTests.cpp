#include "ControlPanel/ControlPanelOnboardingView.h"
#include "ControlPanel/LoopingOnboardingVideoView.h"
#include "ControlPanel/OnboardingPlaceholderView.h"
#include "Support/EventLoopWait.h"

#include <QAbstractButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Slide = ControlPanelOnboardingView::Slide;
using Direction = ControlPanelOnboardingView::SlideDirection;

QList<Slide> slides(int count)
{
    QList<Slide> result;
    for (int i = 1; i <= count; ++i)
        result.append({QStringLiteral("video %1").arg(i), QStringLiteral("Title %1").arg(i), QStringLiteral("Body %1").arg(i)});
    return result;
}

class OnboardingView : public testing::Test {
protected:
    void make(const QList<Slide>& slideList, ControlPanelOnboardingView::VideoResolver resolver = {})
    {
        if (!resolver)
            resolver = [](const QString&) { return std::optional<OnboardingVideoSource>(); };
        m_view = std::make_unique<ControlPanelOnboardingView>(
            NotchTemplateConfiguration::defaults(), slideList, QStringLiteral("Close onboarding"),
            [this] { ++m_closes; }, nullptr, resolver);
        m_view->resize(1040, 760);
        m_view->show();
    }

    QAbstractButton* button(const QString& name) const
    {
        for (QAbstractButton* b : m_view->findChildren<QAbstractButton*>())
            if (b->accessibleName() == name && b->isVisibleTo(m_view.get()))
                return b;
        return nullptr;
    }
    bool shows(const char* name) const { return button(QString::fromUtf8(name)) != nullptr; }
    void click(const char* name)
    {
        QAbstractButton* b = button(QString::fromUtf8(name));
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void settle() { ASSERT_TRUE(waitUntil([&] { return !m_view->isTransitioning(); }, 3000)); }
    OnboardingPlaceholderView* placeholder() const
    {
        return qobject_cast<OnboardingPlaceholderView*>(m_view->currentVideoArea());
    }
    void drag(QPoint delta)
    {
        QWidget* target = m_view->currentVideoArea();
        const QPoint from(500, 300);
        QTest::mousePress(target, Qt::LeftButton, {}, from);
        QTest::mouseMove(target, from + delta / 2);
        QTest::mouseMove(target, from + delta);
        QTest::mouseRelease(target, Qt::LeftButton, {}, from + delta);
    }

    std::unique_ptr<ControlPanelOnboardingView> m_view;
    int m_closes = 0;
};

TEST_F(OnboardingView, IntroLeadsToTheFirstSlideAndTheButtonsFollowThePosition)
{
    make(slides(3));
    EXPECT_TRUE(m_view->isShowingIntroScreen());
    EXPECT_FALSE(shows("Next Slide"));
    click("Learn How to Use");
    EXPECT_FALSE(m_view->isShowingIntroScreen());
    EXPECT_EQ(m_view->selectedSlideIndex(), 0);
    EXPECT_TRUE(waitUntil([&] { return !shows("Learn How to Use"); }, 2000)) << "the intro did not fade away";
    EXPECT_TRUE(shows("Close onboarding"));
    EXPECT_FALSE(shows("Previous Slide"));
    EXPECT_TRUE(shows("Next Slide"));
    EXPECT_FALSE(shows("Get Started"));

    click("Next Slide");
    EXPECT_EQ(m_view->slideDirection(), Direction::forward);
    EXPECT_TRUE(m_view->isTransitioning());
    settle();
    click("Next Slide");
    settle();
    EXPECT_EQ(m_view->selectedSlideIndex(), 2);
    EXPECT_TRUE(shows("Previous Slide"));
    EXPECT_FALSE(shows("Next Slide"));
    EXPECT_TRUE(shows("Get Started"));

    click("Previous Slide");
    EXPECT_EQ(m_view->slideDirection(), Direction::backward);
    settle();
    EXPECT_EQ(m_view->selectedSlideIndex(), 1);
}

TEST_F(OnboardingView, CloseAndGetStartedBothClose)
{
    make(slides(1));
    click("Learn How to Use");
    EXPECT_FALSE(shows("Previous Slide"));
    EXPECT_FALSE(shows("Next Slide"));
    click("Get Started");
    EXPECT_TRUE(waitUntil([&] { return m_closes == 1; }));
    click("Close onboarding");
    EXPECT_TRUE(waitUntil([&] { return m_closes == 2; }));
}

TEST_F(OnboardingView, HorizontalDragsStepAndOthersDoNot)
{
    make(slides(3));
    click("Learn How to Use");
    drag({-41, 10});
    EXPECT_EQ(m_view->selectedSlideIndex(), 1);
    settle();
    drag({-41, 50});
    drag({20, 0}); // too short to be a drag at all
    EXPECT_EQ(m_view->selectedSlideIndex(), 1);
    drag({45, 0});
    EXPECT_EQ(m_view->selectedSlideIndex(), 0);
    settle();
    drag({45, 0});
    EXPECT_EQ(m_view->selectedSlideIndex(), 0);
}

TEST_F(OnboardingView, PlaceholdersNameWhatIsMissing)
{
    const QList<Slide> list = {{QStringLiteral("   "), QStringLiteral("Blank"), QString()},
                               {QStringLiteral("unknown"), QStringLiteral("Unknown"), QString()}};
    make(list);
    click("Learn How to Use");
    ASSERT_NE(placeholder(), nullptr);
    EXPECT_EQ(placeholder()->title(), "Onboarding Video Missing");
    EXPECT_EQ(placeholder()->message(), "Add a valid onboarding video asset name to the template configuration.");
    click("Next Slide");
    settle();
    ASSERT_NE(placeholder(), nullptr);
    EXPECT_EQ(placeholder()->title(), "Onboarding Video Missing");
    EXPECT_EQ(placeholder()->message(), "Could not find the bundled onboarding video asset.");
}

TEST_F(OnboardingView, NoSlidesLeaveOnlyTheCloseButton)
{
    make({});
    click("Learn How to Use");
    ASSERT_NE(placeholder(), nullptr);
    EXPECT_EQ(placeholder()->title(), "Onboarding Slide Missing");
    EXPECT_FALSE(shows("Previous Slide"));
    EXPECT_FALSE(shows("Next Slide"));
    EXPECT_FALSE(shows("Get Started"));
    click("Close onboarding");
    EXPECT_TRUE(waitUntil([&] { return m_closes == 1; }));
}

TEST_F(OnboardingView, AResolvedVideoIsPlayedInTheSlide)
{
    make(slides(2), [](const QString& name) -> std::optional<OnboardingVideoSource> {
        if (name == QLatin1String("video 1"))
            return OnboardingVideoSource{{}, QByteArray("x")};
        return std::nullopt;
    });
    click("Learn How to Use");
    EXPECT_NE(qobject_cast<LoopingOnboardingVideoView*>(m_view->currentVideoArea()), nullptr);
    click("Next Slide");
    EXPECT_NE(placeholder(), nullptr);
}

} // namespace
