#include "App/AppSessionViewModel.h"
#include "App/LiveAppSupportRouter.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Overlay/NotchHostingView.h"
#include "Overlay/NotchOverlayController.h"
#include "Overlay/NotchPanel.h"
#include "Panel/ContentView.h"
#include "Support/FakePointerMonitor.h"
#include "Support/FakeScreenInfoProvider.h"
#include "Support/FakeTaskSortingService.h"
#include "Support/InMemoryTaskStore.h"
#include "Support/ManualClock.h"
#include "Support/MemoryUserDefaults.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Everything a controller needs, with a pointer and screens the test moves by hand.
struct OverlayFixture {
    MemoryUserDefaults defaults;
    InMemoryTaskStore taskStore;
    FakeTaskSortingService sorting;
    ManualClock clock;
    NotchTaskViewModel viewModel{taskStore, sorting, clock};
    UserDefaultsAppPreferencesStore preferencesStore{defaults, QStringLiteral("quaver-loom.preferences")};
    LiveAppSupportRouter router;
    AppSessionViewModel session{preferencesStore, router};
    FakePointerMonitor pointer;
    FakeScreenInfoProvider screens;
    // "AI Sort" measured at 40 points, as in the worked example; tests may widen it.
    double aiSortWidth = 40;
    std::unique_ptr<NotchOverlayController> controller;

    void make()
    {
        controller = std::make_unique<NotchOverlayController>(
            NotchTemplateConfiguration::defaults(), viewModel, session, [](const QString&) {},
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

TEST(NotchOverlayController, CreatesThePanelHiddenAndPlacesItAtTheTopCentre)
{
    OverlayFixture f;
    f.make();
    NotchOverlayController& c = *f.controller;
    EXPECT_FALSE(c.panel().isVisible());
    EXPECT_TRUE(c.panel().ignoresMouseEvents());
    EXPECT_FALSE(c.hasEventMonitors());
    EXPECT_EQ(c.metrics().panelSize, (Size{646, 456}));
    EXPECT_EQ(c.hostingView().geometry(), QRect(0, 0, 646, 456));
    EXPECT_EQ(c.hostingView().rootView(), &c.contentView());

    c.positionPanel();
    EXPECT_EQ(c.panel().geometry(), QRect(637, -34, 646, 456));
    f.show();
    EXPECT_TRUE(c.panel().isVisible());
    EXPECT_EQ(c.panel().geometry(), QRect(637, -34, 646, 456));
    // The visible shape starts exactly at the screen's top edge, centred.
    EXPECT_EQ(c.contentView().surfaceRect(), QRectF(227, 34, 192, 32));

    // Without any screen the panel still exists, with the virtual notch, and placement does nothing.
    OverlayFixture none;
    none.screens.hasScreen = false;
    none.make();
    EXPECT_EQ(none.controller->metrics().collapsedSize, (Size{192, 32}));
    const QRect before = none.controller->panel().geometry();
    none.controller->positionPanel();
    EXPECT_EQ(none.controller->panel().geometry(), before);
}

TEST(NotchOverlayController, HoverRuleTriggersRetainsOnlyWhileExpandedAndHonoursHolds)
{
    OverlayFixture f;
    f.make();
    f.show();
    NotchTaskViewModel& vm = f.viewModel;
    EXPECT_FALSE(vm.isExpanded());

    // The top pixel row under the notch is inside the trigger strip (notch 864..1056 widened by 8).
    f.pointer.moveTo({960, 1079});
    EXPECT_TRUE(vm.isExpanded());
    f.pointer.moveTo({960, 700}); // below the notch, over the expanded panel
    EXPECT_TRUE(vm.isExpanded());
    f.pointer.moveTo({960, 600}); // below the retention area
    EXPECT_FALSE(vm.isExpanded());
    f.pointer.moveTo({960, 700}); // retention counts only while expanded
    EXPECT_FALSE(vm.isExpanded());

    // Trigger edges: half-open on the right and at the top.
    f.pointer.moveTo({855.9, 1079});
    EXPECT_FALSE(vm.isExpanded());
    f.pointer.moveTo({856, 1048});
    EXPECT_TRUE(vm.isExpanded());
    f.pointer.moveTo({1300, 1079});
    EXPECT_FALSE(vm.isExpanded());
    f.pointer.moveTo({1063.9, 1060});
    EXPECT_TRUE(vm.isExpanded());
    f.pointer.moveTo({1064, 1047.9});
    EXPECT_TRUE(vm.isExpanded()); // still inside retention
    f.pointer.moveTo({1300, 1079});
    EXPECT_FALSE(vm.isExpanded());

    // A hold keeps (and even makes) the panel expanded wherever the pointer goes.
    vm.setExpansionHold(true, QStringLiteral("task-actions-E621E1F8-C36C-495A-93FC-0C247A3E6E5F"));
    f.pointer.moveTo({10, 10});
    EXPECT_TRUE(vm.isExpanded());
    vm.setExpansionHold(false, QStringLiteral("task-actions-E621E1F8-C36C-495A-93FC-0C247A3E6E5F"));
    EXPECT_TRUE(vm.isExpanded()); // nothing re-evaluates until the pointer moves
    f.pointer.moveTo({12, 10});
    EXPECT_FALSE(vm.isExpanded());

    // Movement over the program's own windows counts the same.
    f.pointer.moveOverOwnWindowTo({960, 1079});
    EXPECT_TRUE(vm.isExpanded());
}

TEST(NotchOverlayController, PassThroughFollowsTheVisibleShapeAndIsWrittenOnlyOnChange)
{
    OverlayFixture f;
    f.make();
    f.pointer.location = {100, 100};
    f.show();
    NotchPanel& panel = f.controller->panel();
    QSignalSpy writes(&panel, &NotchPanel::ignoresMouseEventsChanged);

    f.pointer.moveTo({120, 100});
    EXPECT_EQ(writes.count(), 0);
    EXPECT_TRUE(panel.ignoresMouseEvents());

    f.pointer.moveTo({960, 1079}); // expands; the pointer is over the expanded shape
    EXPECT_FALSE(panel.ignoresMouseEvents());
    EXPECT_EQ(writes.count(), 1);
    f.pointer.moveTo({700, 700}); // 683..1237 wide, 388 high: still over it
    f.pointer.moveTo({1236.5, 692});
    EXPECT_EQ(writes.count(), 1);
    f.pointer.moveTo({1240, 700}); // beside the shape but inside retention: expanded, clicks pass
    EXPECT_TRUE(f.viewModel.isExpanded());
    EXPECT_TRUE(panel.ignoresMouseEvents());
    EXPECT_EQ(writes.count(), 2);
    f.pointer.moveTo({1245, 705});
    EXPECT_EQ(writes.count(), 2);

    // Collapsed, only the notch itself takes clicks.
    f.pointer.moveTo({960, 400});
    EXPECT_FALSE(f.viewModel.isExpanded());
    EXPECT_EQ(writes.count(), 2);
    f.viewModel.setExpansionHold(true, QStringLiteral("probe"));
    f.viewModel.setExpanded(false);
    f.viewModel.setExpansionHold(false, QStringLiteral("probe"));
    f.pointer.moveTo({1060, 1060}); // inside the trigger strip, outside the collapsed notch
    EXPECT_TRUE(f.viewModel.isExpanded());
    EXPECT_FALSE(panel.ignoresMouseEvents()); // expanded shape covers it
}

TEST(NotchOverlayController, MonitorsAreInstalledOnceAndEachTokenRemovedOnce)
{
    OverlayFixture f;
    f.make();
    f.controller->installEventMonitors();
    f.controller->installEventMonitors();
    EXPECT_EQ(f.pointer.localAdds, 1);
    EXPECT_EQ(f.pointer.globalAdds, 1);
    EXPECT_EQ(f.pointer.installedCount(), 2u);
    f.controller->removeEventMonitors();
    f.controller->removeEventMonitors();
    EXPECT_EQ(f.pointer.removals, 2);
    EXPECT_EQ(f.pointer.unknownRemovals, 0);
    EXPECT_EQ(f.pointer.installedCount(), 0u);

    // A monitor kind that is not available returns no token and is never removed.
    f.pointer.globalAvailable = false;
    f.controller->installEventMonitors();
    EXPECT_TRUE(f.controller->hasEventMonitors());
    EXPECT_EQ(f.pointer.installedCount(), 1u);
    // Going away removes what is installed.
    f.controller.reset();
    EXPECT_EQ(f.pointer.installedCount(), 0u);
    EXPECT_EQ(f.pointer.removals, 3);
    EXPECT_EQ(f.pointer.unknownRemovals, 0);
    // Handlers left behind by a monitor are harmless once the controller is gone.
    f.pointer.moveTo({960, 1079});
}

TEST(NotchOverlayController, ReLayoutOnlyWhenTheSizesChange)
{
    OverlayFixture f;
    f.make();
    f.show();
    NotchOverlayController& c = *f.controller;
    QSignalSpy relayouts(&c, &NotchOverlayController::metricsChanged);
    ContentView* content = &c.contentView();

    f.viewModel.addSection(QStringLiteral("Errands"));
    EXPECT_EQ(relayouts.count(), 0);
    EXPECT_EQ(&c.contentView(), content);
    EXPECT_EQ(c.panel().geometry(), QRect(637, -34, 646, 456));

    // A wider header (a longer "AI Sort" label) widens the expanded panel on the next change.
    f.aiSortWidth = 200; // left group 284 > right group 153: E = 248 + 2 × 284 = 816
    f.viewModel.addSection(QStringLiteral("Garden"));
    ASSERT_EQ(relayouts.count(), 1);
    EXPECT_EQ(c.metrics().expandedSize.width, 816);
    EXPECT_EQ(c.panel().geometry(), QRect(506, -34, 908, 456));
    EXPECT_EQ(c.hostingView().geometry(), QRect(0, 0, 908, 456));
    EXPECT_EQ(&c.contentView(), content); // same view, new inputs: its state survives
    EXPECT_EQ(c.contentView().inputs().metrics, c.metrics());
    EXPECT_EQ(c.contentView().surfaceRect(), QRectF(358, 34, 192, 32));
}
