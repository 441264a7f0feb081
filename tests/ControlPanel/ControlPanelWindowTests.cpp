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
#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <QAbstractItemView>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QJsonDocument>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <cstdlib>
#include <functional>
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
    // Messages about the program open over the window only while it shows.
    EXPECT_EQ(fixture.coordinator->shownWindow(), nullptr);

    fixture.models.session->setControlPanelPresented(true);
    EXPECT_EQ(fixture.window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(fixture.coordinator->shownWindow(), window);
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
    const QMargins titleBar(1, 25, 1, 1);
    // The frame and, inside it, the menu bar above the pages.
    const QMargins titleAndMenuBar(1, 20 + 22, 1, 1);
    const std::tuple<QRect, QMargins, QSize> cases[] = {
        {QRect(0, 0, 1920, 1080), {}, QSize(1280, 940)},
        {QRect(0, 27, 1366, 741), {}, QSize(1280, 760)},
        {QRect(0, 0, 1024, 600), {}, QSize(1040, 760)},
        {QRect(0, 0, 1200, 900), {}, QSize(1200, 900)},
        {QRect(), {}, QSize(1280, 940)},
        // Once the window manager has framed it, the frame is kept inside too.
        {QRect(0, 0, 1280, 800), titleBar, QSize(1278, 774)},
        {QRect(0, 0, 1920, 1080), titleBar, QSize(1280, 940)},
        {QRect(0, 0, 1024, 768), titleBar, QSize(1040, 760)},
        {QRect(0, 0, 1920, 1080), titleAndMenuBar, QSize(1280, 940)},
        {QRect(0, 0, 1366, 900), titleAndMenuBar, QSize(1280, 857)},
        {QRect(0, 0, 1366, 768), titleAndMenuBar, QSize(1280, 760)},
    };
    for (const auto& [available, surround, expected] : cases)
        EXPECT_EQ(ControlPanelWindow::preferredSize(available, surround), expected)
            << available.width() << "x" << available.height() << " " << surround.top();
}

TEST(ControlPanelWindow, OpensCentredOnEachAxisWhereItFitsElseAtThatAxissEdge)
{
    const std::tuple<QRect, QSize, QPoint> cases[] = {
        // Centred exactly, also where the difference is odd (rounded down).
        {QRect(0, 0, 1920, 1080), QSize(1280, 940), QPoint(320, 70)},
        {QRect(0, 0, 1921, 1081), QSize(1280, 940), QPoint(320, 70)},
        {QRect(0, 32, 1920, 1048), QSize(1282, 966), QPoint(319, 73)},
        // Taller than the area: the title bar stays on screen, and the frame is still centred across.
        {QRect(0, 0, 1366, 768), QSize(1282, 803), QPoint(42, 0)},
        {QRect(0, 27, 1366, 741), QSize(1280, 760), QPoint(43, 27)},
        {QRect(1920, 0, 1366, 768), QSize(1282, 803), QPoint(1962, 0)},
        // Wider only: the left edge stays on screen, and the frame is still centred down.
        {QRect(0, 0, 1000, 1200), QSize(1040, 800), QPoint(0, 200)},
        // An axis that fits exactly starts at the edge either way.
        {QRect(0, 0, 1024, 768), QSize(1040, 768), QPoint(0, 0)},
        {QRect(0, 0, 1280, 800), QSize(1280, 826), QPoint(0, 0)},
        // Larger both ways: the area's corner, on whichever screen.
        {QRect(1920, 0, 1024, 768), QSize(1042, 786), QPoint(1920, 0)},
        {QRect(-1024, 24, 1024, 744), QSize(1040, 760), QPoint(-1024, 24)},
    };
    for (const auto& [available, frame, expected] : cases)
        EXPECT_EQ(ControlPanelWindow::framePosition(available, frame), expected) << available.x() << "," << available.y()
                                                                                 << " " << available.width();
}

TEST(ControlPanelWindow, OpensWithinTheAvailableAreaWithWholePagesBelowTheMenuBar)
{
    CoordinatorFixture fixture;
    fixture.models.session->setControlPanelPresented(true);
    ControlPanelWindow& window = *fixture.window();
    const QRect available = window.screen()->availableGeometry();
    ASSERT_FALSE(available.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return window.centralWidget()->geometry().top() > 0; }));
    // Sized and placed again once the frame is known, with the frame.
    const QRect frame = window.frameGeometry();
    const QRect content = window.geometry();
    const QMargins margins(content.left() - frame.left(), content.top() - frame.top(), frame.right() - content.right(),
                           frame.bottom() - content.bottom());
    EXPECT_FALSE(margins.isNull());
    const int menuBar = window.menuBar()->height();
    ASSERT_GT(menuBar, 0);

    EXPECT_EQ(frame.topLeft(), ControlPanelWindow::framePosition(available, window.size().grownBy(margins)));
    // Wider or taller than the test screen, it starts at the area's corner, not across its edge.
    EXPECT_GE(frame.left(), available.left());
    EXPECT_GE(frame.top(), available.top());

    // The pages get the room the screen leaves, never less than their minimum,
    // all of it below the menu bar and inside the window: so on a roomy
    // screen, and on one too low for the minimum.
    const ControlPanelRootView& root = *fixture.root();
    const QLabel* brand = nullptr;
    for (const QLabel* label : root.sidebar()->findChildren<QLabel*>())
        brand = label->text() == "QuaverLoom" ? label : brand;
    ASSERT_NE(brand, nullptr);
    for (const QRect& area : {available, QRect(0, 0, 1024, 700)}) {
        window.placeIn(area);
        const QSize pages = ControlPanelWindow::preferredSize(area, margins + QMargins(0, menuBar, 0, 0));
        ASSERT_TRUE(waitUntil([&] { return root.size() == pages; })) << area.height() << ": " << root.height();
        EXPECT_GE(root.width(), 1040);
        EXPECT_GE(root.height(), 760);
        EXPECT_EQ(root.geometry().top(), window.menuBar()->geometry().bottom() + 1);
        EXPECT_EQ(window.size(), pages + QSize(0, menuBar));
        EXPECT_EQ(window.minimumSize(), window.maximumSize());
        // The sidebar's footer shows whole at the bottom.
        EXPECT_TRUE(window.rect().contains(QRect(brand->mapTo(&window, QPoint()), brand->size()))) << area.height();
    }
}

TEST(ControlPanelWindow, EveryWayOfClosingOrHidingKeepsTheSameWindowForTheNextShowing)
{
    CoordinatorFixture fixture;
    fixture.models.session->setControlPanelPresented(true);
    ControlPanelWindow& window = *fixture.window();
    const WId native = window.winId();
    const std::pair<const char*, std::function<void()>> closings[] = {
        // What a window manager's close button or Alt+F4 delivers.
        {"the window system's close", [&] { window.windowHandle()->close(); }},
        {"close()", [&] { window.close(); }},
        {"the presentation flag", [&] { fixture.models.session->setControlPanelPresented(false); }},
        {"minimising", [&] { window.showMinimized(); }},
    };
    for (const auto& [how, close] : closings) {
        close();
        QCoreApplication::processEvents();
        EXPECT_TRUE(!window.isVisible() || window.isMinimized()) << how;
        EXPECT_NE(window.windowHandle()->handle(), nullptr) << how;
        // A second start asks for the window again.
        fixture.models.session->setControlPanelPresented(true);
        EXPECT_EQ(fixture.window(), &window) << how;
        EXPECT_TRUE(window.isVisible()) << how;
        EXPECT_FALSE(window.isMinimized()) << how;
        EXPECT_EQ(window.winId(), native) << how;
        EXPECT_EQ(fixture.shell.activationPolicy(), Policy::Regular) << how;
    }
}

TEST(ControlPanelWindow, HistoryWithNothingCompletedShowsItsEmptyState)
{
    for (const AppAppearanceMode mode : {AppAppearanceMode::light, AppAppearanceMode::dark}) {
        AppPreferences preferences = onboarded();
        preferences.appearanceMode = mode;
        CoordinatorFixture fixture(preferences, {openTask("One"), openTask("Two"), openTask("Three")});
        fixture.models.session->setControlPanelPresented(true);
        ControlPanelWindow& window = *fixture.window();
        ControlPanelRootView& root = *fixture.root();
        QTest::mouseClick(root.sidebarRow(ControlPanelDestination::completed), Qt::LeftButton);
        const HistoryPage* page = root.historyPage();
        ASSERT_TRUE(page->isVisible());
        ASSERT_TRUE(page->isEmptyState());

        // Below the header the window shows the clock, the title and the line
        // of text: many pixels apart from the page's flat background.
        const QImage shot = window.grab().toImage();
        const QRect area = QRect(page->mapTo(&window, QPoint()), page->size()) & window.rect();
        EXPECT_GE(area.height(), 200) << int(mode);
        const int background = window.palette().color(QPalette::Window).lightness();
        int ink = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                ink += std::abs(shot.pixelColor(x, y).lightness() - background) > 60;
        EXPECT_GT(ink, 800) << int(mode);
    }
}

TEST(ControlPanelWindow, DialogsAndMenusFollowTheChosenAppearance)
{
    const Date today = localDate(zone, 2026, 12, 7, 9);
    AppPreferences dark = onboarded();
    dark.appearanceMode = AppAppearanceMode::dark;
    CoordinatorFixture fixture(dark, {completedTask("Done", today)});
    fixture.coordinator->showControlPanel();
    ControlPanelRootView& root = *fixture.root();
    fixture.coordinator->controlPanelViewModel().setSelectedDestination(ControlPanelDestination::completed);
    root.syncNow();
    QTest::mouseClick(root.historyAccessory()->clearButton(), Qt::LeftButton);
    QMessageBox* dialog = root.confirmationDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(waitUntil([&] { return dialog->isVisible(); }));

    // What the dialog draws, not only its palette: mostly dark pixels.
    auto darkShare = [](QWidget* widget) {
        const QImage image = widget->grab().toImage();
        qsizetype dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += image.pixelColor(x, y).lightness() < 100;
        return double(dark) / double(image.width() * image.height());
    };
    EXPECT_TRUE(ControlPanelStyle::isDark(dialog->palette()));
    EXPECT_GT(darkShare(dialog), 0.8);

    // A change of appearance while it is open reaches it too.
    fixture.coordinator->controlPanelViewModel().setAppearanceMode(AppAppearanceMode::light);
    EXPECT_FALSE(ControlPanelStyle::isDark(dialog->palette()));
    EXPECT_LT(darkShare(dialog), 0.2);
    fixture.coordinator->controlPanelViewModel().setAppearanceMode(AppAppearanceMode::dark);
    EXPECT_TRUE(ControlPanelStyle::isDark(dialog->palette()));
    dialog->reject();

    // The appearance's list of choices, the overview's model help and the application menu follow as well.
    fixture.coordinator->controlPanelViewModel().setSelectedDestination(ControlPanelDestination::settings);
    root.syncNow();
    QComboBox* appearance = root.settingsPage()->appearanceMenu();
    appearance->showPopup();
    ASSERT_TRUE(waitUntil([&] { return appearance->view()->isVisible(); }));
    EXPECT_GT(darkShare(appearance->view()->viewport()), 0.5);
    appearance->hidePopup();
    QMenu* menu = fixture.window()->menuBar()->actions().value(0)->menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(ControlPanelStyle::isDark(menu->palette()));
    fixture.coordinator->controlPanelViewModel().setSelectedDestination(ControlPanelDestination::overview);
    root.syncNow();
    QTest::mouseClick(root.overviewPage()->modelRow(), Qt::LeftButton);
    QMessageBox* help = root.overviewPage()->modelHelp();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(ControlPanelStyle::isDark(help->palette()));
    help->reject();
}

TEST(ControlPanelWindow, ShowsTheProgramsOwnIcon)
{
    CoordinatorFixture fixture;
    fixture.models.session->setControlPanelPresented(true);
    const QIcon icon = fixture.window()->windowIcon();
    // Every size the icon theme gets at installation, so no size is scaled from another.
    const QList<QSize> sizes = icon.availableSizes();
    for (int side : {32, 48, 64, 128, 256}) {
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
        const QImage image = icon.pixmap(QSize(side, side)).toImage();
        EXPECT_EQ(image.size(), QSize(side, side));
        EXPECT_GT(image.pixelColor(side / 2, side / 2).alpha(), 0) << side;
    }
    EXPECT_EQ(icon.cacheKey(), QApplication::windowIcon().cacheKey());
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
