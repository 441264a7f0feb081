#include "App/AppDelegate.h"

#include "Workspace/AppSessionViewModel.h"
#include "App/AppUpdateManagerFactory.h"
#include "App/CheckForUpdatesCommand.h"
#include "Platform/InfoDictionary.h"
#include "App/LiveAppSupportRouter.h"
#include "App/LiveSystemSettingsRouter.h"
#include "App/MessageBoxUpdateResultPresenter.h"
#include "App/TerminationSignalHandler.h"
#include "App/ControlPanelModuleLoader.h"
#include "ControlPanel/ControlPanelModule.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Model/TaskWorkspaceWriter.h"
#include "Model/UserDefaultsTaskStore.h"
#include "Overlay/NotchOverlayController.h"
#include "Overlay/NotchPanel.h"
#include "Panel/ContentView.h"
#include "UI/TemplateStyle.h"
#include "Platform/ApplicationShell.h"
#include "Platform/LocalCalendar.h"
#include "Platform/Logger.h"
#include "Platform/QtScreenInfoProvider.h"
#include "Platform/ReduceMotionSetting.h"
#include "Platform/SingleInstance.h"
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
#include <QFileInfo>
#include <QLockFile>
#include <QProcessEnvironment>
#include <cstdio>
#include <cerrno>
#include <csignal>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {
const Logger& logger()
{
    static const Logger instance(QStringLiteral("AppDelegate"));
    return instance;
}
} // namespace

AppDelegate::AppDelegate(QObject* parent) : AppDelegate(Services{}, parent) {}

AppDelegate::AppDelegate(Services services, QObject* parent) : QObject(parent), m_services(std::move(services))
{
    // The command is offered in the control panel's menu: its answer opens over that window.
    m_updateResultPresenter = std::make_unique<MessageBoxUpdateResultPresenter>(
        [this] { return m_windowCoordinator ? m_windowCoordinator->shownWindow() : nullptr; });
    m_appUpdateManager = AppUpdateManagerFactory::make(InfoDictionary::main(), *m_updateResultPresenter);
    // The control-panel window's application menu offers the command's action.
    m_checkForUpdatesCommand = std::make_unique<CheckForUpdatesCommand>(*m_appUpdateManager);
}

AppDelegate::~AppDelegate()
{
    applicationWillTerminate();
}

void AppDelegate::prepareProcess()
{
    // The onboarding videos loop only on the GStreamer media backend; a choice
    // already made in the environment is kept.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    // Every view paints with QPainter; without this, video frames are converted
    // through an OpenGL context, which on software rendering costs a whole core.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
}

namespace {
const QString kTaskStorageKey = QStringLiteral("quaver-loom.tasks");
} // namespace

std::shared_ptr<TaskRecordPreload> AppDelegate::preloadTaskRecord()
{
    // Read-only, so it may start before the single-instance lock is claimed;
    // but a later copy only hands its request over and ends, and would wait
    // for a large record's decode before it does. A lock naming a live process
    // marks such a copy; a stale one only costs the overlap.
    qint64 lockHolder = 0;
    if (QLockFile(lockFilePath()).getLockInfo(&lockHolder, nullptr, nullptr) && lockHolder > 0
        && (::kill(pid_t(lockHolder), 0) == 0 || errno == EPERM))
        return nullptr;
    // A huge record's decode already runs in pieces side by side, and its
    // objects made on another thread cost more to sort and free here than the
    // overlap saves: read ahead only what an ordinary workspace holds.
    constexpr qint64 largestRecordReadAhead = 8 * 1024 * 1024;
    if (QFileInfo(FileUserDefaults::standardDirectory() + QLatin1Char('/') + kTaskStorageKey).size()
        >= largestRecordReadAhead)
        return nullptr;
    return std::make_shared<TaskRecordPreload>(FileUserDefaults::standardDirectory(), kTaskStorageKey);
}

QString AppDelegate::lockFilePath()
{
    return SingleInstance::lockFilePath(FileUserDefaults::standardDirectory());
}

AppDelegate::LaunchResult AppDelegate::startApplication()
{
    // Under a test host nothing is created and nothing is shown.
    if (QProcessEnvironment::systemEnvironment().contains(QStringLiteral("XCTestConfigurationFilePath")))
        return LaunchResult::stoppedForTests;
    if (!claimSingleInstance())
        return LaunchResult::alreadyRunning;
    buildShell();
    buildStoresAndViewModels();
    buildNotchOverlay();
    buildReminders();
    buildControlPanel();
    followOnboardingWithTheNotch();

    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
#if defined(__GLIBC__)
    // Building the first views on a large list leaves freed heap between live blocks.
    malloc_trim(0);
#endif
    return LaunchResult::started;
}

bool AppDelegate::claimSingleInstance()
{
    // Two copies would draw two notches and write the same files; a later
    // start asks this one, through the lock's socket, for the control panel.
    // Connected before it listens: a request that comes during start-up is
    // carried out once the event loop runs.
    m_singleInstance = std::make_unique<SingleInstance>(FileUserDefaults::standardDirectory());
    connect(m_singleInstance.get(), &SingleInstance::showRequested, this, [this] {
        if (m_sessionViewModel)
            m_sessionViewModel->setControlPanelPresented(true);
    });
    if (!m_singleInstance->claim()) {
        m_singleInstance.reset();
        return false;
    }
    return true;
}

void AppDelegate::buildShell()
{
    // The accessibility bridge, started by its first use, joins the session
    // bus; where there is none, libdbus forks to start one, at a cost that
    // grows with the memory the process holds: start it before the record is read.
    QAccessible::isActive();

    // Accessory: tool windows only, no taskbar entry.
    m_applicationShell = std::make_unique<ApplicationShell>();
    m_applicationShell->setActivationPolicy(ApplicationShell::ActivationPolicy::Accessory);
    // The one template.
    m_configuration = NotchTemplateConfiguration::defaults();
    // Read from the desktop once here, and followed from then on.
    m_reduceMotion = m_services.makeReduceMotion ? m_services.makeReduceMotion() : ReduceMotionSetting::live();
    connect(m_reduceMotion.get(), &ReduceMotionSetting::changed, this, &AppDelegate::reduceMotionChanged);
}

void AppDelegate::reduceMotionChanged(bool reduceMotion)
{
    // The notch at once, flights from the next one; a control panel made later starts with it.
    if (m_overlayController)
        m_overlayController->setReduceMotion(reduceMotion);
    if (m_reminderPresenter)
        m_reminderPresenter->setReduceMotion(reduceMotion);
}

void AppDelegate::buildStoresAndViewModels()
{
    // Stores on the live user defaults and the sorting service.
    m_userDefaults = m_services.makeUserDefaults ? m_services.makeUserDefaults() : std::make_unique<FileUserDefaults>();
    std::shared_ptr<TaskRecordPreload> preload = std::move(m_services.taskRecordPreload);
    if (preload && (m_services.makeUserDefaults || preload->directory() != FileUserDefaults::standardDirectory()
                    || preload->key() != kTaskStorageKey))
        preload.reset(); // read elsewhere than this store reads
    m_taskStore = std::make_unique<UserDefaultsTaskStore>(*m_userDefaults, kTaskStorageKey, std::move(preload));
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
}

void AppDelegate::buildNotchOverlay()
{
    // Its panel stays hidden until the onboarding pipeline shows it. "Test
    // Flight" flies through the scheduler's presenter once the scheduler exists.
    auto onPreviewReminder = [this](const QString& title) {
        if (m_reminderScheduler)
            m_reminderScheduler->previewFlight(title);
    };
    m_pointerMonitor = m_services.makePointerMonitor ? m_services.makePointerMonitor()
                                                     : std::make_unique<XInputPointerMonitor>();
    m_screens = m_services.makeScreens ? m_services.makeScreens() : std::make_unique<QtScreenInfoProvider>();
    m_overlayController = std::make_unique<NotchOverlayController>(
        m_configuration, *m_taskViewModel, ContentView::factory(*m_taskViewModel, *m_sessionViewModel, {onPreviewReminder}),
        NotchOverlayController::Environment{*m_pointerMonitor, *m_screens, TemplateStyle::textWidthFunction(),
                                            m_reduceMotion->isOn()});
}

void AppDelegate::buildReminders()
{
    // The flight presenter, then the scheduler, which flies an overdue one at once.
    m_reminderPresenter =
        std::make_unique<TaskReminderOverlayPresenter>(TaskReminderOverlayPresenter::Environment::live(m_reduceMotion->isOn()));
    m_reminderScheduler = std::make_unique<TaskReminderScheduler>(*m_taskViewModel, *m_reminderPresenter, m_configuration,
                                                                  SystemClock::shared(),
                                                                  std::make_unique<QtOneShotTimer>());
}

void AppDelegate::buildControlPanel()
{
    m_calendar = std::make_unique<LocalCalendar>();
    m_systemSettingsRouter = std::make_unique<LiveSystemSettingsRouter>();
    m_loginItem = std::make_unique<XdgAutostartLoginItem>();
    // The window coordinator follows the session's presentation flag from the
    // moment it exists; until the flag is first raised it need not exist at all.
    if (m_sessionViewModel->isControlPanelPresented()) {
        makeWindowCoordinator();
        return;
    }
    connect(m_sessionViewModel.get(), &AppSessionViewModel::isControlPanelPresentedChanged, this,
            [this](bool presented) {
                if (presented && !m_windowCoordinator)
                    makeWindowCoordinator();
            });
}

void AppDelegate::makeWindowCoordinator()
{
    const ControlPanelModuleRequest request{
        m_configuration,
        m_taskViewModel.get(),
        m_sessionViewModel.get(),
        AppWindowCoordinator::Environment{*m_applicationShell,
                                          {SystemClock::shared(), *m_calendar, *m_systemSettingsRouter,
                                           InfoDictionary::main(), m_languageModel.get(), m_loginItem.get()},
                                          m_checkForUpdatesCommand->action(),
                                          m_reduceMotion->isOn(),
                                          {}},
        m_services.resolveOnboardingVideo};
    if (m_services.makeControlPanel) {
        m_windowCoordinator = m_services.makeControlPanel(request);
        return;
    }
    QString error;
    const auto make = ControlPanelModuleLoader::factory(&error);
    if (!make) {
        logger().error(QStringLiteral("The control panel cannot be shown: ") + error);
        return;
    }
    m_windowCoordinator.reset(make(&request));
}

AppWindowCoordinator* AppDelegate::windowCoordinator() const
{
    return m_windowCoordinator ? m_windowCoordinator->windowCoordinator() : nullptr;
}

void AppDelegate::followOnboardingWithTheNotch()
{
    // The notch is shown exactly while onboarding is completed; the current
    // value is delivered at once.
    connect(m_sessionViewModel.get(), &AppSessionViewModel::preferencesChanged, this,
            [this](const AppPreferences& preferences) { onboardingStateChanged(preferences.hasCompletedOnboarding); });
    onboardingStateChanged(m_sessionViewModel->preferences().hasCompletedOnboarding);

    // Showing twice is harmless: monitors are installed once.
    if (m_sessionViewModel->preferences().hasCompletedOnboarding)
        showNotchPanel();

    // First launch or the reopen preference: the same window, brought forward again.
    if (m_sessionViewModel->isControlPanelPresented() && m_windowCoordinator)
        m_windowCoordinator->showControlPanel();
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
    case LaunchResult::alreadyRunning: {
        // The copy that runs shows its control panel; this start is done.
        QString error;
        if (SingleInstance::requestShow(FileUserDefaults::standardDirectory(), 5000, &error))
            return 0;
        std::fprintf(stderr, "QuaverLoom is already running (lock file %s held by another process), "
                             "but it did not answer: %s\n",
                     qPrintable(QDir::toNativeSeparators(lockFilePath())), qPrintable(error));
        return 1;
    }
    case LaunchResult::stoppedForTests:
    case LaunchResult::started:
        break;
    }
    const int status = ApplicationShell::exec();
    return status == 0 && m_tasksUnsavedAtQuit ? 1 : status;
}
