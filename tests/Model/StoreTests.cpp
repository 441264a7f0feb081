#include "Model/JsonCoding.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Model/UserDefaultsTaskStore.h"
#include "Support/ManualClock.h"
#include "Support/MemoryUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kTasksKey = QStringLiteral("quaver-loom.tasks");

QByteArray task(const char* id, const char* title, const char* extra = "")
{
    return QByteArray(R"({"id":")") + id + R"(","title":")" + title
        + R"(","priority":"medium","reasonText":"","createdAt":700000000)" + extra + "}";
}

const char* kA = "00000000-0000-0000-0000-00000000000A";
const char* kB = "00000000-0000-0000-0000-00000000000B";
const char* kC = "00000000-0000-0000-0000-00000000000C";

struct StoreFixture : ::testing::Test {
    MemoryUserDefaults defaults;
    ManualClock clock{Date::fromDateTime(QDateTime(QDate(2026, 12, 7), QTime(4, 5, 6), Qt::UTC))};
    UserDefaultsTaskStore store{defaults, kTasksKey, clock};

    TaskWorkspaceState loadFrom(const QByteArray& bytes)
    {
        defaults.values[kTasksKey] = bytes;
        return store.load();
    }
};

} // namespace

TEST_F(StoreFixture, NothingStoredGivesTheDefaultWorkspaceAndLoadNeverWrites)
{
    const TaskWorkspaceState state = store.load();
    EXPECT_EQ(state, TaskWorkspaceState::defaultState());
    ASSERT_EQ(state.sections.size(), 4);
    EXPECT_EQ(state.sections[0].id, "section.work");
    EXPECT_EQ(state.sections[3].title, "Health");
    EXPECT_EQ(state.selectedWorkspaceID, "workspace.all");
    EXPECT_EQ(defaults.writeCount, 0);
}

TEST_F(StoreFixture, NormalisationRepairsSectionsSelectionAndTasks)
{
    const QByteArray bytes = R"({"sections":[
        {"id":"s.b","title":"b","kind":"custom","sortOrder":5},
        {"id":"s.a","title":"A","kind":"custom","sortOrder":5},
        {"id":"s.c","title":"c","kind":"custom","sortOrder":9},
        {"id":"s.a","title":"Duplicate","kind":"custom","sortOrder":0}],
      "tasks":[)" + task(kC, "Done", R"(,"sectionID":"s.c","isCompleted":true,"reminder":{"scheduledAt":1,"isDelivering":false})")
        + "," + task(kB, "Open", R"(,"sectionID":"s.a","reminder":{"scheduledAt":1,"isDelivering":false})")
        + "," + task(kA, "Legacy", R"(,"sectionID":"","reasonText":"Because","aiReasonSourceTitle":"Legacy")")
        + R"(],"selectedWorkspaceID":"s.missing"})";
    const TaskWorkspaceState state = loadFrom(bytes);

    ASSERT_EQ(state.sections.size(), 3);
    EXPECT_EQ(state.sections[0].title, "A");
    EXPECT_EQ(state.sections[1].title, "b");
    EXPECT_EQ(state.sections[2].title, "c");
    for (qsizetype i = 0; i < 3; ++i)
        EXPECT_EQ(state.sections[i].sortOrder, i);
    EXPECT_EQ(state.selectedWorkspaceID, "workspace.all");

    ASSERT_EQ(state.tasks.size(), 3);
    // Open-task order groups by section id: "s.a" < "s.c" < "section.personal".
    EXPECT_EQ(state.tasks[0].title, "Open");
    EXPECT_TRUE(state.tasks[0].reminder);
    EXPECT_EQ(state.tasks[1].title, "Done");
    EXPECT_EQ(state.tasks[1].completedAt, state.tasks[1].createdAt);
    EXPECT_FALSE(state.tasks[1].reminder);
    const TaskItem& legacy = state.tasks[2];
    EXPECT_EQ(legacy.sectionID, "section.personal");
    ASSERT_TRUE(legacy.aiStatesByWorkspace.contains("section.personal"));
    EXPECT_EQ(legacy.aiStatesByWorkspace["section.personal"], (TaskAIState{TaskPriority::medium, "Because", "Legacy"}));

    // A stale legacy reason adds nothing; an existing entry is never replaced.
    const TaskWorkspaceState stale = loadFrom(R"({"sections":[],"tasks":[)"
        + task(kA, "Now", R"(,"reasonText":"r","aiReasonSourceTitle":"Before")") + "," + task(kB, "Kept",
        R"(,"reasonText":"r","aiReasonSourceTitle":"Kept","aiStatesByWorkspace":{"section.personal":{"priority":"high","reasonText":"x","sourceTitle":"Kept"}})")
        + R"(],"selectedWorkspaceID":"section.home"})");
    EXPECT_EQ(stale.sections, TaskSection::builtInDefaults());
    EXPECT_EQ(stale.selectedWorkspaceID, "section.home");
    EXPECT_TRUE(stale.tasks[0].aiStatesByWorkspace.isEmpty());
    EXPECT_EQ(stale.tasks[1].aiStatesByWorkspace["section.personal"].reasonText, "x");
}

TEST_F(StoreFixture, OlderBareTaskListIsConvertedIntoOneWorkspace)
{
    const TaskWorkspaceState state = loadFrom("[" + task(kB, "Second", R"(,"sortOrder":1,"sectionID":"section.work")")
        + "," + task(kA, "First", R"(,"sortOrder":7,"sectionID":"section.home","isCompleted":true,"reasonText":"r","aiReasonSourceTitle":"First","reminder":{"scheduledAt":3,"isDelivering":true})")
        + "]");
    EXPECT_EQ(state.sections, TaskSection::builtInDefaults());
    EXPECT_EQ(state.selectedWorkspaceID, "workspace.all");
    ASSERT_EQ(state.tasks.size(), 2);
    EXPECT_EQ(state.tasks[0].title, "First"); // section.home < section.work in the stored values
    EXPECT_EQ(state.tasks[0].sortOrder, 0);
    EXPECT_EQ(state.tasks[1].sortOrder, 1);
    for (const TaskItem& t : state.tasks)
        EXPECT_EQ(t.sectionID, "section.personal");
    EXPECT_EQ(state.tasks[0].aiStatesByWorkspace["section.personal"].sourceTitle, "First");
    // No normalisation here: the completed task keeps its reminder and missing date.
    EXPECT_TRUE(state.tasks[0].reminder);
    EXPECT_FALSE(state.tasks[0].completedAt);
}

TEST_F(StoreFixture, UnreadableDataFailsWithTheListErrorAndIsKeptBeforeAnySave)
{
    const QByteArray unreadable = R"("just a string")";
    defaults.values[kTasksKey] = unreadable;
    try {
        store.load();
        FAIL() << "expected a StoreError";
    } catch (const StoreError& error) {
        EXPECT_TRUE(error.description().contains("tasks")) << error.what(); // the task-list attempt's error
    }
    EXPECT_EQ(defaults.values.size(), 1); // loading wrote nothing

    store.save(TaskWorkspaceState::defaultState());
    const QString copyKey = "quaver-loom.tasks.unreadable-20261207T040506Z";
    ASSERT_TRUE(defaults.values.contains(copyKey)) << defaults.keys().join(", ").toStdString();
    EXPECT_EQ(defaults.values[copyKey], unreadable);
    EXPECT_EQ(store.load(), TaskWorkspaceState::defaultState());

    // The same unreadable bytes again later: no second copy.
    defaults.values[kTasksKey] = unreadable;
    EXPECT_THROW(store.load(), StoreError);
    clock.advance(3600);
    store.save(TaskWorkspaceState::defaultState());
    EXPECT_EQ(defaults.values.size(), 2);

    // If the copy cannot be written, the record is not overwritten either.
    defaults.values[kTasksKey] = "{broken";
    EXPECT_THROW(store.load(), StoreError);
    defaults.failWrites = true;
    EXPECT_THROW(store.save(TaskWorkspaceState::defaultState()), StoreError);
    EXPECT_EQ(defaults.values[kTasksKey], "{broken");
}

TEST_F(StoreFixture, SaveThenLoadGivesTheSameWorkspace)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.selectedWorkspaceID = "section.home";
    state.sections[2].accent = TaskSectionAccent::purple;
    state.workspacePromptsByID.insert("section.home", "Chores by weekend");
    for (int i = 0; i < 3; ++i) {
        TaskItem t;
        t.id = QUuid::createUuid();
        t.title = QString("Task %1").arg(i);
        t.sectionID = "section.home";
        t.sortOrder = i;
        t.createdAt = Date{700000000.0 + i / 3.0};
        state.tasks.append(t);
    }
    state.tasks[1].isCompleted = true;
    state.tasks[1].completedAt = Date{700000100.25};
    store.save(state);
    EXPECT_EQ(store.load(), state);

    defaults.failWrites = true;
    EXPECT_THROW(store.save(state), StoreError);
}

TEST(PreferencesStore, DefaultsWhenMissingErrorsWhenUnreadable)
{
    MemoryUserDefaults defaults;
    UserDefaultsAppPreferencesStore store(defaults, "quaver-loom.preferences");
    EXPECT_EQ(store.load(), AppPreferences{});

    AppPreferences changed;
    changed.hasCompletedOnboarding = true;
    changed.appearanceMode = AppAppearanceMode::light;
    store.save(changed);
    EXPECT_EQ(store.load(), changed);

    defaults.values["quaver-loom.preferences"] = R"({"hasCompletedOnboarding":true})";
    EXPECT_THROW(store.load(), StoreError);
    defaults.failWrites = true;
    EXPECT_THROW(store.save(changed), StoreError);
}

TEST(TaskStoreOnDisk, UnreadableFileSurvivesTheFirstSave)
{
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path());
    const QByteArray original = R"({"sections":[{"id":"x"}],"tasks":"my precious tasks"})";
    ASSERT_TRUE(defaults.setData(kTasksKey, original));

    ManualClock clock;
    UserDefaultsTaskStore store(defaults, kTasksKey, clock);
    EXPECT_THROW(store.load(), StoreError);
    store.save(TaskWorkspaceState::defaultState());

    const QStringList kept = QDir(dir.path()).entryList({"quaver-loom.tasks.unreadable-*"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    QFile file(dir.path() + "/" + kept.first());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), original);
    EXPECT_EQ(store.load(), TaskWorkspaceState::defaultState());
}
