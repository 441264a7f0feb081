#include "Platform/OverlayWindow.h"
#include "Platform/PointerMonitor.h"
#include "Platform/XInputPointerMonitor.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QWindow>
#include <gtest/gtest.h>

TEST(OverlayWindow, PassThroughLivesOnTheQWindowAndNeverHidesTheWindow)
{
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
