#include "ControlPanel/ControlPanelModule.h"

extern "C" Q_DECL_EXPORT ControlPanelPresenting* quaverloom_make_control_panel(const ControlPanelModuleRequest* request)
{
    AppWindowCoordinator::Environment environment = request->environment;
    if (!environment.makeOnboardingView)
        environment.makeOnboardingView = ControlPanelRootView::onboardingView(request->resolveOnboardingVideo);
    return new AppWindowCoordinator(request->configuration, *request->taskViewModel, *request->sessionViewModel,
                                    std::move(environment));
}
