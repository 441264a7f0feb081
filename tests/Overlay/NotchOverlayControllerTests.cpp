#include "Overlay/NotchHostingView.h"
#include "Overlay/NotchOverlayController.h"
#include "Overlay/NotchPanel.h"
#include "Panel/ContentView.h"
#include "Support/ViewModelsFixture.h"
#include "Support/FakePointerMonitor.h"
#include "Support/FakeScreenInfoProvider.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Everything a controller needs, with a pointer and screens the test moves by hand.
struct OverlayFixture : ViewModelsFixture {
    FakePointerMonitor pointer;
    FakeScreenInfoProvider screens;
    // "AI Sort" measured at 40 points, as in the worked example; tests may widen it.
    double aiSortWidth = 40;
    std::unique_ptr<NotchOverlayController> controller;

    explicit OverlayFixture(bool hasScreen = true)
    {
        screens.hasScreen = hasScreen;
        controller = std::make_unique<NotchOverlayController>(
            NotchTemplateConfiguration::defaults(), viewModel, ContentView::factory(viewModel, session, {}),
            NotchOverlayController::Environment{
                pointer, screens, [this](const QString&, const NotchTemplateConfiguration::Font&) { return aiSortWidth; },
                false});
    }
    void show()
    {
        controller->positionPanel();
        controller->panel().orderFront();
        controller->installEventMonitors();
        controller->evaluateHover();
    }
};

} // namespace

TEST(NotchOverlayController, HoverRuleTriggersRetainsOnlyWhileExpandedAndHonoursHolds)
{
    OverlayFixture f;
    f.show();
    NotchTaskViewModel& vm = f.viewModel;
    const std::vector<std::pair<QPointF, bool>> moves{
        {{960, 1079}, true},   // the top pixel row under the notch is in the trigger strip
        {{960, 700}, true},    // over the expanded panel: retained
        {{960, 600}, false},   // below the retention area
        {{960, 700}, false},   // retention counts only while expanded
        {{1063.9, 1060}, true}, // the strip is 8 wider than the notch on each side
        {{1300, 1079}, false},
    };
    for (const auto& [point, expanded] : moves) {
        f.pointer.moveTo(point);
        EXPECT_EQ(vm.isExpanded(), expanded) << point.x() << "," << point.y();
    }

    // A hold keeps (and even makes) the panel expanded wherever the pointer goes.
    const QString hold = QStringLiteral("task-actions-E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    vm.setExpansionHold(true, hold);
    f.pointer.moveTo({10, 10});
    EXPECT_TRUE(vm.isExpanded());
    vm.setExpansionHold(false, hold);
    f.pointer.moveTo({12, 10});
    EXPECT_FALSE(vm.isExpanded());

    // Movement over the program's own windows counts the same.
    f.pointer.moveOverOwnWindowTo({960, 1079});
    EXPECT_TRUE(vm.isExpanded());
}

TEST(NotchOverlayController, PassThroughFollowsTheVisibleShapeAndIsWrittenOnlyOnChange)
{
    OverlayFixture f;
    f.pointer.location = {100, 100};
    f.show();
    NotchPanel& panel = f.controller->panel();
    QSignalSpy writes(&panel, &NotchPanel::ignoresMouseEventsChanged);
    struct Move {
        QPointF point;
        bool ignores;
        int writes;
    };
    const std::vector<Move> moves{
        {{120, 100}, true, 0},
        {{960, 1079}, false, 1},  // expands; the pointer is over the expanded shape
        {{1236.5, 692}, false, 1}, // its far corner: 683..1237 wide, 388 high
        {{1240, 700}, true, 2},   // beside the shape but inside retention: still expanded, clicks pass
        {{960, 400}, true, 2},    // collapses
        {{1060, 1060}, false, 3}, // beside the collapsed notch, but this move expands it
    };
    for (const auto& move : moves) {
        f.pointer.moveTo(move.point);
        EXPECT_EQ(panel.ignoresMouseEvents(), move.ignores) << move.point.x() << "," << move.point.y();
        EXPECT_EQ(writes.count(), move.writes) << move.point.x() << "," << move.point.y();
    }
}

TEST(NotchOverlayController, MonitorsAreInstalledOnceAndEachTokenRemovedOnce)
{
    OverlayFixture f;
    f.controller->installEventMonitors();
    f.controller->installEventMonitors();
    EXPECT_EQ(f.pointer.installedCount(), 2u);
    f.controller->removeEventMonitors();
    f.controller->removeEventMonitors();
    EXPECT_EQ(f.pointer.installedCount(), 0u);

    // A monitor kind that is not available gives no token; going away removes what is installed.
    f.pointer.globalAvailable = false;
    f.controller->installEventMonitors();
    EXPECT_EQ(f.pointer.installedCount(), 1u);
    f.controller.reset();
    EXPECT_EQ(f.pointer.installedCount(), 0u);
    EXPECT_EQ(f.pointer.unknownRemovals, 0);
    // Handlers left behind by a monitor are harmless once the controller is gone.
    f.pointer.moveTo({960, 1079});
}

TEST(NotchOverlayController, FollowsTheMainScreenThroughResolutionChangesAndUnplugging)
{
    OverlayFixture f;
    NotchOverlayController& c = *f.controller;
    EXPECT_FALSE(c.panel().isVisible());
    EXPECT_EQ(c.hostingView().rootView(), &static_cast<ContentView&>(c.rootView()));
    f.show();
    EXPECT_EQ(c.panel().geometry(), QRect(637, -34, 646, 456));
    QSignalSpy relayouts(&c, &NotchOverlayController::metricsChanged);
    ContentView* content = &static_cast<ContentView&>(c.rootView());

    struct Case {
        std::optional<Size> screen;
        QRect panel;
        QPointF underNotch; // the top pixel row at the screen's centre
    };
    const std::vector<Case> cases{
        {Size{2560, 1440}, QRect(957, -34, 646, 456), {1280, 1439}},
        // Narrow enough for the screen cap: 0.82 x 600 wide, 92 of glow padding.
        {Size{600, 800}, QRect(8, -34, 584, 456), {300, 799}},
        // Unplugged: the virtual notch without a screen cap; there is nowhere to place it.
        {std::nullopt, QRect(0, 0, 646, 456), {300, 799}},
        {Size{1920, 1080}, QRect(637, -34, 646, 456), {960, 1079}},
    };
    for (const Case& step : cases) {
        const int before = relayouts.count();
        f.pointer.location = {0, 0};
        f.viewModel.setExpanded(false);
        f.screens.change(step.screen);
        EXPECT_EQ(relayouts.count(), before + 1);
        EXPECT_EQ(c.metrics().screen.has_value(), step.screen.has_value());
        EXPECT_EQ(c.panel().size(), step.panel.size());
        if (step.screen) {
            EXPECT_EQ(c.panel().geometry(), step.panel);
        }
        EXPECT_EQ(c.hostingView().geometry(), QRect(QPoint(0, 0), step.panel.size()));
        f.pointer.moveTo(step.underNotch);
        EXPECT_EQ(f.viewModel.isExpanded(), step.screen.has_value()) << step.panel.x();
    }
    EXPECT_EQ(&static_cast<ContentView&>(c.rootView()), content); // same view, new inputs: its state survives

    // Nothing changed: nothing is redone. Sections never change the geometry.
    const int settled = relayouts.count();
    f.screens.change(Size{1920, 1080});
    f.viewModel.addSection(QStringLiteral("Errands"));
    EXPECT_EQ(relayouts.count(), settled);
}

TEST(NotchOverlayController, ReMeasuresTheHeaderWhenTheApplicationFontChanges)
{
    OverlayFixture f;
    NotchOverlayController& c = *f.controller;
    f.show();
    f.pointer.moveTo({10, 10});
    QSignalSpy relayouts(&c, &NotchOverlayController::metricsChanged);

    // A wider "AI Sort" label in the new font: left group 284, 248 + 2 x 284 + 92.
    f.aiSortWidth = 200;
    const QFont original = QGuiApplication::font();
    QFont larger = original;
    larger.setPointSizeF(original.pointSizeF() + 4);
    QGuiApplication::setFont(larger);
    QGuiApplication::setFont(original);
    EXPECT_EQ(relayouts.count(), 1);
    EXPECT_EQ(c.panel().geometry(), QRect(506, -34, 908, 456));
    EXPECT_EQ(static_cast<ContentView&>(c.rootView()).surfaceRect(), QRectF(358, 34, 192, 32));

    // Without any screen the panel still exists, with the virtual notch, and placement does nothing.
    OverlayFixture none(false);
    EXPECT_EQ(none.controller->metrics().collapsedSize, (Size{192, 32}));
    const QRect before = none.controller->panel().geometry();
    none.controller->positionPanel();
    EXPECT_EQ(none.controller->panel().geometry(), before);
}
