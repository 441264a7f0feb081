#pragma once

#include "Platform/QtScreenInfoProvider.h"
#include "Platform/ScreenInfoProviding.h"

// One plain 1920x1080 screen at the origin, or none at all.
class FakeScreenInfoProvider final : public ScreenInfoProviding {
public:
    std::optional<ScreenInfo> mainScreen() const override
    {
        if (!hasScreen)
            return std::nullopt;
        return ScreenInfo{{0, 0, 1920, 1080}, 0, std::nullopt, std::nullopt};
    }
    QRect windowGeometry(const Rect& screenRect) const override
    {
        return QtScreenInfoProvider::toWindowGeometry(screenRect, hasScreen ? 1080 : 0);
    }

    bool hasScreen = true;
};
