#pragma once

#include "Overlay/NotchBandLayout.h"
#include "Template/NotchHeaderWidthRequirements.h"
#include "Platform/Rect.h"
#include "Platform/ScreenInfo.h"
#include "Template/NotchTemplateConfiguration.h"

#include <optional>

// Every rectangle and size the notch overlay needs for one screen. Screen
// rectangles are in screen coordinates (origin bottom left, y upwards).
struct NotchOverlayMetrics {
    std::optional<ScreenInfo> screen;
    Rect notchFrame;
    Size collapsedSize;
    Size expandedSize;
    double expandedContentSafeTopInset = 0;
    NotchBandLayout notchBandLayout;
    Rect triggerRect;
    Rect retentionRect;
    Size panelSize;
    NotchHeaderWidthRequirements headerWidthRequirements;

    // Pure; without a screen the virtual notch is placed against the zero rectangle.
    static NotchOverlayMetrics make(const std::optional<ScreenInfo>& screen,
                                    const NotchTemplateConfiguration& configuration,
                                    const TextWidthFunction& textWidth);

    // The window carrying the panel, centred at the top of the screen and reaching
    // panelGlowTopPadding above its top edge, so the visible shape starts at that edge.
    Rect panelFrame(const Rect& screenFrame, const NotchTemplateConfiguration& configuration) const;

    friend bool operator==(const NotchOverlayMetrics&, const NotchOverlayMetrics&) = default;
};
