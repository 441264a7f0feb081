#pragma once

#include "Platform/OverlayWindow.h"

// The borderless window over the notch. Unlike the reminder overlay it may
// take the keyboard (for the composer).
class NotchPanel final : public OverlayWindow {
    Q_OBJECT
public:
    explicit NotchPanel(QWidget* parent = nullptr);
};
