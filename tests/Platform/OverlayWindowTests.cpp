#include "Platform/CompositorMonitor.h"
#include "Platform/OverlayWindow.h"
#include "Platform/PointerMonitor.h"
#include "Platform/XInputPointerMonitor.h"
#include "Support/ScopedCompositing.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QWindow>
#include <gtest/gtest.h>

TEST(OverlayWindow, PassThroughLivesOnTheQWindowAndNeverHidesTheWindow)
{
    // Away from X11 Qt's flag lets clicks through; the input shape is an X11 matter.
    ASSERT_EQ(OverlayWindow::passThrough(), OverlayWindow::PassThrough::WindowFlag);
    OverlayWindow window;
    const Qt::WindowFlags placed = Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint;
    EXPECT_EQ(window.windowFlags() & placed, placed);
    ASSERT_NE(window.windowHandle(), nullptr);
    const auto passesClicks = [&] { return window.windowHandle()->flags().testFlag(Qt::WindowTransparentForInput); };
    EXPECT_TRUE(window.ignoresMouseEvents() && passesClicks()); // a fresh overlay lets every click through

    window.setGeometry(10, -34, 200, 100);
    window.orderFront();
    QSignalSpy writes(&window, &OverlayWindow::ignoresMouseEventsChanged);
    for (const bool ignores : {false, false, true}) {
        window.setIgnoresMouseEvents(ignores);
        EXPECT_EQ(passesClicks(), ignores);
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.geometry(), QRect(10, -34, 200, 100));
    }
    EXPECT_EQ(writes.count(), 2);

    // A change made while hidden survives showing again.
    window.orderOut();
    window.setIgnoresMouseEvents(false);
    window.orderFront();
    EXPECT_FALSE(passesClicks());

    // Off X11 translucency is composed for us: no mask, and focus calls are harmless.
    QPainterPath shape;
    shape.addRect(20, 34, 100, 30);
    window.setVisibleShape(shape);
    EXPECT_TRUE(window.mask().isEmpty());
    window.takeKeyboardFocus();
    window.giveBackKeyboardFocus();
}

TEST(OverlayWindow, OnlyTheVisibleShapeTakesClicksAndOnlyWhileItDoesNotIgnoreThem)
{
    OverlayWindow window;
    window.resize(200, 100);
    QPainterPath path;
    path.addRect(20, 34, 100, 30);
    const QRegion pathRegion(20, 34, 100, 30);
    const QRegion region = QRegion(0, 0, 50, 10) + QRegion(0, 10, 20, 5); // a shape given per frame as a region

    struct Case {
        const char* name;
        bool ignores;
        bool byRegion;
        QRegion expected;
    };
    const Case cases[] = {
        {"ignoring, shape by path", true, false, QRegion()},
        {"ignoring, shape by region", true, true, QRegion()},
        {"taking clicks, shape by path", false, false, pathRegion},
        {"taking clicks, shape by region", false, true, region},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.setIgnoresMouseEvents(c.ignores);
        if (c.byRegion)
            window.setVisiblePixels(region);
        else
            window.setVisibleShape(path);
        EXPECT_EQ(window.inputRegion(), c.expected);
    }
    // An empty shape takes no clicks at all, rather than the whole window.
    window.setIgnoresMouseEvents(false);
    window.setVisibleShape(QPainterPath());
    EXPECT_TRUE(window.inputRegion().isEmpty());
}

TEST(OverlayWindow, KeepsOnlyItsShapeWhileNoCompositorRunsAndIsWholeAgainWhenOneStarts)
{
    ScopedCompositing compositor(true);
    OverlayWindow window;
    window.setGeometry(10, -34, 200, 100);
    QPainterPath path;
    path.addRect(20, 34, 100, 30);
    window.setVisibleShape(path);
    window.orderFront();
    QSignalSpy changes(&window, &OverlayWindow::compositingChanged);
    EXPECT_TRUE(window.isCompositing());
    EXPECT_TRUE(window.mask().isEmpty());

    // Switched where it stands, without being shown again.
    compositor.set(false);
    EXPECT_FALSE(window.isCompositing());
    EXPECT_EQ(window.mask(), QRegion(20, 34, 100, 30));
    EXPECT_TRUE(window.isVisible());
    // A shape given per frame is kept too; an empty one shuts the window rather than leaving it whole.
    window.setVisiblePixels(QRegion(0, 0, 50, 10));
    EXPECT_EQ(window.mask(), QRegion(0, 0, 50, 10));
    window.setVisiblePixels(QRegion());
    EXPECT_FALSE(window.mask().isEmpty());
    EXPECT_FALSE(window.mask().intersects(window.rect()));

    compositor.set(true);
    EXPECT_TRUE(window.isCompositing());
    EXPECT_TRUE(window.mask().isEmpty());
    ASSERT_EQ(changes.count(), 2);
    EXPECT_FALSE(changes[0][0].toBool());
    EXPECT_TRUE(changes[1][0].toBool());

    // A hidden window follows as well and shows the way the screen needs it.
    window.setVisibleShape(path);
    window.orderOut();
    compositor.set(false);
    window.orderFront();
    EXPECT_EQ(window.mask(), QRegion(20, 34, 100, 30));
}

TEST(CompositorMonitor, EachNewOwnerOfTheSelectionIsACompositorStartingAndNoOwnerNone)
{
    ScopedCompositing compositor(false);
    CompositorMonitor& monitor = CompositorMonitor::shared();
    QSignalSpy changes(&monitor, &CompositorMonitor::compositingChanged);
    QSignalSpy starts(&monitor, &CompositorMonitor::compositorStarted);
    QStringList order;
    QObject context;
    QObject::connect(&monitor, &CompositorMonitor::compositorStarted, &context, [&] { order << "started"; });
    QObject::connect(&monitor, &CompositorMonitor::compositingChanged, &context, [&] { order << "changed"; });

    monitor.setOwner(0x400122);
    EXPECT_TRUE(monitor.isCompositing());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(starts.count(), 1);
    // Windows are shown to the compositor before they change their looks for it.
    EXPECT_EQ(order, QStringList({"started", "changed"}));
    // The same compositor setting the selection again is not a new one.
    monitor.setOwner(0x400122);
    EXPECT_EQ(starts.count(), 1);
    // One compositor replacing another with no gap: still composited, but a new compositor.
    monitor.setOwner(0x600004);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(starts.count(), 2);

    monitor.setOwner(0);
    EXPECT_FALSE(monitor.isCompositing());
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(starts.count(), 2);
}

TEST(OverlayWindow, AShapeInPointsKeepsTheDevicePixelsWhoseCentresLieInsideAtAnyScale)
{
    // A rounded outline off the point grid, as the notch's is while it grows.
    QPainterPath shape;
    shape.addRoundedRect(QRectF(10.3, 4.6, 180.5, 60.25), 14, 14);
    for (const qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        const QRegion pixels = OverlayWindow::pixelsInside(shape, ratio);
        const auto inside = [&](double x, double y) { return shape.contains(QPointF(x, y) / ratio); };
        int kept = 0;
        for (int y = 0; y < int(80 * ratio); ++y) {
            for (int x = 0; x < int(200 * ratio); ++x) {
                const double cx = x + 0.5, cy = y + 0.5;
                const bool expected = inside(cx, cy);
                kept += pixels.contains(QPoint(x, y));
                if (pixels.contains(QPoint(x, y)) == expected)
                    continue;
                // Only a pixel whose centre lies close to the outline, where the
                // curve is drawn as short lines, may go either way.
                bool nearEdge = false;
                for (const QPointF d : {QPointF(0.4, 0), QPointF(-0.4, 0), QPointF(0, 0.4), QPointF(0, -0.4)})
                    nearEdge = nearEdge || inside(cx + d.x(), cy + d.y()) != expected;
                ASSERT_TRUE(nearEdge) << x << "," << y;
            }
        }
        const double area = (180.5 * 60.25 - (4 - M_PI) * 14 * 14) * ratio * ratio;
        EXPECT_NEAR(kept, area, area * 0.01);
    }
}

TEST(PointerMonitor, PixelsBecomeBottomLeftPointsWithTheTopRowInside)
{
    const QRect primary = QGuiApplication::primaryScreen()->geometry();
    const int height = primary.y() + primary.height();
    EXPECT_EQ(PointerMonitor::pointFromPixel(QPoint(5, 0)), QPointF(5, height - 1));
}

TEST(XInputPointerMonitor, LocalMonitorsSeeEachMoveOnceAndDegradeOffX11)
{
    XInputPointerMonitor monitor;
    EXPECT_FALSE(monitor.addGlobalMonitor([] {}).has_value()); // no global pointer away from X11
    int first = 0, second = 0;
    const auto a = monitor.addLocalMonitor([&] { ++first; });
    const auto b = monitor.addLocalMonitor([&] { ++second; });
    ASSERT_TRUE(a && b);

    QWidget widget;
    widget.show();
    const auto move = [&](Qt::MouseButtons buttons) { // a drag is a move with a button held
        QMouseEvent event(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), Qt::NoButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(widget.windowHandle(), &event);
    };
    move(Qt::NoButton);
    move(Qt::LeftButton);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 2);
    monitor.removeMonitor(*a);
    monitor.removeMonitor(*a); // twice is harmless
    move(Qt::NoButton);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 3);
}
