#include "Model/TaskWorkspaceState.h"
#include "Model/TaskWorkspaceWriter.h"
#include "Reminders/TaskReminderPresenting.h"
#include "Reminders/TaskReminderScheduler.h"
#include "Support/EventLoopWait.h"
#include "Support/FakeTaskSortingService.h"
#include "Support/LogCapture.h"
#include "Support/ManualClock.h"
#include "Workspace/NotchTaskViewModel.h"
#include "Workspace/TaskBuilders.h"

#include <QStringList>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

namespace {
const QString kWork = QStringLiteral("section.work");

// A wait that fires only when the test says so.
class FakeOneShotTimer final : public OneShotTimer {
public:
    void start(std::chrono::milliseconds delay, std::function<void()> onFire) override
    {
        armedDelay = delay;
        m_onFire = std::move(onFire);
    }
    void stop() override { m_onFire = nullptr; }
    bool isActive() const override { return static_cast<bool>(m_onFire); }
    void fire()
    {
        auto onFire = std::move(m_onFire);
        m_onFire = nullptr;
        onFire();
    }
    std::chrono::milliseconds armedDelay{-1};

private:
    std::function<void()> m_onFire;
};

// Records flights and ends them when the test says so.
class FakeReminderPresenter final : public TaskReminderPresenting {
public:
    void present(const QString& title, const NotchTemplateConfiguration&, std::function<void()> onFinished) override
    {
        flown.append(title);
        finishers.append(std::move(onFinished));
    }
    void present(const QString& title, const NotchTemplateConfiguration&) override { previews.append(title); }
    void finishFlight()
    {
        auto finish = finishers.takeFirst();
        finish();
    }

    QStringList flown;
    QStringList previews;
    QList<std::function<void()>> finishers;
};

// A store whose saves can be held open (as a background writer's are while
// the disk is slow) and made to fail; safe to use from the writer's thread.
class HeldTaskStore final : public TaskStore {
public:
    TaskWorkspaceState load() override
    {
        std::lock_guard lock(m_mutex);
        return m_stored;
    }
    void save(const TaskWorkspaceState& state) override
    {
        std::unique_lock lock(m_mutex);
        ++m_entered;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_held; });
        if (m_failing)
            throw StoreError(QStringLiteral("disk full"));
        m_stored = state;
        ++m_saves;
    }
    void set(TaskWorkspaceState state)
    {
        std::lock_guard lock(m_mutex);
        m_stored = std::move(state);
    }
    TaskWorkspaceState stored()
    {
        std::lock_guard lock(m_mutex);
        return m_stored;
    }
    void hold(bool held)
    {
        std::lock_guard lock(m_mutex);
        m_held = held;
        m_changed.notify_all();
    }
    void setFailing(bool failing)
    {
        std::lock_guard lock(m_mutex);
        m_failing = failing;
    }
    int saveCount()
    {
        std::lock_guard lock(m_mutex);
        return m_saves;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    TaskWorkspaceState m_stored = TaskWorkspaceState::defaultState();
    int m_entered = 0;
    int m_saves = 0;
    bool m_held = false;
    bool m_failing = false;
};

TaskItem withReminder(TaskItem task, double at, bool delivering = false)
{
    task.reminder = TaskReminder{Date{at}, delivering};
    return task;
}

class TaskReminderSchedulerTest : public ::testing::Test {
protected:
    static constexpr double now = 700000000;

    ~TaskReminderSchedulerTest() override
    {
        store.hold(false); // the writer waits for its last save when it goes
        scheduler.reset();
        viewModel.reset();
    }
    // Saves go straight to the store, or through the background writer.
    void make(TaskList tasks, bool savesInBackground = false)
    {
        TaskWorkspaceState state = TaskWorkspaceState::defaultState();
        state.tasks = std::move(tasks);
        store.set(state);
        viewModel = std::make_unique<NotchTaskViewModel>(store, sorting, clock);
        if (savesInBackground)
            viewModel->useWriter(writer);
        auto ownedTimer = std::make_unique<FakeOneShotTimer>();
        timer = ownedTimer.get();
        scheduler = std::make_unique<TaskReminderScheduler>(*viewModel, presenter, NotchTemplateConfiguration::defaults(),
                                                            clock, std::move(ownedTimer));
    }
    std::optional<TaskReminder> reminderOf(const QString& title) const
    {
        return taskTitled(viewModel->allTasks(), title).reminder;
    }
    std::optional<TaskReminder> storedReminderOf(const QString& title)
    {
        return taskTitled(store.stored().tasks, title).reminder;
    }

    HeldTaskStore store;
    TaskWorkspaceWriter writer{store};
    FakeTaskSortingService sorting;
    ManualClock clock{Date{now}};
    FakeReminderPresenter presenter;
    std::unique_ptr<NotchTaskViewModel> viewModel;
    FakeOneShotTimer* timer = nullptr;
    std::unique_ptr<TaskReminderScheduler> scheduler;
};
} // namespace

TEST_F(TaskReminderSchedulerTest, ArmsTheEarliestOpenReminderAndFollowsChanges)
{
    make({withReminder(makeTask("later", kWork, 0), now + 100), withReminder(makeTask("sooner", kWork, 1), now + 50.0004),
          withReminder(makeTask("done", kWork, 2, true), now + 10), makeTask("plain", kWork, 3)});
    ASSERT_TRUE(timer->isActive());
    EXPECT_EQ(timer->armedDelay.count(), 50001) << "rounded up to whole milliseconds, never early";

    viewModel->saveReminder(idFor("later"), Date{now + 20});
    EXPECT_EQ(timer->armedDelay.count(), 20000);

    viewModel->clearReminder(idFor("later"));
    viewModel->clearReminder(idFor("sooner"));
    EXPECT_FALSE(timer->isActive()) << "a completed task's reminder is never armed";
    EXPECT_TRUE(presenter.flown.isEmpty());
}

TEST_F(TaskReminderSchedulerTest, NoReminderArmsNothing)
{
    make({makeTask("plain", kWork, 0)});
    EXPECT_FALSE(scheduler->isArmed());
    EXPECT_TRUE(presenter.flown.isEmpty());
}

TEST_F(TaskReminderSchedulerTest, TimedDeliveryComesOneTurnAfterTheTimerAndClearsAfterTheFlight)
{
    make({withReminder(makeTask("call", kWork, 0), now + 5)});
    clock.advance(5);
    timer->fire();
    EXPECT_TRUE(presenter.flown.isEmpty()) << "delivery waits for the next turn of the event loop";
    ASSERT_TRUE(waitUntil([&] { return !presenter.flown.isEmpty(); }));
    EXPECT_EQ(presenter.flown, QStringList{"call"});
    EXPECT_TRUE(reminderOf("call")->isDelivering);
    EXPECT_EQ(scheduler->activeReminderTaskID(), idFor("call"));

    presenter.finishFlight();
    EXPECT_FALSE(reminderOf("call"));
    EXPECT_FALSE(scheduler->activeReminderTaskID());
    EXPECT_FALSE(timer->isActive());
}

TEST_F(TaskReminderSchedulerTest, SplitOrEarlyWakesChooseAgainInsteadOfDelivering)
{
    make({withReminder(makeTask("far", kWork, 0), now + 3 * 60 + 1)});
    EXPECT_EQ(timer->armedDelay.count(), 60 * 1000) << "long waits are split";

    clock.advance(60);
    timer->fire();
    runEventLoopFor(20);
    EXPECT_TRUE(presenter.flown.isEmpty());
    EXPECT_EQ(timer->armedDelay.count(), 60 * 1000);

    clock.advance(2 * 60 + 0.5); // woken half a second early
    timer->fire();
    runEventLoopFor(20);
    EXPECT_TRUE(presenter.flown.isEmpty());
    EXPECT_EQ(timer->armedDelay.count(), 500);

    clock.advance(0.5);
    timer->fire();
    ASSERT_TRUE(waitUntil([&] { return !presenter.flown.isEmpty(); }));
    EXPECT_EQ(presenter.flown, QStringList{"far"});
}

TEST_F(TaskReminderSchedulerTest, AfterASleepAcrossTheDueTimeTheFlightStartsWithinAMinute)
{
    make({withReminder(makeTask("after sleep", kWork, 0), now + 8 * 3600)});
    ASSERT_TRUE(timer->isActive());
    EXPECT_LE(timer->armedDelay.count(), 60 * 1000) << "the wall clock is read again at least once a minute";

    // The monotonic wait stood still while the computer slept; the wall clock did not.
    clock.advance(9 * 3600);
    timer->fire();
    ASSERT_TRUE(waitUntil([&] { return !presenter.flown.isEmpty(); }));
    EXPECT_EQ(presenter.flown, QStringList{"after sleep"});
}

TEST_F(TaskReminderSchedulerTest, OverdueRemindersFlyOneAfterAnotherEarliestFirst)
{
    // Ties keep the stored order; the future one waits its turn.
    make({withReminder(makeTask("tie-b", kWork, 0), now - 30), withReminder(makeTask("oldest", kWork, 1), now - 90),
          withReminder(makeTask("tie-c", kWork, 2), now - 30), withReminder(makeTask("future", kWork, 3), now + 60)});
    EXPECT_EQ(presenter.flown, QStringList{"oldest"}) << "an overdue reminder flies during construction";
    for (int i = 0; i < 2; ++i)
        presenter.finishFlight();
    EXPECT_EQ(presenter.flown, (QStringList{"oldest", "tie-b", "tie-c"}));
    presenter.finishFlight();
    EXPECT_EQ(presenter.flown.size(), 3);
    EXPECT_EQ(timer->armedDelay.count(), 60000);
    EXPECT_FALSE(reminderOf("oldest") || reminderOf("tie-b") || reminderOf("tie-c"));
}

TEST_F(TaskReminderSchedulerTest, AFlightCutShortByARestartFliesAgainWithoutMarkingTwice)
{
    make({withReminder(makeTask("interrupted", kWork, 0), now - 600, true)});
    EXPECT_EQ(presenter.flown, QStringList{"interrupted"});
    EXPECT_EQ(store.saveCount(), 0) << "already marked delivering; nothing to save";
    presenter.finishFlight();
    EXPECT_FALSE(reminderOf("interrupted"));
}

TEST_F(TaskReminderSchedulerTest, ATaskGoneBeforeItsTimeFiresIsNotShown)
{
    make({withReminder(makeTask("gone", kWork, 0), now + 5)});
    clock.advance(5);
    timer->fire(); // the wake is on its way when the task goes
    store.setFailing(true);
    LogCapture log;
    viewModel->deleteTask(idFor("gone"));
    ASSERT_EQ(log.lines().size(), 1);
    runEventLoopFor(20);
    EXPECT_TRUE(presenter.flown.isEmpty());
    EXPECT_FALSE(timer->isActive());
}

TEST_F(TaskReminderSchedulerTest, AReminderSetAgainDuringItsFlightIsKept)
{
    make({withReminder(makeTask("again", kWork, 0), now - 1)});
    ASSERT_EQ(presenter.flown, QStringList{"again"});
    viewModel->saveReminder(idFor("again"), Date{now + 300});
    EXPECT_FALSE(timer->isActive()) << "nothing is armed while a flight is on screen";

    presenter.finishFlight();
    ASSERT_TRUE(reminderOf("again"));
    EXPECT_EQ(*reminderOf("again"), (TaskReminder{Date{now + 300}, false}));
    EXPECT_TRUE(timer->isActive());
}

TEST_F(TaskReminderSchedulerTest, PreviewFliesOnlyWhileNoScheduledFlightIsShowing)
{
    make({withReminder(makeTask("soon", kWork, 0), now + 10)});
    scheduler->previewFlight(QStringLiteral("Test"));
    EXPECT_EQ(presenter.previews, QStringList{"Test"});
    EXPECT_TRUE(timer->isActive()) << "a preview leaves the timer alone";

    clock.advance(10);
    scheduler->reschedule();
    ASSERT_EQ(presenter.flown, QStringList{"soon"});
    scheduler->previewFlight(QStringLiteral("Ignored"));
    EXPECT_EQ(presenter.previews, QStringList{"Test"});
}

TEST_F(TaskReminderSchedulerTest, AFlightEndingAfterTheSchedulerIsGoneDoesNothing)
{
    make({withReminder(makeTask("late", kWork, 0), now - 1)});
    scheduler.reset();
    presenter.finishFlight();
    EXPECT_TRUE(reminderOf("late")->isDelivering);
}

namespace {
enum class SaveTrouble { heldOpenInBackground, failingInBackground, failing };

// The workspace saved in the background or not at all, while reminders change.
class SchedulerWithLaggingSavesTest : public TaskReminderSchedulerTest,
                                      public ::testing::WithParamInterface<SaveTrouble> {
protected:
    void make(TaskList tasks) { TaskReminderSchedulerTest::make(std::move(tasks), GetParam() != SaveTrouble::failing); }
    void troubleSaves(bool trouble)
    {
        store.hold(trouble && GetParam() == SaveTrouble::heldOpenInBackground);
        store.setFailing(trouble && GetParam() != SaveTrouble::heldOpenInBackground);
    }
};
} // namespace

TEST_P(SchedulerWithLaggingSavesTest, AReminderMovedLaterFliesOnlyAtItsNewTimeAndIsKept)
{
    make({withReminder(makeTask("move", kWork, 0), now + 2)});
    ASSERT_EQ(timer->armedDelay.count(), 2000);
    troubleSaves(true);
    LogCapture log;

    // The wait for +2 s ends just as the reminder is moved to +60 s, whose save lags or fails.
    clock.advance(2);
    timer->fire();
    viewModel->saveReminder(idFor("move"), Date{now + 60});
    EXPECT_EQ(timer->armedDelay.count(), 58000) << "the wait follows the change, not its save";
    runEventLoopFor(50);
    EXPECT_TRUE(presenter.flown.isEmpty()) << "nothing flies at the old time";
    EXPECT_EQ(reminderOf("move"), (TaskReminder{Date{now + 60}, false}));
    EXPECT_EQ(timer->armedDelay.count(), 58000);

    // Saves come through again: the moved reminder is what is stored.
    troubleSaves(false);
    if (GetParam() == SaveTrouble::heldOpenInBackground)
        writer.flush();
    else
        viewModel->persistWorkspace();
    writer.flush();
    EXPECT_EQ(storedReminderOf("move"), (TaskReminder{Date{now + 60}, false}));

    clock.advance(58);
    timer->fire();
    ASSERT_TRUE(waitUntil([&] { return !presenter.flown.isEmpty(); }));
    EXPECT_EQ(presenter.flown, QStringList{"move"});
    presenter.finishFlight();
    writer.flush();
    EXPECT_FALSE(storedReminderOf("move"));
    EXPECT_FALSE(timer->isActive());
}

TEST_P(SchedulerWithLaggingSavesTest, ChangesReArmBeforeTheirSaveAndADueOneFliesOneTurnLater)
{
    make({withReminder(makeTask("later", kWork, 0), now + 600), makeTask("plain", kWork, 1)});
    troubleSaves(true);
    LogCapture log;

    viewModel->saveReminder(idFor("plain"), Date{now + 30});
    EXPECT_EQ(timer->armedDelay.count(), 30000) << "an earlier reminder replaces the wait";
    viewModel->completeTask(idFor("plain"));
    EXPECT_EQ(timer->armedDelay.count(), 60000) << "a completed task's reminder leaves the wait";
    viewModel->clearReminder(idFor("later"));
    EXPECT_FALSE(timer->isActive());

    // Set for the current instant: it flies from the event loop, not inside the edit.
    viewModel->saveReminder(idFor("later"), clock.now());
    EXPECT_TRUE(presenter.flown.isEmpty());
    ASSERT_TRUE(timer->isActive());
    EXPECT_EQ(timer->armedDelay.count(), 0);
    timer->fire();
    ASSERT_TRUE(waitUntil([&] { return !presenter.flown.isEmpty(); }));
    EXPECT_EQ(presenter.flown, QStringList{"later"});
    EXPECT_TRUE(reminderOf("later")->isDelivering);
}

INSTANTIATE_TEST_SUITE_P(Saves, SchedulerWithLaggingSavesTest,
                         ::testing::Values(SaveTrouble::heldOpenInBackground, SaveTrouble::failingInBackground,
                                           SaveTrouble::failing),
                         [](const ::testing::TestParamInfo<SaveTrouble>& info) {
                             switch (info.param) {
                             case SaveTrouble::heldOpenInBackground:
                                 return "HeldOpenInBackground";
                             case SaveTrouble::failingInBackground:
                                 return "FailingInBackground";
                             case SaveTrouble::failing:
                                 return "Failing";
                             }
                             return "";
                         });
