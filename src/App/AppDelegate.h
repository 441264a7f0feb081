#pragma once

#include "ControlPanel/PersistedOnboardingVideoCache.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class AppSessionViewModel;
class AppSupportRouting;
class AppUpdateManaging;
class AppWindowCoordinator;
class AppleFoundationTaskSortingService;
class ApplicationShell;
class CheckForUpdatesCommand;
class ControlPanelPresenting;
struct ControlPanelModuleRequest;
class LanguageModel;
class LocalCalendar;
class LoginItemRegistering;
class NotchOverlayController;
class NotchTaskViewModel;
class PointerMonitor;
class ReduceMotionSetting;
class ScreenInfoProviding;
class SingleInstance;
class SystemSettingsRouting;
class TaskRecordPreload;
class TaskReminderOverlayPresenter;
class TaskReminderScheduler;
class TaskSortingService;
class TaskWorkspaceWriter;
class TerminationSignalHandler;
class UpdateResultPresenting;
class UserDefaults;
class UserDefaultsAppPreferencesStore;
class UserDefaultsTaskStore;

// Builds every long-lived part of the program once, in dependency order, and
// shows the notch panel exactly while onboarding is completed. The members
// below are declared in construction order, so teardown runs in reverse.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    enum class LaunchResult { started, stoppedForTests, alreadyRunning };

    // Desktop services; left empty, the live ones are made at launch.
    struct Services {
        std::function<std::unique_ptr<UserDefaults>()> makeUserDefaults;
        std::function<std::unique_ptr<PointerMonitor>()> makePointerMonitor;
        std::function<std::unique_ptr<ScreenInfoProviding>()> makeScreens;
        std::function<std::unique_ptr<ReduceMotionSetting>()> makeReduceMotion;
        // Where the onboarding's slide videos play from.
        std::function<std::optional<OnboardingVideoSource>(const QString& assetName)> resolveOnboardingVideo;
        // Builds the control-panel window's coordinator; empty: through the
        // control-panel module, loaded the first time the window is wanted.
        std::function<std::unique_ptr<ControlPanelPresenting>(const ControlPanelModuleRequest&)> makeControlPanel;
        // The task record read ahead of time; used only with the live user defaults.
        std::shared_ptr<TaskRecordPreload> taskRecordPreload;
    };

    explicit AppDelegate(QObject* parent = nullptr);
    AppDelegate(Services services, QObject* parent = nullptr);
    ~AppDelegate() override;

    LaunchResult startApplication();
    // Removes the pointer monitors, hides the notch panel and waits for the
    // saves already handed to the writer; when the last one failed, tries
    // once more, and failing that keeps a copy of the workspace elsewhere.
    void applicationWillTerminate();

    // What must be set before the QApplication exists.
    static void prepareProcess();
    // Starts reading the live task record on a thread of its own, so that it
    // overlaps the QApplication's construction.
    static std::shared_ptr<TaskRecordPreload> preloadTaskRecord();

    // Starts, then runs the event loop; the process's exit code (1 when the
    // workspace could not be saved at quit). A start that finds another copy
    // running asks that copy to show its control panel.
    int run();

    // One copy per data directory: the lock lives beside the stored records.
    static QString lockFilePath();

    ApplicationShell* applicationShell() const { return m_applicationShell.get(); }
    NotchTaskViewModel* taskViewModel() const { return m_taskViewModel.get(); }
    AppSessionViewModel* sessionViewModel() const { return m_sessionViewModel.get(); }
    NotchOverlayController* overlayController() const { return m_overlayController.get(); }
    AppUpdateManaging* appUpdateManager() const { return m_appUpdateManager.get(); }
    CheckForUpdatesCommand* checkForUpdatesCommand() const { return m_checkForUpdatesCommand.get(); }
    // None until the control panel is first wanted.
    AppWindowCoordinator* windowCoordinator() const;
    TaskReminderOverlayPresenter* reminderPresenter() const { return m_reminderPresenter.get(); }
    TaskReminderScheduler* reminderScheduler() const { return m_reminderScheduler.get(); }
    ReduceMotionSetting* reduceMotion() const { return m_reduceMotion.get(); }

private:
    // The steps of startApplication(), in order.
    bool claimSingleInstance();
    void buildShell();
    void buildStoresAndViewModels();
    void buildNotchOverlay();
    void buildReminders();
    void buildControlPanel();
    void followOnboardingWithTheNotch();

    void makeWindowCoordinator();
    void reduceMotionChanged(bool reduceMotion);
    void showNotchPanel();
    void hideNotchPanel();
    void onboardingStateChanged(bool hasCompletedOnboarding);

    Services m_services;

    // Chosen once, before launch, as the application object does; kept alive here.
    std::unique_ptr<UpdateResultPresenting> m_updateResultPresenter;
    std::unique_ptr<AppUpdateManaging> m_appUpdateManager;
    std::unique_ptr<CheckForUpdatesCommand> m_checkForUpdatesCommand;

    // Created by startApplication(), in this order.
    std::unique_ptr<SingleInstance> m_singleInstance;
    std::unique_ptr<ApplicationShell> m_applicationShell;
    NotchTemplateConfiguration m_configuration;
    std::unique_ptr<ReduceMotionSetting> m_reduceMotion;
    std::unique_ptr<UserDefaults> m_userDefaults;
    std::unique_ptr<UserDefaultsTaskStore> m_taskStore;
    std::unique_ptr<TaskWorkspaceWriter> m_taskWriter;
    std::unique_ptr<LanguageModel> m_languageModel;
    std::unique_ptr<TaskSortingService> m_sortingService;
    std::unique_ptr<UserDefaultsAppPreferencesStore> m_preferencesStore;
    std::unique_ptr<NotchTaskViewModel> m_taskViewModel;
    std::unique_ptr<AppSupportRouting> m_appSupportRouter;
    std::unique_ptr<AppSessionViewModel> m_sessionViewModel;
    std::unique_ptr<PointerMonitor> m_pointerMonitor;
    std::unique_ptr<ScreenInfoProviding> m_screens;
    std::unique_ptr<NotchOverlayController> m_overlayController;
    std::unique_ptr<TaskReminderOverlayPresenter> m_reminderPresenter;
    std::unique_ptr<TaskReminderScheduler> m_reminderScheduler;
    // The control-panel window and what its pages need; the coordinator is
    // made the first time the window is wanted.
    std::unique_ptr<LocalCalendar> m_calendar;
    std::unique_ptr<SystemSettingsRouting> m_systemSettingsRouter;
    std::unique_ptr<LoginItemRegistering> m_loginItem;
    std::unique_ptr<ControlPanelPresenting> m_windowCoordinator;

    bool m_tasksUnsavedAtQuit = false;
    bool m_hasOnboardingState = false;
    bool m_lastHasCompletedOnboarding = false;
};
