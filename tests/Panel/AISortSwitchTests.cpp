#include "Overlay/NotchOverlayMetrics.h"
#include "Panel/AISortButton.h"
#include "Panel/ContentView.h"
#include "Panel/LeadingNotchSlot.h"
#include "Panel/NotchTaskPanel.h"
#include "Support/EventLoopWait.h"
#include "Support/ViewModelsFixture.h"

#include <gtest/gtest.h>

namespace {
void setRanking(AppSessionViewModel& session, bool enabled)
{
    AppPreferences preferences = session.preferences();
    preferences.aiTaskRankingEnabled = enabled;
    session.setPreferences(preferences);
}
} // namespace

TEST(AISortButton, FollowsTheAITaskRankingSwitchOfSettings)
{
    ViewModelsFixture models;
    AppPreferences preferences = models.session.preferences();
    preferences.hasCompletedOnboarding = true;
    preferences.aiTaskRankingEnabled = false;
    models.session.setPreferences(preferences);
    ContentView view(models.viewModel, models.session, nullptr, [] { return 1000.0; });
    const auto& configuration = NotchTemplateConfiguration::defaults();
    const auto label = [](const QString&, const NotchTemplateConfiguration::Font&) { return 40.0; };
    const ScreenInfo screen{{0, 0, 1920, 1080}, 0, std::nullopt, std::nullopt};
    view.setInputs({NotchOverlayMetrics::make(screen, configuration, label), configuration, false});
    view.show();
    models.viewModel.setExpanded(true);
    models.viewModel.setDraftTask(QStringLiteral("Pay rent"));
    models.viewModel.submitDraftTask();
    view.syncNow();
    AISortButton* button = view.panel()->leadingSlot()->aiSortButton();

    // Off from the start: the button cannot be pressed, says why, and the view model asks no model.
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(button->toolTip(), QStringLiteral("AI task ranking is off in Settings."));
    button->click();
    models.viewModel.sortTasksWithAI();
    EXPECT_TRUE(models.sorting.requests.isEmpty());
    EXPECT_FALSE(models.viewModel.isSorting());

    // Switched on: usable on the next turn of the event loop, without a tooltip.
    setRanking(models.session, true);
    EXPECT_TRUE(waitUntil([&] { return button->isEnabled(); }));
    EXPECT_TRUE(button->toolTip().isEmpty());
    button->click();
    EXPECT_EQ(models.sorting.requests.size(), 1);

    // Off again while sorting: the running sort keeps the button busy, and afterwards it stays disabled.
    setRanking(models.session, false);
    models.sorting.respond(models.sorting.decisionsForLastRequest({TaskPriority::high}));
    view.syncNow();
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(button->toolTip(), QStringLiteral("AI task ranking is off in Settings."));
}
