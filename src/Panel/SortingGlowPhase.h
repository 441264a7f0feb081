#pragma once

#include "Template/NotchTemplateConfiguration.h"

// Where the sorting glow stands at one moment: the angles of its edge and halo
// gradients (degrees, clockwise from three o'clock) and the halo's breathing
// scale. A pure function of the wall clock, so every frame is independent.
struct SortingGlowPhase {
    double edgeAngle = 0;
    double haloAngle = 0;
    double haloScale = 1;

    // The still picture shown with reduce motion.
    static constexpr double reducedEdgeAngle = 57.6;
    static constexpr double haloLead = 42;

    // t is seconds since 2001-01-01 00:00:00 UTC.
    static SortingGlowPhase at(double t, const NotchTemplateConfiguration& configuration, bool reduceMotion);

    friend bool operator==(const SortingGlowPhase&, const SortingGlowPhase&) = default;
};

// The template's glow lengths made safe to draw: a negative width or blur
// radius would turn a stroke or a blur inside out, so each is at least 0.
struct SortingGlowLengths {
    double borderLineWidth = 0;
    double edgeLineWidth = 0;
    double edgeBlurRadius = 0;
    double haloLineWidth = 0;
    double haloBlurRadius = 0;

    static SortingGlowLengths from(const NotchTemplateConfiguration::Layout& layout);

    friend bool operator==(const SortingGlowLengths&, const SortingGlowLengths&) = default;
};
