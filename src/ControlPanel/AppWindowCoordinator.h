#pragma once

#include "ControlPanel/ControlPanelPresenting.h"
#include "ControlPanel/ControlPanelRootView.h"
#include "ControlPanel/ControlPanelViewModel.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QObject>
#include <memory>

class AppSessionViewModel;
class ApplicationShell;
class ControlPanelWindow;
class NotchTaskViewModel;
class QAction;

// Owns the one control-panel window and follows the session's
// isControlPanelPresented: on, the window is created once (then reused),
// the application turns regular and the window comes to the front on the
// overview; off, it is hidden and the application returns to accessory.
class AppWindowCoordinator final : public QObject, public ControlPanelPresenting {
    Q_OBJECT
public:
    struct Environment {
        ApplicationShell& applicationShell;
        ControlPanelViewModel::Environment viewModel;
        // The application menu's "Check for Updates…"; may be null.
        QAction* checkForUpdates = nullptr;
        bool reduceMotion = false;
        // Builds the onboarding sequence; empty: the one with the bundled videos.
        ControlPanelRootView::OnboardingFactory makeOnboardingView;
    };

    AppWindowCoordinator(const NotchTemplateConfiguration& configuration, NotchTaskViewModel& taskViewModel,
                         AppSessionViewModel& sessionViewModel, Environment environment, QObject* parent = nullptr);
    ~AppWindowCoordinator() override;

    void showControlPanel() override;
    AppWindowCoordinator* windowCoordinator() override { return this; }
    QWidget* shownWindow() override;
    // The window's close button; other windows are ignored.
    void windowWillClose(QWidget* window);

    ControlPanelViewModel& controlPanelViewModel() const { return *m_controlPanelViewModel; }
    // None until the first showing.
    ControlPanelWindow* controlPanelWindow() const { return m_controlPanelWindow.get(); }

private:
    void presentationChanged(bool presented);

    NotchTemplateConfiguration m_configuration;
    AppSessionViewModel& m_sessionViewModel;
    Environment m_environment;
    std::unique_ptr<ControlPanelViewModel> m_controlPanelViewModel;
    std::unique_ptr<ControlPanelWindow> m_controlPanelWindow;
};
