#pragma once

#include "Platform/Rect.h"

#include <Qt>

// The header band of the expanded panel, in panel-local coordinates (origin at
// the top left of the expanded shape, y downwards).
struct NotchBandLayout {
    Rect frame;
    Rect leftSlotFrame;
    Rect notchFrame;
    Rect rightSlotFrame;
    double slotHorizontalInset = 0;
    double slotSpacingFromNotch = 0;
    double normalizedSlotWidth = 0;
    Qt::Alignment leftContentAlignment = Qt::AlignLeading | Qt::AlignVCenter;
    Qt::Alignment rightContentAlignment = Qt::AlignTrailing | Qt::AlignVCenter;

    friend bool operator==(const NotchBandLayout&, const NotchBandLayout&) = default;
};
