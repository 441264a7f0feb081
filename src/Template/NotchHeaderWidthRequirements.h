#pragma once

#include "Template/NotchTemplateConfiguration.h"

#include <QString>
#include <functional>

// Width of a text drawn in a font, in points. Injected so that the geometry
// needs no font machinery of its own.
using TextWidthFunction = std::function<double(const QString& text, const NotchTemplateConfiguration::Font& font)>;

// The widths the header controls beside the notch need.
struct NotchHeaderWidthRequirements {
    double leftGroupWidth = 0;
    double rightGroupWidth = 0;

    static NotchHeaderWidthRequirements make(const NotchTemplateConfiguration& configuration,
                                             const TextWidthFunction& textWidth);

    friend bool operator==(const NotchHeaderWidthRequirements&, const NotchHeaderWidthRequirements&) = default;
};
