#include "Template/NotchHeaderWidthRequirements.h"

#include <algorithm>
#include <cmath>

NotchHeaderWidthRequirements NotchHeaderWidthRequirements::make(const NotchTemplateConfiguration& configuration,
                                                                const TextWidthFunction& textWidth)
{
    const auto& layout = configuration.layout;
    const double padding = layout.notchControlHorizontalPadding;
    const double symbol = layout.notchControlSymbolSize;
    const double fontSize = layout.notchControlFontSize;

    // The label is measured as written, whatever the configured title says.
    double label = 0;
    if (textWidth) {
        const double measured = textWidth(QStringLiteral("AI Sort"),
                                          NotchTemplateConfiguration::Font::system(
                                              fontSize, NotchTemplateConfiguration::Font::Weight::Semibold));
        if (std::isfinite(measured) && measured > 0)
            label = std::ceil(measured);
    }

    const double sortSymbol = symbol > 0 ? symbol + 6 : 0;
    const double iconControl = symbol > 0 ? 2 * padding + symbol : 2 * padding;
    const double left = iconControl + layout.notchControlGroupSpacing + layout.notchControlEdgePadding
                        + (2 * padding + sortSymbol + label);

    const double glyph = std::ceil(std::max(fontSize, symbol));
    const double square = 2 * padding + std::max(0.0, glyph);
    const double right = layout.notchControlEdgePadding + 3 * square + 3 * layout.notchTaskCounterSpacing
                         + layout.notchTaskCounterMinimumWidth;
    return {left, right};
}
