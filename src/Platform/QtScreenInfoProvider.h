#pragma once

#include "Platform/ScreenInfoProviding.h"

class QScreen;

// Screens as Qt reports them. Qt's desktop has its origin at the top left of the
// primary screen with y downwards; screen coordinates mirror it about the
// primary screen's bottom edge. Linux reports no camera housing, so screens
// carry no auxiliary areas and no top inset and the virtual notch applies.
class QtScreenInfoProvider final : public ScreenInfoProviding {
    Q_OBJECT
public:
    explicit QtScreenInfoProvider(QObject* parent = nullptr);

    // The primary screen, else the first one, else none.
    std::optional<ScreenInfo> mainScreen() const override;
    QRect windowGeometry(const Rect& screenRect) const override;

    static ScreenInfo screenInfo(const QRect& qtGeometry, double flipHeight);
    // Edges are rounded, not origin and size, so abutting rectangles stay abutting.
    static QRect toWindowGeometry(const Rect& screenRect, double flipHeight);
    // The primary screen's bottom edge in Qt's coordinates; 0 without screens.
    static double flipHeight();

private:
    void watch(QScreen* screen);
    void scheduleChange();

    bool m_changePending = false;
};
