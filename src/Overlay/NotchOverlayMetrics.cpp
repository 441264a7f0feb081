#include "Overlay/NotchOverlayMetrics.h"

#include <algorithm>

namespace {

bool hasPhysicalNotch(const ScreenInfo& screen)
{
    const auto& left = screen.auxiliaryTopLeftArea;
    const auto& right = screen.auxiliaryTopRightArea;
    return left && right && !left->isEmpty() && !right->isEmpty() && left->maxX() < right->minX();
}

NotchBandLayout bandLayout(double expandedWidth, double notchWidth, double notchHeight, double slotWidth,
                           const NotchTemplateConfiguration::Layout& layout)
{
    const double inset = layout.notchSlotHorizontalInset;
    const double spacing = layout.notchSlotSpacingFromNotch;
    const double notchX = (expandedWidth - notchWidth) / 2;

    const double leftEnd = std::max(0.0, notchX - spacing);
    const double rightStart = std::min(expandedWidth, notchX + notchWidth + spacing);
    const double roomLeft = std::max(0.0, leftEnd - inset);
    const double roomRight = std::max(0.0, expandedWidth - inset - rightStart);
    const double normalized = std::min(std::max(0.0, std::min(roomLeft, roomRight)),
                                       std::max(0.0, std::max(layout.notchSlotMinimumWidth, slotWidth)));

    NotchBandLayout band;
    band.frame = {0, 0, expandedWidth, notchHeight};
    band.leftSlotFrame = {inset, 0, normalized, notchHeight};
    band.notchFrame = {notchX, 0, notchWidth, notchHeight};
    band.rightSlotFrame = {std::max(rightStart, expandedWidth - inset - normalized), 0, normalized, notchHeight};
    band.slotHorizontalInset = inset;
    band.slotSpacingFromNotch = spacing;
    band.normalizedSlotWidth = std::max(0.0, normalized);
    return band;
}

} // namespace

NotchOverlayMetrics NotchOverlayMetrics::make(const std::optional<ScreenInfo>& screen,
                                              const NotchTemplateConfiguration& configuration,
                                              const TextWidthFunction& textWidth)
{
    const auto& layout = configuration.layout;
    const auto& interaction = configuration.interaction;

    // The notch and the collapsed candidates.
    double notchWidth = layout.virtualNotchWidth;
    double safeTop = layout.virtualNotchHeight;
    double widthCandidate = std::max(layout.minimumCollapsedWidth, layout.virtualNotchWidth);
    double heightCandidate = std::max(layout.minimumCollapsedHeight, layout.virtualNotchHeight);
    Rect screenFrame;
    if (screen) {
        screenFrame = screen->frame;
        if (hasPhysicalNotch(*screen)) {
            const Rect& left = *screen->auxiliaryTopLeftArea;
            const Rect& right = *screen->auxiliaryTopRightArea;
            notchWidth = right.minX() - left.maxX();
            safeTop = std::max(screen->topSafeAreaInset, std::max(left.height, right.height));
            widthCandidate = std::max(1.0, notchWidth - 2 * layout.physicalNotchInsetX);
            heightCandidate = std::max(1.0, safeTop - layout.physicalNotchInsetY);
        } else {
            safeTop = std::max(screen->topSafeAreaInset, layout.virtualNotchHeight);
            heightCandidate = std::max(layout.minimumCollapsedHeight, safeTop);
        }
    }

    // The collapsed shape never exceeds the notch.
    notchWidth = std::max(1.0, notchWidth);
    const double collapsedWidth = std::min(notchWidth, std::max(1.0, widthCandidate));

    // Header slots.
    const NotchHeaderWidthRequirements requirements = NotchHeaderWidthRequirements::make(configuration, textWidth);
    const double slotWidth = std::max(requirements.leftGroupWidth, requirements.rightGroupWidth);

    // Expanded width from its lower bounds.
    const double base = notchWidth + 2 * layout.notchSlotSpacingFromNotch + 2 * layout.notchSlotHorizontalInset;
    const double minimum = layout.notchBandOverflowBehavior
                                   == NotchTemplateConfiguration::NotchBandOverflowBehavior::preserveMinimumSlots
                               ? std::max(base + 2 * layout.notchSlotMinimumWidth, layout.minimumExpandedWidth)
                               : layout.minimumExpandedWidth;
    double expandedWidth = std::max({base + 2 * slotWidth, minimum, layout.expandedWidthMultiplier * collapsedWidth});

    // The screen cap comes last so that it wins over every lower bound, but
    // never goes below the collapsed width.
    if (screen && screenFrame.width > 0) {
        const double limit = std::max(collapsedWidth,
                                      std::min(layout.notchHeaderScreenWidthFraction * screenFrame.width,
                                               screenFrame.width - layout.panelHorizontalPadding));
        expandedWidth = std::min(expandedWidth, limit);
    }

    // Heights.
    const double safeTopInset = std::max(0.0, layout.expandedContentTopSpacingBelowNotch + safeTop);
    const double notchHeight = std::max(1.0, safeTop);
    const double collapsedHeight = std::min(notchHeight, std::max(1.0, heightCandidate));

    // Expanded height.
    const int rows = std::max(0, layout.preferredVisibleTaskRows);
    const double listHeight = layout.contentTopPadding + layout.inputHeight + rows * layout.taskRowHeight
                              + std::max(rows - 1, 0) * layout.taskListSpacing + layout.contentBottomPadding
                              + safeTopInset;
    const double expandedHeight = std::max({listHeight, layout.minimumExpandedHeight,
                                            layout.expandedHeightMultiplier * collapsedHeight});

    NotchOverlayMetrics metrics;
    metrics.screen = screen;
    // Centred on the screen frame, not on the auxiliary areas.
    metrics.notchFrame = {screenFrame.midX() - notchWidth / 2, screenFrame.maxY() - notchHeight, notchWidth,
                          notchHeight};
    metrics.notchBandLayout = bandLayout(expandedWidth, notchWidth, notchHeight, slotWidth, layout);
    // Widened sideways only.
    metrics.triggerRect = metrics.notchFrame.insetBy(-interaction.triggerInsetX, 0);
    const Rect expandedRect{screenFrame.midX() - expandedWidth / 2, screenFrame.maxY() - expandedHeight, expandedWidth,
                            expandedHeight};
    metrics.retentionRect = expandedRect.insetBy(-interaction.retentionInsetX, -interaction.retentionInsetY);
    // The glow padding is added once to the width, not per side.
    metrics.panelSize = {expandedWidth + layout.panelGlowHorizontalPadding,
                         expandedHeight + layout.panelGlowTopPadding + layout.panelBottomPadding};
    metrics.collapsedSize = {collapsedWidth, collapsedHeight};
    metrics.expandedSize = {expandedWidth, expandedHeight};
    metrics.expandedContentSafeTopInset = safeTopInset;
    metrics.headerWidthRequirements = requirements;
    return metrics;
}

Rect NotchOverlayMetrics::panelFrame(const Rect& screenFrame, const NotchTemplateConfiguration& configuration) const
{
    return {screenFrame.midX() - panelSize.width / 2,
            screenFrame.maxY() - panelSize.height + configuration.layout.panelGlowTopPadding, panelSize.width,
            panelSize.height};
}
