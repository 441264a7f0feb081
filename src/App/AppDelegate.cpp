#include "App/AppDelegate.h"

#include "App/AppSessionViewModel.h"
#include "App/AppUpdateManagerFactory.h"
#include "App/CheckForUpdatesCommand.h"
#include "App/InfoDictionary.h"
#include "App/LiveAppSupportRouter.h"
#include "App/LiveSystemSettingsRouter.h"
#include "App/MessageBoxUpdateResultPresenter.h"
#include "App/TerminationSignalHandler.h"
#include "ControlPanel/AppWindowCoordinator.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Model/TaskWorkspaceWriter.h"
#include "Model/UserDefaultsTaskStore.h"
#include "Overlay/NotchOverlayController.h"
#include "Overlay/NotchPanel.h"
#include "UI/Motion.h"
#include "UI/TemplateStyle.h"
#include "Platform/ApplicationShell.h"
#include "Platform/LocalCalendar.h"
#include "Platform/QtScreenInfoProvider.h"
#include "Platform/UserDefaults.h"
#include "Platform/XInputPointerMonitor.h"
#include "Platform/XdgAutostartLoginItem.h"
#include "Reminders/TaskReminderOverlayPresenter.h"
#include "Reminders/TaskReminderScheduler.h"
#include "Sorting/AppleFoundationTaskSortingService.h"
#include "Sorting/OpenAICompatibleLanguageModel.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QProcessEnvironment>
#include <cstdio>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

AppDelegate::AppDelegate(QObject* parent) : AppDelegate(Services{}, parent) {}

AppDelegate::AppDelegate(Services services, QObject* parent) : QObject(parent), m_services(std::move(services))
{
    m_updateResultPresenter = std::make_unique<MessageBoxUpdateResultPresenter>();
    m_appUpdateManager = AppUpdateManagerFactory::make(InfoDictionary::main(), *m_updateResultPresenter);
    // The control-panel window's application menu offers the command's action.
    m_checkForUpdatesCommand = std::make_unique<CheckForUpdatesCommand>(*m_appUpdateManager);
}

AppDelegate::~AppDelegate()
{
    applicationWillTerminate();
}

QString AppDelegate::lockFilePath()
{
    return FileUserDefaults::standardDirectory() + QStringLiteral("/.quaverloom.lock");
}

AppDelegate::LaunchResult AppDelegate::startApplication()
{
    // Under a test host nothing is created and nothing is shown.
    if (QProcessEnvironment::systemEnvironment().contains(QStringLiteral("XCTestConfigurationFilePath")))
        return LaunchResult::stoppedForTests;

    // Two copies would draw two notches and write the same files.
    QDir().mkpath(FileUserDefaults::standardDirectory());
    m_instanceLock = std::make_unique<QLockFile>(lockFilePath());
    m_instanceLock->setStaleLockTime(0); // only a lock whose process is gone is stale
    if (!m_instanceLock->tryLock(0)) {
        m_instanceLock.reset();
        return LaunchResult::alreadyRunning;
    }

    // The accessibility bridge, started by its first use, joins the session
    // bus; where there is none, libdbus forks to start one, at a cost that
    // grows with the memory the process holds: start it before the record is read.
    QAccessible::isActive();

    // Accessory: tool windows only, no taskbar entry.
    m_applicationShell = std::make_unique<ApplicationShell>();
    m_applicationShell->setActivationPolicy(ApplicationShell::ActivationPolicy::Accessory);

    // The one template.
    m_configuration = NotchTemplateConfiguration::defaults();

    // Stores on the live user defaults and the sorting service.
    m_userDefaults = m_services.makeUserDefaults ? m_services.makeUserDefaults() : std::make_unique<FileUserDefaults>();
    m_taskStore = std::make_unique<UserDefaultsTaskStore>(*m_userDefaults, QStringLiteral("quaver-loom.tasks"));
    m_taskWriter = std::make_unique<TaskWorkspaceWriter>(*m_taskStore);
    m_languageModel = std::make_unique<OpenAICompatibleLanguageModel>(
        OpenAICompatibleLanguageModel::Configuration::fromEnvironment());
    m_sortingService = std::make_unique<AppleFoundationTaskSortingService>(m_languageModel.get());
    m_preferencesStore =
        std::make_unique<UserDefaultsAppPreferencesStore>(*m_userDefaults, QStringLiteral("quaver-loom.preferences"));

    // The view models load what is stored.
    // Loading happens before the writer's thread ever touches the store.
    m_taskViewModel = std::make_unique<NotchTaskViewModel>(*m_taskStore, *m_sortingService, SystemClock::shared());
    m_taskViewModel->useWriter(*m_taskWriter);
    m_appSupportRouter = std::make_unique<LiveAppSupportRouter>();
    m_sessionViewModel = std::make_unique<AppSessionViewModel>(*m_preferencesStore, *m_appSupportRouter);
#if defined(__GLIBC__)
    // Parsing a large record leaves much freed heap behind; give it back.
    malloc_trim(0);
#endif

    // The overlay; its panel stays hidden until the pipeline below shows it.
    // "Test Flight" flies through the scheduler's presenter once the scheduler exists.
    auto onPreviewReminder = [this](const QString& title) {
        if (m_reminderScheduler)
            m_reminderScheduler->previewFlight(title);
    };
    m_pointerMonitor = m_services.makePointerMonitor ? m_services.makePointerMonitor()
                                                     : std::make_unique<XInputPointerMonitor>();
    m_screens = m_services.makeScreens ? m_services.makeScreens() : std::make_unique<QtScreenInfoProvider>();
    const bool reduceMotion =
        m_services.reduceMotion ? m_services.reduceMotion() : Motion::reduceMotionFromEnvironment();
    m_overlayController = std::make_unique<NotchOverlayController>(
        m_configuration, *m_taskViewModel, *m_sessionViewModel, onPreviewReminder,
        NotchOverlayController::Environment{*m_pointerMonitor, *m_screens, TemplateStyle::textWidthFunction(),
                                            reduceMotion});

    // Reminders: the flight presenter, then the scheduler, which flies an overdue one at once.
    m_reminderPresenter =
        std::make_unique<TaskReminderOverlayPresenter>(TaskReminderOverlayPresenter::Environment::live(reduceMotion));
    m_reminderScheduler = std::make_unique<TaskReminderScheduler>(*m_taskViewModel, *m_reminderPresenter, m_configuration,
                                                                  SystemClock::shared(),
                                                                  std::make_unique<QtOneShotTimer>());

    // The control-panel window follows the session's presentation flag from now on.
    m_calendar = std::make_unique<LocalCalendar>();
    m_systemSettingsRouter = std::make_unique<LiveSystemSettingsRouter>();
    m_loginItem = std::make_unique<XdgAutostartLoginItem>();
    m_windowCoordinator = std::make_unique<AppWindowCoordinator>(
        m_configuration, *m_taskViewModel, *m_sessionViewModel,
        AppWindowCoordinator::Environment{*m_applicationShell,
                                          {SystemClock::shared(), *m_calendar, *m_systemSettingsRouter,
                                           InfoDictionary::main(), m_languageModel.get(), m_loginItem.get()},
                                          m_checkForUpdatesCommand->action(), reduceMotion,
                                          ControlPanelRootView::onboardingView(m_services.resolveOnboardingVideo)});

    // The notch is shown exactly while onboarding is completed; the current
    // value is delivered at once.
    connect(m_sessionViewModel.get(), &AppSessionViewModel::preferencesChanged, this,
            [this](const AppPreferences& preferences) { onboardingStateChanged(preferences.hasCompletedOnboarding); });
    onboardingStateChanged(m_sessionViewModel->preferences().hasCompletedOnboarding);

    // Showing twice is harmless: monitors are installed once.
    if (m_sessionViewModel->preferences().hasCompletedOnboarding)
        showNotchPanel();

    // First launch or the reopen preference: the same window, brought forward again.
    if (m_sessionViewModel->isControlPanelPresented())
        m_windowCoordinator->showControlPanel();

    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
#if defined(__GLIBC__)
    // Building the first views on a large list leaves freed heap between live blocks.
    malloc_trim(0);
#endif
    return LaunchResult::started;
}

void AppDelegate::onboardingStateChanged(bool hasCompletedOnboarding)
{
    if (m_hasOnboardingState && hasCompletedOnboarding == m_lastHasCompletedOnboarding)
        return;
    m_hasOnboardingState = true;
    m_lastHasCompletedOnboarding = hasCompletedOnboarding;
    if (hasCompletedOnboarding)
        showNotchPanel();
    else
        hideNotchPanel();
}

void AppDelegate::showNotchPanel()
{
    if (!m_overlayController)
        return;
    m_overlayController->positionPanel();
    m_overlayController->panel().orderFront();
    m_overlayController->installEventMonitors();
    m_overlayController->evaluateHover();
}

void AppDelegate::hideNotchPanel()
{
    if (!m_overlayController)
        return;
    m_overlayController->removeEventMonitors();
    m_overlayController->panel().orderOut();
}

void AppDelegate::applicationWillTerminate()
{
    hideNotchPanel();
    if (m_taskViewModel && !m_taskViewModel->saveBeforeQuit())
        m_tasksUnsavedAtQuit = true;
}

int AppDelegate::run()
{
    // Installed before the load, so a signal that arrives during it still
    // ends the program through the normal path once the event loop runs.
    TerminationSignalHandler signalHandler;
    switch (startApplication()) {
    case LaunchResult::alreadyRunning:
        std::fprintf(stderr, "QuaverLoom is already running (lock file %s held by another process).\n",
                     qPrintable(QDir::toNativeSeparators(lockFilePath())));
        return 1;
    case LaunchResult::stoppedForTests:
    case LaunchResult::started:
        break;
    }
    const int status = QApplication::exec();
    return status == 0 && m_tasksUnsavedAtQuit ? 1 : status;
}
