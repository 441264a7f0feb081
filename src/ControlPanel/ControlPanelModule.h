#pragma once

// The control-panel window with its chart and onboarding videos is built into
// a module of its own, which the program loads the first time the window is
// wanted: a start that only shows the notch never loads the chart and media
// libraries. This header is all the program knows of the module; it calls
// nothing in it but the factory below and virtual functions.
#include "ControlPanel/AppWindowCoordinator.h"
#include "ControlPanel/ControlPanelPresenting.h"
#include "ControlPanel/PersistedOnboardingVideoCache.h"

#include <functional>
#include <optional>

class AppSessionViewModel;
class NotchTaskViewModel;

struct ControlPanelModuleRequest {
    NotchTemplateConfiguration configuration;
    NotchTaskViewModel* taskViewModel = nullptr;
    AppSessionViewModel* sessionViewModel = nullptr;
    // Its onboarding factory, when empty, becomes the one with the bundled videos
    // played from where `resolveOnboardingVideo` says (empty: the video cache).
    AppWindowCoordinator::Environment environment;
    std::function<std::optional<OnboardingVideoSource>(const QString& assetName)> resolveOnboardingVideo;
};

// The module's one entry point; its name is what the program looks up.
#define QUAVERLOOM_CONTROL_PANEL_FACTORY "quaverloom_make_control_panel"
extern "C" ControlPanelPresenting* quaverloom_make_control_panel(const ControlPanelModuleRequest* request);
