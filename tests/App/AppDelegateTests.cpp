#include "App/AppDelegate.h"
#include "Workspace/AppSessionViewModel.h"
#include "App/TerminationSignalHandler.h"
#include "ControlPanel/AppWindowCoordinator.h"
#include "ControlPanel/ControlPanelModule.h"
#include "ControlPanel/ControlPanelOnboardingView.h"
#include "ControlPanel/ControlPanelRootView.h"
#include "ControlPanel/ControlPanelWindow.h"
#include "Model/TaskRecordPreload.h"
#include "Model/TaskWorkspaceState.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Model/UserDefaultsTaskStore.h"
#include "Overlay/NotchOverlayController.h"
#include "Overlay/NotchPanel.h"
#include "Panel/ContentView.h"
#include "Panel/NotchTaskPanel.h"
#include "Platform/ReduceMotionSetting.h"
#include "Platform/ApplicationShell.h"
#include "Platform/SingleInstance.h"
#include "Platform/UserDefaults.h"
#include "Reminders/TaskReminderOverlayPresenter.h"
#include "Reminders/TaskReminderScheduler.h"
#include "Support/FakePointerMonitor.h"
#include "Support/FakeScreenInfoProvider.h"
#include "Support/MemoryUserDefaults.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <future>
#include <gtest/gtest.h>

namespace {

// A delegate on in-memory defaults (empty or onboarded), a hand-moved pointer and one 1920x1080 screen.
struct Launch {
    MemoryUserDefaults* defaults = nullptr;
    FakePointerMonitor* pointer = nullptr;
    std::unique_ptr<AppDelegate> delegate;

    explicit Launch(bool hasCompletedOnboarding, TaskList storedTasks = {}, std::shared_ptr<TaskRecordPreload> preload = {})
    {
        AppDelegate::Services services;
        services.taskRecordPreload = std::move(preload);
        services.makeUserDefaults = [this, hasCompletedOnboarding, storedTasks] {
            auto made = std::make_unique<MemoryUserDefaults>();
            if (hasCompletedOnboarding)
                UserDefaultsAppPreferencesStore(*made, QStringLiteral("quaver-loom.preferences"))
                    .save({.hasCompletedOnboarding = true});
            if (!storedTasks.isEmpty()) {
                TaskWorkspaceState state = TaskWorkspaceState::defaultState();
                state.tasks = storedTasks;
                UserDefaultsTaskStore(*made, QStringLiteral("quaver-loom.tasks")).save(state);
            }
            defaults = made.get();
            return made;
        };
        services.makePointerMonitor = [this] {
            auto made = std::make_unique<FakePointerMonitor>();
            pointer = made.get();
            return made;
        };
        services.makeScreens = [] { return std::make_unique<FakeScreenInfoProvider>(); };
        // Placeholders in place of the slide videos: no player is needed here.
        services.resolveOnboardingVideo = [](const QString&) { return std::optional<OnboardingVideoSource>(); };
        // Linked in, where the program loads it as a module.
        services.makeControlPanel = [](const ControlPanelModuleRequest& request) {
            return std::unique_ptr<ControlPanelPresenting>(quaverloom_make_control_panel(&request));
        };
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
    const AppDelegate& delegate = *launch.delegate;
    EXPECT_TRUE(!delegate.applicationShell() && !delegate.taskViewModel() && !delegate.sessionViewModel()
                && !delegate.overlayController() && !launch.defaults && !launch.pointer);
    launch.delegate->applicationWillTerminate(); // harmless with nothing built
}

TEST(AppDelegate, NotchIsShownExactlyWhileOnboardingIsCompleted)
{
    Launch launch(true);
    ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
    AppDelegate& delegate = *launch.delegate;
    EXPECT_EQ(delegate.applicationShell()->activationPolicy(), ApplicationShell::ActivationPolicy::Accessory);
    EXPECT_EQ(delegate.windowCoordinator(), nullptr) << "made the first time the control panel is wanted";
    NotchPanel& panel = delegate.overlayController()->panel();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.geometry(), QRect(637, -34, 646, 456));
    EXPECT_EQ(launch.pointer->installedCount(), 2u); // shown twice at start-up: monitors still once
    launch.pointer->moveTo({960, 1079});
    EXPECT_TRUE(delegate.taskViewModel()->isExpanded());

    // A second copy refuses to start while this one holds the lock.
    EXPECT_EQ(Launch(true).delegate->startApplication(), AppDelegate::LaunchResult::alreadyRunning);

    // Resetting onboarding hides the panel and removes the monitors; completing it shows them again.
    AppPreferences preferences = delegate.sessionViewModel()->preferences();
    preferences.hasCompletedOnboarding = false;
    delegate.sessionViewModel()->setPreferences(preferences);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(launch.pointer->installedCount(), 0u);
    delegate.sessionViewModel()->completeOnboarding();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(launch.pointer->installedCount(), 2u);

    delegate.applicationWillTerminate();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(launch.pointer->installedCount(), 0u);
    EXPECT_EQ(launch.pointer->unknownRemovals, 0);

    // Once this copy is gone, the next one starts.
    launch.delegate.reset();
    EXPECT_EQ(Launch(true).delegate->startApplication(), AppDelegate::LaunchResult::started);
}

TEST(AppDelegate, FirstLaunchGoesThroughOnboardingAndThenShowsTheNotch)
{
    Launch launch(false);
    ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
    NotchPanel& panel = launch.delegate->overlayController()->panel();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(launch.pointer->installedCount(), 0u);
    EXPECT_FALSE(launch.defaults->data(QStringLiteral("quaver-loom.preferences")).has_value());
    // Closing the control panel, the only normal window, must not end the program.
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    // The control panel opens, regular, with the onboarding sequence over it.
    AppWindowCoordinator* coordinator = launch.delegate->windowCoordinator();
    ASSERT_TRUE(coordinator && coordinator->controlPanelWindow());
    ControlPanelWindow& window = *coordinator->controlPanelWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(launch.delegate->applicationShell()->activationPolicy(), ApplicationShell::ActivationPolicy::Regular);
    EXPECT_EQ(coordinator->controlPanelViewModel().activeModal(), ControlPanelViewModel::ActiveModal::onboarding);
    window.rootView()->syncNow();
    auto* onboarding = qobject_cast<ControlPanelOnboardingView*>(window.rootView()->modalContent());
    ASSERT_NE(onboarding, nullptr);

    // Finishing it shows the notch at once, stores the choice and leaves the window up.
    coordinator->controlPanelViewModel().finishOnboarding();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(launch.pointer->installedCount(), 2u);
    const std::optional<QByteArray> stored = launch.defaults->data(QStringLiteral("quaver-loom.preferences"));
    ASSERT_TRUE(stored);
    EXPECT_TRUE(UserDefaultsAppPreferencesStore::decode(*stored).hasCompletedOnboarding);
    EXPECT_TRUE(window.isVisible());
    window.rootView()->syncNow();
    EXPECT_EQ(window.rootView()->modalContent(), nullptr);
}

TEST(AppDelegate, AnOverdueReminderFliesAtStartAndBlocksPreviews)
{
    TaskItem task;
    task.id = QUuid::createUuid();
    task.title = QStringLiteral("Missed while away");
    task.sectionID = QStringLiteral("section.work");
    task.reminder = TaskReminder{SystemClock::shared().now().addingSeconds(-60), false};
    Launch launch(true, {task});
    ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
    TaskReminderScheduler* scheduler = launch.delegate->reminderScheduler();
    ASSERT_TRUE(scheduler);
    EXPECT_EQ(scheduler->activeReminderTaskID(), task.id);
    EXPECT_TRUE(launch.delegate->reminderPresenter()->isShowing());
    EXPECT_TRUE(launch.delegate->taskViewModel()->allTasks().first().reminder->isDelivering);
    scheduler->previewFlight(QStringLiteral("ignored"));
    EXPECT_EQ(launch.delegate->reminderPresenter()->waitingCount(), 0u);
}

TEST(AppDelegate, OneCopyPerDataDirectoryAndQuittingWaitsForTheLastSave)
{
    Launch launch(true);
    ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
    EXPECT_TRUE(AppDelegate::lockFilePath().startsWith(FileUserDefaults::standardDirectory() + "/"));

    // Another runtime directory does not make a second copy welcome on the same data...
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir elsewhere;
    qputenv("XDG_RUNTIME_DIR", elsewhere.path().toUtf8());
    EXPECT_EQ(Launch(true).delegate->startApplication(), AppDelegate::LaunchResult::alreadyRunning);
    // ...while another data directory is another copy's own.
    qputenv("XDG_CONFIG_HOME", elsewhere.path().toUtf8());
    EXPECT_EQ(Launch(true).delegate->startApplication(), AppDelegate::LaunchResult::started);
    qputenv("XDG_RUNTIME_DIR", runtime);
    qputenv("XDG_CONFIG_HOME", config);

    NotchTaskViewModel& tasks = *launch.delegate->taskViewModel();
    const QUuid version = tasks.reminderStateVersion();
    tasks.setDraftTask("Written before the end");
    tasks.submitDraftTask();
    launch.delegate->applicationWillTerminate();
    const std::optional<QByteArray> stored = launch.defaults->data("quaver-loom.tasks");
    ASSERT_TRUE(stored);
    EXPECT_TRUE(stored->contains("Written before the end"));
    EXPECT_NE(tasks.reminderStateVersion(), version);
}

TEST(AppDelegate, ThePreloadedTaskRecordIsTakenOnlyByTheLiveStore)
{
    const auto workspaceWith = [](const char* title) {
        TaskWorkspaceState state = TaskWorkspaceState::defaultState();
        TaskItem task;
        task.id = QUuid::createUuidV5(QUuid(), QString::fromUtf8(title));
        task.title = QString::fromUtf8(title);
        state.tasks.append(task);
        return state;
    };
    const auto firstTitle = [](AppDelegate& delegate) { return delegate.taskViewModel()->allTasks().value(0).title; };
    FileUserDefaults live;
    UserDefaultsAppPreferencesStore(live, QStringLiteral("quaver-loom.preferences")).save({.hasCompletedOnboarding = true});
    UserDefaultsTaskStore(live, QStringLiteral("quaver-loom.tasks")).save(workspaceWith("preloaded"));
    std::shared_ptr<TaskRecordPreload> preload = AppDelegate::preloadTaskRecord();
    preload->wait();
    // Replaced by a record of the same size and time: only the preload can still show the first one.
    const QByteArray path = QFile::encodeName(FileUserDefaults::standardDirectory() + "/quaver-loom.tasks");
    struct stat before {};
    ASSERT_EQ(::stat(path.constData(), &before), 0);
    UserDefaultsTaskStore(live, QStringLiteral("quaver-loom.tasks")).save(workspaceWith("read anew"));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);

    {
        TaskItem stored;
        stored.id = QUuid::createUuid();
        stored.title = QStringLiteral("in memory");
        Launch launch(true, {stored}, preload);
        ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
        EXPECT_EQ(firstTitle(*launch.delegate), QStringLiteral("in memory"));
    }
    AppDelegate::Services services;
    services.makePointerMonitor = [] { return std::make_unique<FakePointerMonitor>(); };
    services.makeScreens = [] { return std::make_unique<FakeScreenInfoProvider>(); };
    services.resolveOnboardingVideo = [](const QString&) { return std::optional<OnboardingVideoSource>(); };
    services.taskRecordPreload = preload;
    AppDelegate delegate(std::move(services));
    ASSERT_EQ(delegate.startApplication(), AppDelegate::LaunchResult::started);
    EXPECT_EQ(firstTitle(delegate), QStringLiteral("preloaded"));
    EXPECT_FALSE(AppDelegate::preloadTaskRecord()) << "a later copy, which only hands its request over, reads nothing";
}

TEST(TerminationSignalHandler, SignalsArriveOnTheEventLoop)
{
    // One that arrives before the handler exists waits for it instead of ending the process.
    TerminationSignalHandler::holdSignalsUntilInstalled();
    std::raise(SIGHUP);
    TerminationSignalHandler handler;
    ASSERT_TRUE(handler.isInstalled());
    QSignalSpy requested(&handler, &TerminationSignalHandler::terminationRequested);
    ASSERT_TRUE(requested.wait(2000));
    EXPECT_EQ(requested.last().at(0).toInt(), SIGHUP);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::raise(signal);
        ASSERT_TRUE(requested.wait(2000));
        EXPECT_EQ(requested.last().at(0).toInt(), signal);
    }
}

TEST(AppDelegate, EveryRequestBringsTheControlPanelBackOnTheOverview)
{
    Launch launch(true);
    ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
    AppSessionViewModel& session = *launch.delegate->sessionViewModel();
    session.setControlPanelPresented(true); // the gear
    AppWindowCoordinator* coordinator = launch.delegate->windowCoordinator();
    ASSERT_TRUE(coordinator && coordinator->controlPanelWindow());
    ControlPanelWindow& window = *coordinator->controlPanelWindow();
    ASSERT_TRUE(window.isVisible());

    // Minimised on another page, then the gear again: the flag was already on.
    coordinator->controlPanelViewModel().setSelectedDestination(ControlPanelDestination::settings);
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    session.setControlPanelPresented(true);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(coordinator->controlPanelViewModel().selectedDestination(), ControlPanelDestination::overview);
    EXPECT_EQ(launch.delegate->applicationShell()->activationPolicy(), ApplicationShell::ActivationPolicy::Regular);
}

namespace {
// A second start of the program asks this one, as from its own process. The
// answer comes as the request is taken; this copy acts on it in its event loop.
bool secondStartIsAnswered()
{
    std::future<bool> answer = std::async(std::launch::async, [] {
        return SingleInstance::requestShow(FileUserDefaults::standardDirectory(), 5000);
    });
    for (int i = 0; i < 200 && answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready; ++i)
        QTest::qWait(10);
    const bool answered = answer.get();
    QCoreApplication::processEvents();
    return answered;
}
} // namespace

TEST(AppDelegate, ASecondStartBringsBackTheWindowClosedDuringOnboarding)
{
    Launch launch(false);
    ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
    EXPECT_EQ(Launch(false).delegate->startApplication(), AppDelegate::LaunchResult::alreadyRunning);
    AppWindowCoordinator* coordinator = launch.delegate->windowCoordinator();
    ASSERT_TRUE(coordinator && coordinator->controlPanelWindow());
    ControlPanelWindow& window = *coordinator->controlPanelWindow();

    // Closed during the intro: nothing of the program is on screen any more.
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(launch.delegate->overlayController()->panel().isVisible());

    EXPECT_TRUE(secondStartIsAnswered());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(coordinator->controlPanelViewModel().activeModal(), ControlPanelViewModel::ActiveModal::onboarding);
    EXPECT_EQ(launch.delegate->applicationShell()->activationPolicy(), ApplicationShell::ActivationPolicy::Regular);
}

TEST(AppDelegate, ASecondStartShowsTheControlPanelOnceOnboarded)
{
    Launch launch(true);
    ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
    ASSERT_EQ(launch.delegate->windowCoordinator(), nullptr);
    EXPECT_TRUE(secondStartIsAnswered());
    AppWindowCoordinator* coordinator = launch.delegate->windowCoordinator();
    ASSERT_TRUE(coordinator && coordinator->controlPanelWindow());
    EXPECT_TRUE(coordinator->controlPanelWindow()->isVisible());
    EXPECT_EQ(coordinator->controlPanelViewModel().activeModal(), std::nullopt);
    EXPECT_TRUE(launch.delegate->overlayController()->panel().isVisible()) << "the notch stays";
}

TEST(AppDelegate, TheNotchAndTheNextFlightFollowTheDesktopsReduceMotion)
{
    Launch launch(true);
    ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
    ReduceMotionSetting& setting = *launch.delegate->reduceMotion();
    ASSERT_FALSE(setting.isOn());
    ContentView& content = static_cast<ContentView&>(launch.delegate->overlayController()->rootView());

    setting.set(true); // the desktop turned animations off
    content.syncNow();
    EXPECT_TRUE(content.panel()->inputs().reduceMotion);
    EXPECT_TRUE(launch.delegate->reminderPresenter()->reduceMotion());
    // A control panel made from now on starts with it too.
    launch.delegate->sessionViewModel()->setControlPanelPresented(true);
    ASSERT_TRUE(launch.delegate->windowCoordinator());

    setting.set(false);
    content.syncNow();
    EXPECT_FALSE(content.panel()->inputs().reduceMotion);
    EXPECT_FALSE(launch.delegate->reminderPresenter()->reduceMotion());
}

TEST(AppDelegate, QuittingKeepsTheRemindersThatHaveNotFlownYet)
{
    // Two reminders fell due while the program was not running: the first flies at start.
    TaskList tasks;
    for (const char* title : {"Missed first", "Missed second"}) {
        TaskItem task;
        task.id = QUuid::createUuid();
        task.title = QString::fromLatin1(title);
        task.sectionID = QStringLiteral("section.work");
        task.reminder = TaskReminder{SystemClock::shared().now().addingSeconds(-60 + tasks.size()), false};
        tasks.append(task);
    }
    Launch launch(true, tasks);
    ASSERT_EQ(launch.delegate->startApplication(), AppDelegate::LaunchResult::started);
    ASSERT_TRUE(launch.delegate->reminderPresenter()->isShowing());

    // Logout during the flight.
    TerminationSignalHandler logout;
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    ApplicationShell::exec();
    launch.delegate->applicationWillTerminate();
    const std::optional<QByteArray> stored = launch.defaults->data(QStringLiteral("quaver-loom.tasks"));
    ASSERT_TRUE(stored);
    const TaskList saved = UserDefaultsTaskStore::decode(*stored).tasks;
    ASSERT_EQ(saved.size(), 2);
    for (const TaskItem& task : saved)
        EXPECT_TRUE(task.reminder.has_value()) << task.title.toStdString() << " lost its reminder at quit";
}
