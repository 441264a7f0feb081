#include "Model/TaskWorkspaceState.h"
#include "Platform/OverlayWindow.h"
#include "Reminders/TaskReminderAirplaneSpriteView.h"
#include "Reminders/TaskReminderFlightView.h"
#include "Reminders/TaskReminderOverlayPresenter.h"
#include "Reminders/TaskReminderScheduler.h"
#include "Support/EventLoopWait.h"
#include "Support/FakeTaskSortingService.h"
#include "Support/InMemoryTaskStore.h"
#include "Workspace/NotchTaskViewModel.h"
#include "Workspace/TaskBuilders.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

namespace {
// A flight that ends about 0.13 s after it appears.
NotchTemplateConfiguration quickFlight(double duration = 0)
{
    NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
    configuration.interaction.reminderFlightDuration = duration;
    return configuration;
}

class PresenterTest : public ::testing::Test {
protected:
    PresenterTest()
    {
        TaskReminderOverlayPresenter::Environment environment;
        environment.screenGeometries = [this] { return screens; };
        environment.mouseLocation = [] { return QPointF(10, 10); };
        presenter = std::make_unique<TaskReminderOverlayPresenter>(environment);
    }
    std::function<void()> counting(int& count)
    {
        return [&count] { ++count; };
    }

    QList<QRect> screens{QRect(0, 0, 640, 480)};
    std::unique_ptr<TaskReminderOverlayPresenter> presenter;
};
} // namespace

TEST_F(PresenterTest, AScheduledFlightDuringAPreviewFliesAfterIt)
{
    int finished = 0;
    presenter->present(QStringLiteral("preview"), quickFlight());
    ASSERT_TRUE(presenter->isShowing());
    EXPECT_EQ(presenter->panel()->geometry(), QRect(0, 0, 640, 480));
    EXPECT_TRUE(presenter->panel()->ignoresMouseEvents());

    presenter->present(QStringLiteral("due"), quickFlight(), counting(finished));
    presenter->present(QStringLiteral("second preview"), quickFlight());
    EXPECT_EQ(presenter->waitingCount(), 1u) << "a preview during a flight is dropped";

    ASSERT_TRUE(waitUntil([&] { return presenter->waitingCount() == 0; }));
    EXPECT_TRUE(presenter->isShowing()) << "the waiting flight starts when the preview ends";
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }));
    runEventLoopFor(250);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(presenter->isShowing());
}

TEST_F(PresenterTest, AReminderDueDuringAPreviewIsClearedAfterItsOwnFlight)
{
    TaskItem task = makeTask("due", QStringLiteral("section.work"), 0);
    task.reminder = TaskReminder{SystemClock::shared().now().addingSeconds(-1), false};
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.tasks = {task};
    InMemoryTaskStore store(state);
    FakeTaskSortingService sorting;
    NotchTaskViewModel viewModel(store, sorting, SystemClock::shared());

    presenter->present(QStringLiteral("preview"), quickFlight(0.2));
    TaskReminderScheduler scheduler(viewModel, *presenter, quickFlight(), SystemClock::shared(),
                                    std::make_unique<QtOneShotTimer>());
    EXPECT_EQ(scheduler.activeReminderTaskID(), task.id);
    ASSERT_TRUE(waitUntil([&] { return !viewModel.allTasks().first().reminder; }))
        << "the scheduler is not left waiting for a flight that never comes";
    EXPECT_FALSE(scheduler.activeReminderTaskID());
}

TEST_F(PresenterTest, WithoutAScreenTheFlightWaitsForOne)
{
    screens.clear();
    int finished = 0;
    presenter->present(QStringLiteral("preview"), quickFlight());
    presenter->present(QStringLiteral("due"), quickFlight(), counting(finished));
    EXPECT_FALSE(presenter->isShowing());
    EXPECT_EQ(finished, 0) << "an unseen reminder is not cleared";

    presenter->screensChanged();
    EXPECT_FALSE(presenter->isShowing());
    screens = {QRect(0, 0, 800, 600), QRect(800, 0, 1024, 768)};
    presenter->screensChanged();
    ASSERT_TRUE(presenter->isShowing());
    EXPECT_EQ(presenter->panel()->geometry(), QRect(0, 0, 800, 600));
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }));
}

TEST_F(PresenterTest, AFlightWindowHiddenFromOutsideEndsTheFlightOnce)
{
    int finished = 0;
    presenter->present(QStringLiteral("due"), quickFlight(30), counting(finished));
    ASSERT_TRUE(presenter->isShowing());
    presenter->panel()->close();
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(presenter->isShowing());
    runEventLoopFor(200);
    EXPECT_EQ(finished, 1);
}

TEST(TaskReminderFlightView, ReportsItsEndOnceAndNothingWhenHiddenFirst)
{
    struct Case {
        double duration;
        int hideAfterMs; // -1: left alone
        int completions;
    } cases[] = {{0, -1, 1}, {0.2, -1, 1}, {0.2, 50, 0}};
    for (const Case& c : cases) {
        int completions = 0;
        TaskReminderFlightView view(quickFlight(c.duration), QStringLiteral("Title"), [&] { ++completions; }, false);
        view.resize(800, 600);
        view.show();
        ASSERT_TRUE(view.flightStartDate());
        EXPECT_EQ(view.isTicking(), c.duration > 0) << "a zero-length flight is at its end at once";
        EXPECT_EQ(view.flagWidth(), 196) << "a short title gets the narrowest cloth";
        if (c.hideAfterMs >= 0) {
            runEventLoopFor(c.hideAfterMs);
            view.hide();
            EXPECT_FALSE(view.flightStartDate());
        }
        runEventLoopFor(int(c.duration * 1000) + 350);
        EXPECT_EQ(completions, c.completions) << c.duration << " " << c.hideAfterMs;
        EXPECT_FALSE(view.isTicking()) << "nothing ticks after the flight";
    }
}

TEST(TaskReminderFlightView, RepaintsOnlyAroundTheGroup)
{
    TaskReminderFlightView view(quickFlight(10), QStringLiteral("Title"), nullptr, false);
    view.resize(1920, 1080);
    view.show();
    const double start = *view.flightStartDate();
    const QRect middle = view.groupBounds(start + 5);
    EXPECT_LT(middle.width() * middle.height(), 1920 * 1080 / 20);
    EXPECT_TRUE(middle.contains(QPoint(middle.center().x(), 540)));
    EXPECT_TRUE(view.groupBounds(start - 1).isEmpty()) << "waits off the left edge";
    EXPECT_FALSE(view.groupShape(start + 5).isEmpty());
}

TEST(TaskReminderAirplaneSpriteView, SheetIsCutOnceAndAMissingOneLeavesTheAreaEmpty)
{
    EXPECT_EQ(TaskReminderAirplaneSpriteView::frames().size(), 12) << "the bundled sheet";
    QImage sheet(12 * 20 + 7, 10, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::red);
    const auto frames = TaskReminderAirplaneSpriteView::cutSheet(sheet);
    ASSERT_EQ(frames.size(), 12);
    EXPECT_EQ(frames.last().size(), QSize(20, 10));
    EXPECT_TRUE(TaskReminderAirplaneSpriteView::cutSheet(QImage()).isEmpty());

    TaskReminderAirplaneSpriteView airplane(NotchTemplateConfiguration::defaults(), false);
    airplane.setFrames({});
    EXPECT_FALSE(airplane.hasFrame(0));
    QImage canvas(200, 100, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    airplane.paint(painter, QRectF(0, 0, 112, 62), 0, true);
    painter.end();
    EXPECT_EQ(canvas.pixel(56, 31), qRgba(0, 0, 0, 0));
}
