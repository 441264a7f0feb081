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
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(window.windowType(), Qt::Tool);
    ASSERT_NE(window.windowHandle(), nullptr);

    // A fresh overlay lets every click through.
    EXPECT_TRUE(window.ignoresMouseEvents());
    EXPECT_TRUE(window.windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));

    window.setGeometry(10, -34, 200, 100);
    window.orderFront();
    ASSERT_TRUE(window.isVisible());

    QSignalSpy writes(&window, &OverlayWindow::ignoresMouseEventsChanged);
    window.setIgnoresMouseEvents(false);
    window.setIgnoresMouseEvents(false);
    EXPECT_EQ(writes.count(), 1);
    EXPECT_FALSE(window.windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), QRect(10, -34, 200, 100));

    window.setIgnoresMouseEvents(true);
    EXPECT_EQ(writes.count(), 2);
    EXPECT_TRUE(window.windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_TRUE(window.isVisible());

    // Hiding and showing again keeps the state it had.
    window.orderOut();
    EXPECT_FALSE(window.isVisible());
    window.setIgnoresMouseEvents(false);
    window.orderFront();
    EXPECT_FALSE(window.windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));

    // Off X11 translucency is composed for us: no mask, and focus calls are harmless.
    EXPECT_TRUE(window.isCompositing());
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
    EXPECT_EQ(PointerMonitor::pointFromPixel(QPoint(7, height - 1)), QPointF(7, 0));
    EXPECT_LT(PointerMonitor::pointFromPixel(QPoint(0, 0)).y(), double(height));
}

TEST(XInputPointerMonitor, LocalMonitorsSeeEachMoveOnceAndDegradeOffX11)
{
    XInputPointerMonitor monitor;
    // No global pointer away from X11: no token, and nothing crashes.
    EXPECT_FALSE(monitor.addGlobalMonitor([] {}).has_value());
    EXPECT_FALSE(monitor.usesRawMotion());

    int first = 0, second = 0;
    const auto a = monitor.addLocalMonitor([&] { ++first; });
    const auto b = monitor.addLocalMonitor([&] { ++second; });
    ASSERT_TRUE(a && b);
    EXPECT_NE(*a, *b);

    QWidget widget;
    widget.resize(100, 100);
    widget.show();
    QWindow* window = widget.windowHandle();
    ASSERT_NE(window, nullptr);
    auto move = [&] {
        QMouseEvent event(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(window, &event);
    };
    move();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);

    // A drag is a move with a button held.
    QMouseEvent drag(QEvent::MouseMove, QPointF(12, 10), QPointF(12, 10), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drag);
    EXPECT_EQ(first, 2);

    monitor.removeMonitor(*a);
    monitor.removeMonitor(*a); // twice is harmless
    move();
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 3);
    monitor.removeMonitor(*b);
    move();
    EXPECT_EQ(second, 3);
}
