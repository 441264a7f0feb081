#pragma once

#include "Platform/Rect.h"

#include <optional>

// A snapshot of one screen in screen coordinates: origin at the bottom left of
// the primary screen, y growing upwards, one unit per logical pixel.
struct ScreenInfo {
    Rect frame;
    double topSafeAreaInset = 0;
    // The strips left and right of a camera housing; absent on screens without one.
    std::optional<Rect> auxiliaryTopLeftArea;
    std::optional<Rect> auxiliaryTopRightArea;

    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};
