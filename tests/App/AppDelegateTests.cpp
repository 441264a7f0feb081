#include "App/AppDelegate.h"
#include "App/AppSessionViewModel.h"
#include "App/TerminationSignalHandler.h"
#include "Overlay/NotchOverlayController.h"
#include "Overlay/NotchPanel.h"
#include "Platform/ApplicationShell.h"
#include "Support/FakePointerMonitor.h"
#include "Support/FakeScreenInfoProvider.h"
#include "Support/MemoryUserDefaults.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QSignalSpy>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QByteArray preferencesRecord(bool hasCompletedOnboarding)
{
    return QByteArray(R"({"reopenControlPanelAtLaunch":false,"preferredControlPanelDestination":"overview",)")
        + R"("hasCompletedOnboarding":)" + (hasCompletedOnboarding ? "true" : "false")
        + R"(,"launchAtLoginEnabled":false,"aiTaskRankingEnabled":true,"appearanceMode":"system"})";
}

// A delegate on in-memory defaults, a hand-moved pointer and one 1920x1080 screen.
struct Launch {
    MemoryUserDefaults* defaults = nullptr;
    FakePointerMonitor* pointer = nullptr;
    std::unique_ptr<AppDelegate> delegate;

    explicit Launch(std::optional<bool> hasCompletedOnboarding)
    {
        AppDelegate::Services services;
        services.makeUserDefaults = [this, hasCompletedOnboarding] {
            auto made = std::make_unique<MemoryUserDefaults>();
            if (hasCompletedOnboarding)
                made->values.insert(QStringLiteral("quaver-loom.preferences"),
                                    preferencesRecord(*hasCompletedOnboarding));
            defaults = made.get();
            return made;
        };
        services.makePointerMonitor = [this] {
            auto made = std::make_unique<FakePointerMonitor>();
            pointer = made.get();
            return made;
        };
        services.makeScreens = [] { return std::make_unique<FakeScreenInfoProvider>(1920, 1080); };
        services.reduceMotion = [] { return false; };
        delegate = std::make_unique<AppDelegate>(std::move(services));
    }
};

} // namespace

TEST(AppDelegate, TestHostEnvironmentCreatesNothing)
{
    qputenv("XCTestConfigurationFilePath", "");
    Launch launch(true);
    EXPECT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::stoppedForTests);
    qunsetenv("XCTestConfigurationFilePath");
    EXPECT_EQ(launch.delegate->applicationShell(), nullptr);
    EXPECT_EQ(launch.delegate->taskViewModel(), nullptr);
    EXPECT_EQ(launch.delegate->sessionViewModel(), nullptr);
    EXPECT_EQ(launch.delegate->overlayController(), nullptr);
    EXPECT_EQ(launch.defaults, nullptr);
    EXPECT_EQ(launch.pointer, nullptr);
    launch.delegate->applicationWillTerminate(); // harmless with nothing built
}

TEST(AppDelegate, NotchIsShownExactlyWhileOnboardingIsCompleted)
{
    Launch launch(true);
    ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
    AppDelegate& delegate = *launch.delegate;
    ASSERT_NE(delegate.overlayController(), nullptr);
    EXPECT_EQ(delegate.applicationShell()->activationPolicy(), ApplicationShell::ActivationPolicy::Accessory);
    EXPECT_FALSE(delegate.sessionViewModel()->isControlPanelPresented());
    NotchPanel& panel = delegate.overlayController()->panel();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.geometry(), QRect(637, -34, 646, 456));
    EXPECT_EQ(launch.pointer->installedCount(), 2u); // the immediate test showed it once more: still once
    EXPECT_EQ(launch.pointer->localAdds, 1);

    // The pipeline drives expansion from the pointer.
    launch.pointer->moveTo({960, 1079});
    EXPECT_TRUE(delegate.taskViewModel()->isExpanded());

    // A second copy refuses to start while this one holds the lock.
    Launch second(true);
    EXPECT_EQ(second.delegate->startApplication(), AppDelegate::LaunchResult::alreadyRunning);
    EXPECT_EQ(second.delegate->overlayController(), nullptr);

    // Resetting onboarding hides the panel and removes the monitors; completing it shows them again.
    AppPreferences preferences = delegate.sessionViewModel()->preferences();
    preferences.hasCompletedOnboarding = false;
    delegate.sessionViewModel()->setPreferences(preferences);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(launch.pointer->installedCount(), 0u);
    delegate.sessionViewModel()->setPreferences(preferences); // an equal value changes nothing
    EXPECT_EQ(launch.pointer->removals, 2);
    delegate.sessionViewModel()->completeOnboarding();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(launch.pointer->installedCount(), 2u);

    delegate.applicationWillTerminate();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(launch.pointer->installedCount(), 0u);
    EXPECT_EQ(launch.pointer->unknownRemovals, 0);

    // Once this copy is gone, the next one starts.
    launch.delegate.reset();
    Launch third(true);
    EXPECT_EQ(third.delegate->startApplication(), AppDelegate::LaunchResult::started);
}

TEST(AppDelegate, FirstLaunchKeepsTheNotchHiddenAndAsksForTheControlPanel)
{
    Launch launch(std::nullopt);
    ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
    EXPECT_FALSE(launch.delegate->overlayController()->panel().isVisible());
    EXPECT_EQ(launch.pointer->installedCount(), 0u);
    EXPECT_EQ(launch.pointer->localAdds, 0);
    EXPECT_TRUE(launch.delegate->sessionViewModel()->isControlPanelPresented());
    // Nothing was written at start-up.
    EXPECT_FALSE(launch.defaults->data(QStringLiteral("quaver-loom.preferences")).has_value());
}

TEST(TerminationSignalHandler, SignalsArriveOnTheEventLoop)
{
    TerminationSignalHandler handler;
    ASSERT_TRUE(handler.isInstalled());
    QSignalSpy requested(&handler, &TerminationSignalHandler::terminationRequested);
    std::raise(SIGTERM);
    ASSERT_TRUE(requested.wait(2000));
    EXPECT_EQ(requested.first().at(0).toInt(), SIGTERM);
    std::raise(SIGINT);
    ASSERT_TRUE(requested.wait(2000));
    EXPECT_EQ(requested.last().at(0).toInt(), SIGINT);
}
