#include "ControlPanel/AppWindowCoordinator.h"

#include "Workspace/AppSessionViewModel.h"
#include "ControlPanel/ControlPanelWindow.h"
#include "Platform/ApplicationShell.h"

AppWindowCoordinator::AppWindowCoordinator(const NotchTemplateConfiguration& configuration,
                                           NotchTaskViewModel& taskViewModel, AppSessionViewModel& sessionViewModel,
                                           Environment environment, QObject* parent)
    : QObject(parent), m_configuration(configuration), m_sessionViewModel(sessionViewModel),
      m_environment(std::move(environment)),
      m_controlPanelViewModel(std::make_unique<ControlPanelViewModel>(taskViewModel, sessionViewModel,
                                                                      m_environment.viewModel))
{
    // The current value is delivered at once: a coordinator made while the
    // flag is on shows the window now.
    connect(&m_sessionViewModel, &AppSessionViewModel::isControlPanelPresentedChanged, this,
            &AppWindowCoordinator::presentationChanged);
    connect(&m_sessionViewModel, &AppSessionViewModel::preferencesChanged, this,
            [this](const AppPreferences& preferences) {
                if (m_controlPanelWindow)
                    m_controlPanelWindow->applyAppearance(preferences.appearanceMode);
            });
    presentationChanged(m_sessionViewModel.isControlPanelPresented());
}

AppWindowCoordinator::~AppWindowCoordinator() = default;

void AppWindowCoordinator::presentationChanged(bool presented)
{
    if (presented) {
        showControlPanel();
        return;
    }
    if (m_controlPanelWindow)
        m_controlPanelWindow->hide();
    m_environment.applicationShell.setActivationPolicy(ApplicationShell::ActivationPolicy::Accessory);
}

void AppWindowCoordinator::showControlPanel()
{
    // Every showing starts on the overview.
    m_controlPanelViewModel->setSelectedDestination(ControlPanelDestination::overview);
    if (!m_controlPanelWindow) {
        auto* rootView = new ControlPanelRootView(m_configuration, *m_controlPanelViewModel, m_environment.reduceMotion);
        if (m_environment.makeOnboardingView)
            rootView->setOnboardingFactory(m_environment.makeOnboardingView);
        m_controlPanelWindow = std::make_unique<ControlPanelWindow>(rootView, m_environment.checkForUpdates);
        m_controlPanelWindow->applyAppearance(m_sessionViewModel.preferences().appearanceMode);
        m_controlPanelWindow->onWillClose = [this](ControlPanelWindow* window) { windowWillClose(window); };
    }
    m_controlPanelWindow->rootView()->syncNow();
    m_environment.applicationShell.setActivationPolicy(ApplicationShell::ActivationPolicy::Regular);
    m_environment.applicationShell.bringToFront(m_controlPanelWindow.get());
    if (!m_sessionViewModel.preferences().hasCompletedOnboarding)
        m_controlPanelViewModel->setActiveModal(ControlPanelViewModel::ActiveModal::onboarding);
}

QWidget* AppWindowCoordinator::shownWindow()
{
    return m_controlPanelWindow && m_controlPanelWindow->isVisible() ? m_controlPanelWindow.get() : nullptr;
}

void AppWindowCoordinator::windowWillClose(QWidget* window)
{
    if (!window || window != m_controlPanelWindow.get())
        return;
    m_sessionViewModel.setControlPanelPresented(false);
}
