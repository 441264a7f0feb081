#include "Panel/SortingGlowPhase.h"

#include <algorithm>
#include <cmath>
#include <numbers>

SortingGlowPhase SortingGlowPhase::at(double t, const NotchTemplateConfiguration& configuration, bool reduceMotion)
{
    if (reduceMotion)
        return {reducedEdgeAngle, reducedEdgeAngle + haloLead, 1};
    const auto& interaction = configuration.interaction;
    const double period = std::max(interaction.aiGlowRotationDuration, 0.01);
    // Between -0.5 and 0.5; restarts with every turn, and the breathing with it.
    const double f = std::remainder(t, period) / period;
    const double edge = f * 360;
    double scale = 1;
    // A breathing period of zero or less would divide by zero: the halo then keeps still.
    if (interaction.aiGlowBreathingDuration > 0) {
        scale = 1 + configuration.layout.aiGlowScaleDrift
                        * std::sin(2 * std::numbers::pi * f * interaction.aiGlowRotationDuration
                                   / interaction.aiGlowBreathingDuration);
        if (!std::isfinite(scale))
            scale = 1;
    }
    return {edge, edge + haloLead, scale};
}

SortingGlowLengths SortingGlowLengths::from(const NotchTemplateConfiguration::Layout& layout)
{
    const auto length = [](double value) { return std::isfinite(value) ? std::max(0.0, value) : 0.0; };
    return {length(layout.aiGlowBorderLineWidth), length(layout.aiGlowEdgeLineWidth),
            length(layout.aiGlowEdgeBlurRadius), length(layout.aiGlowHaloLineWidth),
            length(layout.aiGlowHaloBlurRadius)};
}
