#pragma once

#include "Platform/QtScreenInfoProvider.h"
#include "Platform/ScreenInfoProviding.h"

// One plain screen at the origin (1920x1080 unless changed), or none at all.
class FakeScreenInfoProvider final : public ScreenInfoProviding {
public:
    std::optional<ScreenInfo> mainScreen() const override
    {
        if (!hasScreen)
            return std::nullopt;
        return ScreenInfo{{0, 0, size.width, size.height}, 0, std::nullopt, std::nullopt};
    }
    QRect windowGeometry(const Rect& screenRect) const override
    {
        return QtScreenInfoProvider::toWindowGeometry(screenRect, hasScreen ? size.height : 0);
    }

    // As a resolution change, a new monitor or an unplugged one would.
    void change(std::optional<Size> newSize)
    {
        hasScreen = newSize.has_value();
        if (newSize)
            size = *newSize;
        emit screensChanged();
    }

    bool hasScreen = true;
    Size size{1920, 1080};
};
