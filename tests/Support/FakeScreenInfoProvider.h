#pragma once

#include "Platform/QtScreenInfoProvider.h"
#include "Platform/ScreenInfoProviding.h"

// One plain screen of the given size at the origin, or none at all.
class FakeScreenInfoProvider final : public ScreenInfoProviding {
public:
    explicit FakeScreenInfoProvider(double width = 1920, double height = 1080) : width(width), height(height) {}

    std::optional<ScreenInfo> mainScreen() const override
    {
        if (!hasScreen)
            return std::nullopt;
        return ScreenInfo{{0, 0, width, height}, 0, std::nullopt, std::nullopt};
    }
    QRect windowGeometry(const Rect& screenRect) const override
    {
        return QtScreenInfoProvider::toWindowGeometry(screenRect, hasScreen ? height : 0);
    }

    double width;
    double height;
    bool hasScreen = true;
};
