#pragma once

#include "Platform/ScreenInfo.h"

#include <QObject>
#include <QRect>
#include <optional>

class ScreenInfoProviding : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ScreenInfoProviding() override = default;

    // The screen the notch lives on; none when no screen is attached.
    virtual std::optional<ScreenInfo> mainScreen() const = 0;

    // Window geometry (origin top left, y downwards) of a rectangle in screen coordinates.
    virtual QRect windowGeometry(const Rect& screenRect) const = 0;

signals:
    // A screen came, went, moved, was resized or became the main one.
    void screensChanged();
};
