#include "Platform/QtScreenInfoProvider.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
int roundedCoordinate(double value)
{
    // Far beyond any desktop, and well inside int.
    constexpr double bound = 1 << 24;
    if (std::isnan(value))
        return 0;
    return int(std::lround(std::clamp(value, -bound, bound)));
}
} // namespace

QtScreenInfoProvider::QtScreenInfoProvider(QObject* parent) : ScreenInfoProviding(parent)
{
    if (!qGuiApp)
        return;
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        scheduleChange();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &QtScreenInfoProvider::scheduleChange);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &QtScreenInfoProvider::scheduleChange);
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
}

void QtScreenInfoProvider::watch(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, &QtScreenInfoProvider::scheduleChange);
}

void QtScreenInfoProvider::scheduleChange()
{
    // One resolution change arrives as a burst of screen signals, and Qt may
    // still be updating the other screens: report once, after the burst.
    if (m_changePending)
        return;
    m_changePending = true;
    QTimer::singleShot(0, this, [this] {
        m_changePending = false;
        emit screensChanged();
    });
}

std::optional<ScreenInfo> QtScreenInfoProvider::mainScreen() const
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        const auto screens = QGuiApplication::screens();
        if (screens.isEmpty())
            return std::nullopt;
        screen = screens.first();
    }
    return screenInfo(screen->geometry(), flipHeight());
}

QRect QtScreenInfoProvider::windowGeometry(const Rect& screenRect) const
{
    return toWindowGeometry(screenRect, flipHeight());
}

ScreenInfo QtScreenInfoProvider::screenInfo(const QRect& qtGeometry, double flipHeight)
{
    const Rect topLeft{double(qtGeometry.x()), double(qtGeometry.y()), double(qtGeometry.width()),
                       double(qtGeometry.height())};
    return ScreenInfo{topLeft.verticallyFlipped(flipHeight), 0, std::nullopt, std::nullopt};
}

QRect QtScreenInfoProvider::toWindowGeometry(const Rect& screenRect, double flipHeight)
{
    const Rect topLeft = screenRect.verticallyFlipped(flipHeight);
    const int left = roundedCoordinate(topLeft.minX());
    const int top = roundedCoordinate(topLeft.minY());
    const int right = roundedCoordinate(topLeft.maxX());
    const int bottom = roundedCoordinate(topLeft.maxY());
    return QRect(left, top, right - left, bottom - top);
}

double QtScreenInfoProvider::flipHeight()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return 0;
    const QRect geometry = primary->geometry();
    return double(geometry.y()) + double(geometry.height());
}
