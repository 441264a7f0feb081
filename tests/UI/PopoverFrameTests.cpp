#include "UI/PopoverFrame.h"
#include "Support/EventLoopWait.h"
#include "Support/ScopedCompositing.h"

#include <QApplication>
#include <climits>
#include <cmath>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

TEST(PopoverFrame, PlacementPrefersTheGivenEdgeFlipsWhenItDoesNotFitAndKeepsTheArrowOffCorners)
{
    const QRect screen(0, 0, 1000, 800);
    const QSize content(200, 100);
    const int depth = PopoverFrame::arrowDepth;
    struct Case {
        const char* name;
        QRect anchor;
        std::optional<PopoverEdge> preferred;
        QRect available;
        PopoverPlacement expected;
    };
    const Case cases[] = {
        {"trailing fits", {400, 300, 40, 20}, PopoverEdge::Trailing, screen,
         {{440, 260, 200 + depth, 100}, PopoverEdge::Trailing, 49}},
        {"trailing flips to leading at the right edge", {900, 300, 40, 20}, PopoverEdge::Trailing, screen,
         {{900 - 200 - depth, 260, 200 + depth, 100}, PopoverEdge::Leading, 49}},
        {"top flips below a control at the screen's top", {480, 0, 40, 24}, PopoverEdge::Top, screen,
         {{400, 24, 200, 100 + depth}, PopoverEdge::Bottom, 99}},
        {"no preference hangs below, kept on screen, arrow clear of the corner", {5, 300, 20, 20}, std::nullopt,
         screen, {{0, 320, 200, 100 + depth}, PopoverEdge::Bottom, 22}},
        {"nothing fits: most room, the preferred edge on a tie", {130, 60, 40, 30}, PopoverEdge::Top,
         {0, 0, 300, 150}, {{50, 60 - 100 - depth, 200, 100 + depth}, PopoverEdge::Top, 99}},
    };
    for (const Case& c : cases) {
        const PopoverPlacement placement = PopoverFrame::place(c.anchor, content, c.preferred, c.available);
        EXPECT_EQ(placement.edge, c.expected.edge) << c.name;
        EXPECT_EQ(placement.frame, c.expected.frame) << c.name;
        EXPECT_EQ(placement.arrowCenter, c.expected.arrowCenter) << c.name;
    }
}

TEST(MaterialPopoverCard, PadsSixteenAndSpacesRowsTwelve)
{
    MaterialPopoverCard card(300);
    auto* first = new QLabel("First line");
    auto* second = new QLabel("Second line");
    card.addContent(first);
    card.addContent(second);
    card.resize(card.sizeHint());
    card.layout()->setGeometry(card.rect());
    EXPECT_EQ(card.width(), 300);
    EXPECT_EQ(first->geometry().topLeft(), QPoint(16, 16));
    EXPECT_EQ(second->geometry().top() - first->geometry().bottom() - 1, 12);
    EXPECT_EQ(card.height() - second->geometry().bottom() - 1, 16);
}

namespace {

// A window with a toggling opener and a popover hanging on it.
struct PopoverScene {
    QWidget window;
    QPushButton* opener = new QPushButton("Open", &window);
    QPushButton* elsewhere = new QPushButton("Elsewhere", &window);
    bool shown = false;
    int openerClicks = 0;
    PopoverFrame* popover = nullptr;

    PopoverScene()
    {
        window.resize(500, 400);
        opener->setGeometry(300, 20, 60, 30);
        elsewhere->setGeometry(20, 300, 100, 30);
        popover = new PopoverFrame(opener, {[this] { return shown; }, [this](bool value) { shown = value; }},
                                   PopoverEdge::Bottom);
        auto* card = new MaterialPopoverCard(150);
        card->addContent(new QLabel("Content"));
        popover->setContent(card);
        QObject::connect(opener, &QPushButton::clicked, [this] {
            ++openerClicks;
            shown = !shown;
            popover->sync();
        });
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void clickWindowAt(QPoint point) { QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, point); }
};

} // namespace

TEST(PopoverFrame, ShowsForTheBindingAndAnOutsideClickSetsItFalse)
{
    PopoverScene scene;
    scene.clickWindowAt(scene.opener->geometry().center());
    ASSERT_TRUE(scene.shown);
    ASSERT_TRUE(waitUntil([&] { return scene.popover->isVisible(); }));
    EXPECT_EQ(QApplication::activePopupWidget(), scene.popover);
    EXPECT_EQ(scene.popover->edge(), PopoverEdge::Bottom);
    EXPECT_EQ(scene.popover->geometry().top(), scene.opener->mapToGlobal(QPoint(0, scene.opener->height())).y());

    scene.clickWindowAt(scene.elsewhere->geometry().center());
    EXPECT_FALSE(scene.shown);
    EXPECT_FALSE(scene.popover->isVisible());

    // The owner closing it through the binding hides it too.
    scene.shown = true;
    scene.popover->sync();
    ASSERT_TRUE(scene.popover->isVisible());
    scene.shown = false;
    scene.popover->sync();
    EXPECT_FALSE(scene.popover->isVisible());
}

TEST(PopoverFrame, TheClickOnTheOpenerThatClosesItDoesNotReopenIt)
{
    PopoverScene scene;
    scene.clickWindowAt(scene.opener->geometry().center());
    ASSERT_TRUE(waitUntil([&] { return scene.popover->isVisible(); }));
    ASSERT_EQ(scene.openerClicks, 1);

    scene.clickWindowAt(scene.opener->geometry().center());
    runEventLoopFor(20);
    EXPECT_FALSE(scene.shown);
    EXPECT_FALSE(scene.popover->isVisible());
    EXPECT_EQ(scene.openerClicks, 1);

    // The next click opens it again as usual.
    scene.clickWindowAt(scene.opener->geometry().center());
    EXPECT_TRUE(scene.shown);
    EXPECT_TRUE(waitUntil([&] { return scene.popover->isVisible(); }));
}

TEST(PopoverFrame, WindowShapeFollowsTheRoundedCornersOnEverySideInDevicePixels)
{
    // Where no compositor runs the shape is all the outline there is: each
    // device pixel row of a corner must end where the corner's circle crosses
    // that row, on a scaled screen as on a plain one.
    const int depth = PopoverFrame::arrowDepth;
    for (const qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
        const double r = PopoverFrame::cornerRadius * ratio;
        for (const PopoverEdge edge :
             {PopoverEdge::Top, PopoverEdge::Bottom, PopoverEdge::Leading, PopoverEdge::Trailing}) {
            const bool vertical = edge == PopoverEdge::Top || edge == PopoverEdge::Bottom;
            PopoverPlacement placement;
            placement.edge = edge;
            placement.frame = QRect(0, 0, vertical ? 220 : 220 + depth, vertical ? 150 + depth : 150);
            placement.arrowCenter = vertical ? 110 : 75;
            const QRegion shape =
                PopoverFrame::shapeRegion(PopoverFrame::chromePath(placement), placement.frame.size(), ratio);
            const QPointF bodyOrigin(edge == PopoverEdge::Trailing ? depth : 0, edge == PopoverEdge::Bottom ? depth : 0);
            const QRectF body(bodyOrigin * ratio, QSizeF(220, 150) * ratio);

            for (int y = int(std::ceil(body.top())); y < body.top() + r; ++y) {
                const int mirrored = int(std::floor(body.bottom() - (y + 1 - body.top())));
                for (const int row : {y, mirrored}) {
                    int left = INT_MAX, right = INT_MIN;
                    for (const QRect& run : shape)
                        if (run.top() <= row && row <= run.bottom()) {
                            left = std::min(left, run.left());
                            right = std::max(right, run.right() + 1);
                        }
                    const double dy = row < body.center().y() ? body.top() + r - (row + 0.5)
                                                              : (row + 0.5) - (body.bottom() - r);
                    const double inset = r - std::sqrt(std::max(0.0, r * r - dy * dy));
                    EXPECT_NEAR(left, body.left() + inset, 0.7) << ratio << "x, edge " << int(edge) << " row " << row;
                    EXPECT_NEAR(right, body.right() - inset, 0.7) << ratio << "x, edge " << int(edge) << " row " << row;
                }
            }
        }
    }
}

TEST(PopoverFrame, ShadowGrowsTheWindowAroundTheChromeAndIsNoPartOfIt)
{
    PopoverScene scene;
    scene.popover->setShadow(PopoverFrame::Shadow{QColor(0, 0, 0, 46), 16, QPointF(0, 10)});
    scene.clickWindowAt(scene.opener->geometry().center());
    ASSERT_TRUE(waitUntil([&] { return scene.popover->isVisible(); }));
    // Offscreen counts as composited: room for the shadow, 16 to the sides, 6 above, 26 below.
    const QRect chrome = scene.popover->chromeRect();
    EXPECT_EQ(chrome.topLeft(), QPoint(16, 6));
    EXPECT_EQ(scene.popover->size(), chrome.size() + QSize(32, 32));
    EXPECT_EQ(scene.popover->geometry().top() + 6,
              scene.opener->mapToGlobal(QPoint(0, scene.opener->height())).y());

    const QImage image = scene.popover->grab().toImage();
    const auto alpha = [&](int x, int y) { return qAlpha(image.pixel(x, y)); };
    // Below the chrome the shadow shows, strongest near it and gone at the window's edge.
    const int x = chrome.center().x();
    EXPECT_GT(alpha(x, chrome.bottom() + 6), 10);
    EXPECT_LT(alpha(x, chrome.bottom() + 6), 47);
    EXPECT_LT(alpha(x, scene.popover->height() - 1), alpha(x, chrome.bottom() + 6));
    EXPECT_LE(alpha(2, chrome.center().y()), 4);

    // A press on the shadow closes the popover as a press outside it would.
    QTest::mouseClick(scene.popover, Qt::LeftButton, {}, QPoint(x, chrome.bottom() + 12));
    EXPECT_TRUE(waitUntil([&] { return !scene.popover->isVisible(); }));
    EXPECT_FALSE(scene.shown);
}

TEST(PopoverFrame, AnOpenPopoverTurnsOpaqueAndShapedWhenTheCompositorStopsAndSoftWhenItStarts)
{
    ScopedCompositing compositor(true);
    PopoverScene scene;
    scene.popover->setShadow(PopoverFrame::Shadow{QColor(0, 0, 0, 46), 16, QPointF(0, 10)});
    scene.clickWindowAt(scene.opener->geometry().center());
    ASSERT_TRUE(waitUntil([&] { return scene.popover->isVisible(); }));
    const auto chromeOnScreen = [&] {
        return QRect(scene.popover->mapToGlobal(scene.popover->chromeRect().topLeft()),
                     scene.popover->chromeRect().size());
    };
    const auto centreAlpha = [&] {
        const QImage image = scene.popover->grab().toImage();
        return qAlpha(image.pixel(scene.popover->chromeRect().center()));
    };
    const QRect chrome = chromeOnScreen();
    ASSERT_LT(centreAlpha(), 255) << "a translucent material while composited";
    ASSERT_TRUE(scene.popover->mask().isEmpty());

    compositor.set(false);
    EXPECT_TRUE(scene.popover->isVisible()) << "it stays open";
    EXPECT_TRUE(scene.shown);
    EXPECT_EQ(chromeOnScreen(), chrome) << "the chrome stays where it was";
    EXPECT_EQ(scene.popover->size(), chrome.size()) << "no room for a shadow nobody would see";
    EXPECT_EQ(scene.popover->mask().boundingRect(), scene.popover->rect());
    EXPECT_FALSE(scene.popover->mask().contains(QPoint(0, PopoverFrame::arrowDepth))) << "cut at the corners";
    EXPECT_EQ(centreAlpha(), 255);

    compositor.set(true);
    EXPECT_TRUE(scene.popover->isVisible());
    EXPECT_EQ(chromeOnScreen(), chrome);
    EXPECT_EQ(scene.popover->chromeRect().topLeft(), QPoint(16, 6)) << "room for the shadow again";
    EXPECT_TRUE(scene.popover->mask().isEmpty());
    EXPECT_LT(centreAlpha(), 255);
}

TEST(PopoverFrame, AHiddenPopoverFollowsTheCompositorAndItsNextWindowTakesTheShapeOfTheMode)
{
    ScopedCompositing compositor(false);
    PopoverScene scene;
    scene.popover->setShadow(PopoverFrame::Shadow{QColor(0, 0, 0, 46), 16, QPointF(0, 10)});
    const auto toggle = [&] { scene.clickWindowAt(scene.opener->geometry().center()); };
    // What the window system is given: the native window's own mask.
    const auto windowMask = [&] {
        QWindow* window = scene.popover->windowHandle();
        return window ? window->mask() : scene.popover->mask();
    };
    toggle();
    ASSERT_TRUE(waitUntil([&] { return scene.popover->isVisible(); }));
    const QSize opaqueSize = scene.popover->size();
    ASSERT_FALSE(windowMask().isEmpty()) << "shaped without a compositor";
    toggle();
    ASSERT_TRUE(waitUntil([&] { return !scene.popover->isVisible(); }));

    compositor.set(true);
    EXPECT_TRUE(scene.popover->mask().isEmpty()) << "dropped while hidden";
    toggle();
    ASSERT_TRUE(waitUntil([&] { return scene.popover->isVisible(); }));
    EXPECT_GT(scene.popover->width(), opaqueSize.width()) << "room for the shadow";
    EXPECT_TRUE(windowMask().isEmpty()) << "whole, not cut to the smaller shape of before";
    toggle();
    ASSERT_TRUE(waitUntil([&] { return !scene.popover->isVisible(); }));

    compositor.set(false);
    EXPECT_FALSE(scene.popover->mask().isEmpty()) << "set while hidden";
    toggle();
    ASSERT_TRUE(waitUntil([&] { return scene.popover->isVisible(); }));
    EXPECT_EQ(scene.popover->size(), opaqueSize);
    EXPECT_EQ(windowMask().boundingRect(), scene.popover->rect());
}
