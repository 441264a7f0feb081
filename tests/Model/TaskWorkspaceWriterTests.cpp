#include "Model/TaskWorkspaceWriter.h"
#include "Model/UserDefaultsTaskStore.h"
#include "Support/EventLoopWait.h"
#include "Support/FakeTaskSortingService.h"
#include "Support/LogCapture.h"
#include "Support/ManualClock.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QSignalSpy>
#include <QTimer>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A store whose saves wait at a gate the test opens; each save is named by
// the snapshot's product-wide prompt and Work's prompt.
class GatedStore final : public TaskStore {
public:
    TaskWorkspaceState load() override { return TaskWorkspaceState::defaultState(); }

    void save(const TaskWorkspaceState& state) override
    {
        std::unique_lock lock(m_mutex);
        ++m_entered;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open; });
        const QString name = state.defaultPromptOverride + state.workspacePromptsByID.value("section.work");
        if (name.startsWith("fail"))
            throw StoreError(QStringLiteral("disk full"));
        saved.append(name);
    }

    void waitUntilEntered(int count)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_entered >= count; });
    }

    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

    QStringList saved; // read only after a flush

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_entered = 0;
    bool m_open = false;
};

// A store whose saves fail, as on a full disk, until it is healed.
class FailingStore final : public TaskStore {
public:
    TaskWorkspaceState load() override { return TaskWorkspaceState::defaultState(); }

    void save(const TaskWorkspaceState& state) override
    {
        std::lock_guard lock(m_mutex);
        ++m_attempts;
        if (m_failing)
            throw StoreError(QStringLiteral("could not write quaver-loom.tasks: No space left on device"),
                             QStringLiteral("No space left on device"));
        m_saved = state;
    }

    std::optional<QString> keepUnsavedCopy(const TaskWorkspaceState& state, QString* error) override
    {
        copies.append(state);
        if (copyFails) {
            *error = QStringLiteral("/state/QuaverLoom: Read-only file system");
            return std::nullopt;
        }
        return QStringLiteral("/state/QuaverLoom/quaver-loom.tasks.unsaved-20261207T040506Z");
    }

    void setFailing(bool failing)
    {
        std::lock_guard lock(m_mutex);
        m_failing = failing;
    }
    int attempts()
    {
        std::lock_guard lock(m_mutex);
        return m_attempts;
    }
    std::optional<TaskWorkspaceState> saved()
    {
        std::lock_guard lock(m_mutex);
        return m_saved;
    }

    QList<TaskWorkspaceState> copies;
    bool copyFails = false;

private:
    std::mutex m_mutex;
    bool m_failing = true;
    int m_attempts = 0;
    std::optional<TaskWorkspaceState> m_saved;
};

// The view model saving through the writer into a failing store.
struct FailingSaves {
    FailingStore store;
    FakeTaskSortingService sorting;
    ManualClock clock;
    NotchTaskViewModel viewModel{store, sorting, clock};
    TaskWorkspaceWriter writer{store};

    FailingSaves() { viewModel.useWriter(writer); }
    void add(const QString& title)
    {
        viewModel.setDraftTask(title);
        viewModel.submitDraftTask();
    }
};

QStringList titles(const TaskList& tasks)
{
    QStringList result;
    for (const TaskItem& task : tasks)
        result.append(task.title);
    return result;
}

TaskWorkspaceState named(const QString& name)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.defaultPromptOverride = name;
    return state;
}

} // namespace

TEST(TaskWorkspaceWriter, SavesInOrderAndANewerSnapshotReplacesOneStillWaiting)
{
    GatedStore store;
    TaskWorkspaceWriter writer(store);
    QSignalSpy saved(&writer, &TaskWorkspaceWriter::saved);
    QSignalSpy failed(&writer, &TaskWorkspaceWriter::saveFailed);

    writer.save(named("first"));
    store.waitUntilEntered(1); // being written while the next ones arrive
    writer.save(named("second"));
    writer.save(named("fail: third"));
    writer.save(named("fourth"));
    store.open();
    writer.flush();
    EXPECT_EQ(store.saved, QStringList({"first", "fourth"}));
    EXPECT_EQ(saved.size(), 2);
    EXPECT_TRUE(failed.isEmpty());

    writer.save(named("fail"));
    writer.flush();
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toString(), "disk full");
    runEventLoopFor(20);
    EXPECT_EQ(saved.size(), 2); // each result is reported once
}

TEST(TaskWorkspaceWriter, ViewModelPublishesOnlyAfterTheWriterReportsSuccess)
{
    GatedStore store;
    FakeTaskSortingService sorting;
    ManualClock clock;
    NotchTaskViewModel viewModel(store, sorting, clock);
    std::optional<TaskWorkspaceWriter> writer(std::in_place, store);
    viewModel.useWriter(*writer);
    LogCapture log;

    const QUuid before = viewModel.reminderStateVersion();
    viewModel.setWorkspacePrompt("fail now", "section.work");
    EXPECT_EQ(viewModel.reminderStateVersion(), before); // handed over, not yet written
    store.open();
    writer->flush();
    EXPECT_EQ(viewModel.reminderStateVersion(), before);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines()[0], "QuaverLoom.NotchTaskViewModel: Failed to persist workspace: disk full");

    viewModel.setWorkspacePrompt("kept", "section.work");
    EXPECT_TRUE(waitUntil([&] { return viewModel.reminderStateVersion() != before; }));

    // Going away waits for the last write.
    viewModel.setWorkspacePrompt("last", "section.work");
    writer.reset();
    EXPECT_EQ(store.saved.last(), "last");
}

TEST(TaskWorkspaceWriter, AKillDuringAWriteLeavesThePreviousFileWhole)
{
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path());
    TaskWorkspaceState previous = TaskWorkspaceState::defaultState();
    previous.defaultPromptOverride = "previous";
    UserDefaultsTaskStore(defaults, "quaver-loom.tasks").save(previous);

    TaskWorkspaceState large = TaskWorkspaceState::defaultState();
    for (int i = 0; i < 20000; ++i) {
        TaskItem task;
        task.id = QUuid::createUuid();
        task.title = QStringLiteral("Task %1 with a title long enough to take a while to write").arg(i);
        task.sectionID = "section.work";
        large.tasks.append(task);
    }
    for (const int delayUs : {0, 2000, 8000, 30000}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            UserDefaultsTaskStore store(defaults, "quaver-loom.tasks");
            try {
                store.load();
                for (;;)
                    store.save(large);
            } catch (...) {
            }
            ::_exit(0);
        }
        ::usleep(delayUs);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const TaskWorkspaceState loaded = UserDefaultsTaskStore(defaults, "quaver-loom.tasks").load();
        EXPECT_TRUE(loaded == previous || loaded.tasks.size() == large.tasks.size()) << delayUs;
    }
}

TEST(TaskWorkspaceWriter, FailingSavesAreShownRetriedAndClearedOnceOneSucceeds)
{
    FailingSaves f;
    auto& [store, sorting, clock, viewModel, writer] = f;
    QSignalSpy messages(&viewModel, &NotchTaskViewModel::saveErrorMessageChanged);
    LogCapture log;
    const auto add = [&](const QString& title) { f.add(title); };

    add("Typed on a full disk");
    writer.flush();
    EXPECT_EQ(viewModel.saveErrorMessage(), "Couldn't save your tasks: No space left on device.");
    EXPECT_TRUE(viewModel.hasUnsavedChanges());
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(log.lines().value(0),
              "QuaverLoom.NotchTaskViewModel: Failed to persist workspace: could not write quaver-loom.tasks: No space left on device");

    // Retried on the next change, and on the timer while it fails.
    add("Second");
    writer.flush();
    EXPECT_EQ(store.attempts(), 2);
    EXPECT_EQ(messages.size(), 1) << "the same message is not published again";
    auto* retry = viewModel.findChild<QTimer*>("saveRetryTimer");
    ASSERT_TRUE(retry);
    EXPECT_TRUE(retry->isActive());
    EXPECT_EQ(retry->interval(), 30'000);
    retry->setInterval(5);
    EXPECT_TRUE(waitUntil([&] { return store.attempts() >= 4; }));

    store.setFailing(false);
    EXPECT_TRUE(waitUntil([&] { return !viewModel.saveErrorMessage(); }));
    EXPECT_FALSE(retry->isActive());
    EXPECT_FALSE(viewModel.hasUnsavedChanges());
    ASSERT_TRUE(store.saved());
    EXPECT_EQ(titles(store.saved()->tasks), QStringList({"Typed on a full disk", "Second"}));
    EXPECT_TRUE(viewModel.saveBeforeQuit());
    EXPECT_TRUE(store.copies.isEmpty());
}

TEST(TaskWorkspaceWriter, AtQuitUnsavedTasksAreTriedOnceMoreThenCopiedElsewhere)
{
    FailingSaves f;
    auto& [store, sorting, clock, viewModel, writer] = f;
    LogCapture log;

    // Nothing changed: nothing to save, nothing to copy.
    EXPECT_TRUE(viewModel.saveBeforeQuit());
    EXPECT_EQ(store.attempts(), 0);

    f.add("Never lost");
    EXPECT_FALSE(viewModel.saveBeforeQuit());
    EXPECT_EQ(store.attempts(), 2) << "the change, then once more at quit";
    ASSERT_EQ(store.copies.size(), 1);
    EXPECT_EQ(titles(store.copies[0].tasks), QStringList({"Never lost"}));
    EXPECT_EQ(log.lines().last(), "QuaverLoom.NotchTaskViewModel: The workspace could not be saved; its unsaved state is kept "
                                  "in /state/QuaverLoom/quaver-loom.tasks.unsaved-20261207T040506Z");
    // Quitting is reported twice (the quit signal, then teardown): one copy.
    EXPECT_FALSE(viewModel.saveBeforeQuit());
    EXPECT_EQ(store.copies.size(), 1);
    EXPECT_EQ(store.attempts(), 2);

    // With nowhere to keep a copy, the log says so.
    store.copyFails = true;
    f.add("Another");
    EXPECT_FALSE(viewModel.saveBeforeQuit());
    EXPECT_EQ(log.lines().last(), "QuaverLoom.NotchTaskViewModel: The workspace could not be saved, and no copy of it could "
                                  "be kept: /state/QuaverLoom: Read-only file system");

    // A disk that has room again by quit time takes the last save.
    store.copyFails = false;
    f.add("Saved at last");
    writer.flush();
    store.setFailing(false);
    EXPECT_TRUE(viewModel.saveBeforeQuit());
    EXPECT_EQ(titles(store.saved()->tasks), QStringList({"Never lost", "Another", "Saved at last"}));
    EXPECT_EQ(store.copies.size(), 2);
}
