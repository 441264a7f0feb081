#include "ControlPanelFixture.h"

#include "ControlPanel/AppWindowCoordinator.h"
#include "ControlPanel/ChartRangePicker.h"
#include "ControlPanel/ControlPanelOnboardingView.h"
#include "ControlPanel/OverviewChartCard.h"
#include "ControlPanel/ControlPanelRootView.h"
#include "ControlPanel/ControlPanelStyle.h"
#include "ControlPanel/ControlPanelWindow.h"
#include "ControlPanel/HistoryPage.h"
#include "ControlPanel/OverviewActionRow.h"
#include "ControlPanel/OverviewPage.h"
#include "ControlPanel/PageHeader.h"
#include "ControlPanel/SettingsPage.h"
#include "ControlPanel/SidebarListRow.h"
#include "ControlPanel/ToggleSwitch.h"
#include "Platform/ApplicationShell.h"
#include "Support/EventLoopWait.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QJsonDocument>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {
const char* const zone = "Europe/Berlin";
using Policy = ApplicationShell::ActivationPolicy;

AppPreferences onboarded()
{
    AppPreferences preferences;
    preferences.hasCompletedOnboarding = true;
    return preferences;
}

// The coordinator over the fixture's view models, with the stored preferences given.
struct CoordinatorFixture {
    explicit CoordinatorFixture(std::optional<AppPreferences> stored = onboarded(), TaskList tasks = {})
        : models(zone, localDate(zone, 2026, 12, 7, 10), std::move(tasks))
    {
        if (stored) {
            models.defaults.values.insert("quaver-loom.preferences", QJsonDocument(stored->toJson()).toJson());
            models.session = std::make_unique<AppSessionViewModel>(models.preferencesStore, models.appSupportRouter);
        }
        coordinator = std::make_unique<AppWindowCoordinator>(
            NotchTemplateConfiguration::defaults(), *models.taskViewModel, *models.session,
            AppWindowCoordinator::Environment{
                shell,
                {models.clock, models.calendar, models.router, models.infoDictionary, nullptr, nullptr},
                &checkForUpdates,
                true,
                // Placeholders in place of the videos: no player is needed here.
                ControlPanelRootView::onboardingView([](const QString&) { return std::optional<OnboardingVideoSource>(); })});
    }

    ControlPanelWindow* window() const { return coordinator->controlPanelWindow(); }
    ControlPanelRootView* root() const { return window()->rootView(); }

    ControlPanelFixture models;
    ApplicationShell shell;
    QAction checkForUpdates{QStringLiteral("Check for Updates\u2026")};
    std::unique_ptr<AppWindowCoordinator> coordinator;
};

TaskItem openTask(const QString& title, const QString& sectionID = QStringLiteral("section.work"))
{
    TaskItem task = completedTask(title, Date{0}, sectionID);
    task.isCompleted = false;
    task.completedAt.reset();
    return task;
}
} // namespace

TEST(AppWindowCoordinator, FollowsThePresentationFlagWithOneWindow)
{
    CoordinatorFixture fixture;
    EXPECT_EQ(fixture.window(), nullptr);
    EXPECT_EQ(fixture.shell.activationPolicy(), Policy::Accessory);

    fixture.models.session->setControlPanelPresented(true);
    ControlPanelWindow* window = fixture.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "QuaverLoom Control Panel");
    // The application menu: the update command, then Quit.
    const QList<QAction*> menu = window->menuBar()->actions().value(0)->menu()->actions();
    ASSERT_EQ(menu.size(), 3);
    EXPECT_EQ(menu[0], &fixture.checkForUpdates);
    EXPECT_EQ(menu[2], window->quitAction());
    EXPECT_EQ(window->quitAction()->shortcut(), QKeySequence(QKeySequence::Quit));
    EXPECT_EQ(fixture.shell.activationPolicy(), Policy::Regular);
    EXPECT_EQ(fixture.coordinator->controlPanelViewModel().activeModal(), std::nullopt);

    // A second request re-shows the same window on the overview.
    fixture.coordinator->controlPanelViewModel().setSelectedDestination(ControlPanelDestination::settings);
    fixture.coordinator->showControlPanel();
    EXPECT_EQ(fixture.window(), window);
    EXPECT_EQ(fixture.coordinator->controlPanelViewModel().selectedDestination(), ControlPanelDestination::overview);

    // Another window closing changes nothing; this one closing hides it and returns to accessory.
    QWidget other;
    fixture.coordinator->windowWillClose(&other);
    EXPECT_TRUE(fixture.models.session->isControlPanelPresented());
    window->close();
    EXPECT_FALSE(fixture.models.session->isControlPanelPresented());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(fixture.shell.activationPolicy(), Policy::Accessory);

    fixture.models.session->setControlPanelPresented(true);
    EXPECT_EQ(fixture.window(), window);
    EXPECT_TRUE(window->isVisible());
}

TEST(AppWindowCoordinator, FirstLaunchOpensWithTheOnboardingOverTheOverview)
{
    CoordinatorFixture fixture(std::nullopt);
    ASSERT_NE(fixture.window(), nullptr);
    EXPECT_TRUE(fixture.window()->isVisible());
    ControlPanelViewModel& viewModel = fixture.coordinator->controlPanelViewModel();
    EXPECT_EQ(viewModel.activeModal(), ControlPanelViewModel::ActiveModal::onboarding);
    fixture.root()->syncNow();
    ASSERT_NE(fixture.root()->modalContent(), nullptr);
    EXPECT_FALSE(fixture.root()->sidebar()->isEnabled());

    // The onboarding sequence's close button finishes it.
    auto* onboarding = qobject_cast<ControlPanelOnboardingView*>(fixture.root()->modalContent());
    ASSERT_NE(onboarding, nullptr);
    EXPECT_TRUE(onboarding->isShowingIntroScreen());
    auto button = [&](const QString& name) -> QAbstractButton* {
        for (QAbstractButton* candidate : onboarding->findChildren<QAbstractButton*>())
            if (candidate->accessibleName() == name && candidate->isVisibleTo(onboarding))
                return candidate;
        return nullptr;
    };
    ASSERT_NE(button("Learn How to Use"), nullptr);
    QTest::mouseClick(button("Learn How to Use"), Qt::LeftButton);
    ASSERT_NE(button("Close onboarding"), nullptr);
    QTest::mouseClick(button("Close onboarding"), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return !viewModel.activeModal(); }));
    fixture.root()->syncNow();
    EXPECT_EQ(viewModel.activeModal(), std::nullopt);
    EXPECT_TRUE(fixture.models.session->preferences().hasCompletedOnboarding);
    EXPECT_TRUE(fixture.root()->sidebar()->isEnabled());
    EXPECT_TRUE(waitUntil([&] { return !fixture.root()->modalLayer()->isVisible(); }));

    // Later showings leave the modal alone; the replay row brings it back.
    fixture.coordinator->showControlPanel();
    EXPECT_EQ(viewModel.activeModal(), std::nullopt);
    viewModel.setSelectedDestination(ControlPanelDestination::settings);
    fixture.root()->syncNow();
    QTest::mouseClick(static_cast<QPushButton*>(fixture.root()->settingsPage()->findChild<QPushButton*>()), Qt::LeftButton);
    EXPECT_EQ(viewModel.activeModal(), ControlPanelViewModel::ActiveModal::onboarding);
}

TEST(ControlPanelRootView, SidebarPicksThePageAndItsHeader)
{
    CoordinatorFixture fixture;
    fixture.coordinator->showControlPanel();
    ControlPanelRootView& root = *fixture.root();
    struct Case {
        ControlPanelDestination destination;
        const char* title;
        const char* subtitle;
        QWidget* page;
    };
    const Case cases[] = {
        {ControlPanelDestination::completed, "History", "Completed activity organized by day.", root.historyPage()},
        {ControlPanelDestination::settings, "Settings", "", root.settingsPage()},
        {ControlPanelDestination::overview, "Overview", "", root.overviewPage()},
    };
    for (const Case& c : cases) {
        QTest::mouseClick(root.sidebarRow(c.destination), Qt::LeftButton);
        EXPECT_EQ(fixture.coordinator->controlPanelViewModel().selectedDestination(), c.destination);
        EXPECT_EQ(root.pageHeader()->titleLabel()->text(), c.title);
        EXPECT_EQ(root.pageHeader()->subtitleLabel()->text(), c.subtitle);
        EXPECT_EQ(root.pageHeader()->subtitleLabel()->isVisible(), *c.subtitle != 0);
        EXPECT_TRUE(c.page->isVisible()) << c.title;
        // Clicking the selected row again keeps it selected.
        QTest::mouseClick(root.sidebarRow(c.destination), Qt::LeftButton);
        EXPECT_TRUE(root.sidebarRow(c.destination)->isChecked());
    }

    // The overview's settings row is a shortcut to the settings page.
    QTest::mouseClick(root.overviewPage()->settingsRow(), Qt::LeftButton);
    root.syncNow();
    EXPECT_TRUE(root.settingsPage()->isVisible());
    EXPECT_EQ(root.overviewPage()->modelRow()->inputs().subtitle,
              "The on-device model is not available on this computer.");
}

TEST(ControlPanelRootView, ClearingHistoryAsksFirstAndKeepsOpenAndOrphanedTasks)
{
    const Date today = localDate(zone, 2026, 12, 7, 9);
    CoordinatorFixture fixture(onboarded(), {completedTask("Done work", today), completedTask("Done home", today, "section.home"),
                                             completedTask("Orphan", today, "section.gone"), openTask("Still open")});
    fixture.coordinator->showControlPanel();
    ControlPanelRootView& root = *fixture.root();
    fixture.coordinator->controlPanelViewModel().setSelectedDestination(ControlPanelDestination::completed);
    root.syncNow();
    EXPECT_EQ(root.historyPage()->sections().size(), 1);
    QPushButton* clear = root.historyAccessory()->clearButton();
    EXPECT_TRUE(clear->isEnabled());

    for (const char* choice : {"Cancel", "Clear All History"}) {
        QTest::mouseClick(clear, Qt::LeftButton);
        QMessageBox* dialog = root.confirmationDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->text(), "Clear all history?");
        EXPECT_EQ(dialog->informativeText(), "This permanently removes every completed task from History.");
        for (QAbstractButton* button : dialog->buttons()) {
            if (button->text() == choice)
                button->click();
        }
        EXPECT_TRUE(waitUntil([&] { return !root.isConfirmingHistoryClear(); }));
        root.syncNow();
    }
    QStringList left;
    for (const TaskItem& task : fixture.models.taskViewModel->allTasks())
        left.append(task.title);
    left.sort();
    EXPECT_EQ(left, (QStringList{"Orphan", "Still open"}));
    EXPECT_TRUE(root.historyPage()->isEmptyState());
    EXPECT_EQ(root.historyAccessory()->countLabel()->text(), "0 total");
    EXPECT_FALSE(clear->isEnabled());
    // Disabled, it looks disabled: not in the destructive red of the live button.
    EXPECT_NE(clear->palette().color(QPalette::Disabled, QPalette::ButtonText),
              clear->palette().color(QPalette::Active, QPalette::ButtonText));
}

TEST(ControlPanelRootView, SettingsControlsSaveEveryChoiceAndRestyleTheWindow)
{
    CoordinatorFixture fixture;
    fixture.coordinator->showControlPanel();
    ControlPanelRootView& root = *fixture.root();
    fixture.coordinator->controlPanelViewModel().setSelectedDestination(ControlPanelDestination::settings);
    root.syncNow();
    SettingsPage& settings = *root.settingsPage();
    const int writesBefore = fixture.models.defaults.writeCount;

    QTest::mouseClick(settings.aiTaskRankingSwitch(), Qt::LeftButton);
    EXPECT_FALSE(fixture.models.session->preferences().aiTaskRankingEnabled);
    QTest::mouseClick(settings.aiTaskRankingSwitch(), Qt::LeftButton);
    EXPECT_TRUE(fixture.models.session->preferences().aiTaskRankingEnabled);
    EXPECT_EQ(fixture.models.defaults.writeCount, writesBefore + 2);

    for (int repeat = 0; repeat < 2; ++repeat) {
        settings.appearanceMenu()->setCurrentIndex(2);
        emit settings.appearanceMenu()->activated(2);
    }
    EXPECT_EQ(fixture.models.defaults.writeCount, writesBefore + 4);
    EXPECT_EQ(fixture.models.session->preferences().appearanceMode, AppAppearanceMode::dark);
    EXPECT_TRUE(ControlPanelStyle::isDark(fixture.window()->palette()));
    emit settings.appearanceMenu()->activated(1);
    EXPECT_FALSE(ControlPanelStyle::isDark(fixture.window()->palette()));
}

TEST(ControlPanelWindow, SizeIsClampedToTheScreenButNeverBelowTheMinimum)
{
    const std::pair<QRect, QSize> cases[] = {
        {QRect(0, 0, 1920, 1080), QSize(1280, 940)},
        {QRect(0, 27, 1366, 741), QSize(1280, 760)},
        {QRect(0, 0, 1024, 600), QSize(1040, 760)},
        {QRect(0, 0, 1200, 900), QSize(1200, 900)},
        {QRect(), QSize(1280, 940)},
    };
    for (const auto& [available, expected] : cases)
        EXPECT_EQ(ControlPanelWindow::preferredSize(available), expected) << available.width();
}

TEST(ControlPanelRootView, ChartRangeIsChosenInThePickerAndSurvivesReopening)
{
    CoordinatorFixture fixture;
    fixture.models.session->setControlPanelPresented(true);
    ControlPanelRootView& root = *fixture.root();
    ChartRangePicker* picker = root.overviewPage()->chartCard()->rangePicker();
    QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(ControlPanelViewModel::CompletionChartRange::thirtyDays).center());
    EXPECT_EQ(root.selectedChartRange(), ControlPanelViewModel::CompletionChartRange::thirtyDays);
    EXPECT_EQ(root.overviewPage()->chartCard()->chartView()->model().points().size(), 30);

    fixture.window()->close();
    fixture.models.session->setControlPanelPresented(true);
    EXPECT_EQ(picker->selectedRange(), ControlPanelViewModel::CompletionChartRange::thirtyDays);
    EXPECT_EQ(root.overviewPage()->chartCard()->chartView()->model().points().size(), 30);
}
