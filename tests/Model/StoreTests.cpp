#include "Model/JsonCoding.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Model/UserDefaultsTaskStore.h"
#include "Support/JsonMembers.h"
#include "Support/ManualClock.h"
#include "Support/MemoryUserDefaults.h"
#include "Support/WithoutPermissionOverride.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString kTasksKey = QStringLiteral("quaver-loom.tasks");

QByteArray task(const char* id, const char* title, const char* extra = "")
{
    return JsonMembers::object({{"id", QByteArray("\"") + id + '"'}, {"title", QByteArray("\"") + title + '"'},
                                {"priority", R"("medium")"}, {"reasonText", R"("")"}, {"createdAt", "700000000"}},
                               extra);
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

TEST_F(StoreFixture, LoadErrorsNameTheFormTheRecordIsInAndThePlace)
{
    const struct {
        QByteArray bytes;
        std::string expected;
    } cases[] = {
        {R"({"sections":[],"tasks":[)" + task(kA, "ok") + "," + QByteArray(R"({"id":")") + kB
             + R"(","title":5,"priority":"low","reasonText":"","createdAt":1}],"selectedWorkspaceID":"x"})",
         "tasks[1].title: expected a string"},
        {R"({"sections":[{"id":"s"}],"tasks":[],"selectedWorkspaceID":"x"})", "sections[0].title: missing"},
        {"[" + task(kA, "ok") + ",3]", "tasks[1]: expected an object"},
        {R"("just a string")", "tasks: expected an array"},
    };
    for (const auto& c : cases) {
        try {
            loadFrom(c.bytes);
            ADD_FAILURE() << "no error for " << c.bytes.toStdString();
        } catch (const StoreError& error) {
            EXPECT_EQ(error.what(), c.expected);
        }
    }
}

TEST_F(StoreFixture, UndecodableRecordIsKeptAsideAtLoadAndOnlyOnce)
{
    const QByteArray unreadable = R"("just a string")";
    EXPECT_THROW(loadFrom(unreadable), StoreError);
    const QString copyKey = "quaver-loom.tasks.unreadable-20261207T040506Z";
    ASSERT_TRUE(defaults.values.contains(copyKey)) << defaults.keys().join(", ").toStdString();
    EXPECT_EQ(defaults.values[copyKey], unreadable);
    store.save(TaskWorkspaceState::defaultState());
    EXPECT_EQ(defaults.values.size(), 2); // replaced without a conflict copy: it was kept already
    EXPECT_EQ(store.load(), TaskWorkspaceState::defaultState());

    // The same bytes again later: no second copy.
    clock.advance(3600);
    EXPECT_THROW(loadFrom(unreadable), StoreError);
    EXPECT_EQ(defaults.values.size(), 2);

    // When the copy cannot be written, neither is the record.
    defaults.failWrites = true;
    EXPECT_THROW(loadFrom("{broken"), StoreError);
    EXPECT_THROW(store.save(TaskWorkspaceState::defaultState()), StoreError);
    EXPECT_EQ(defaults.values[kTasksKey], "{broken");
    defaults.failWrites = false;
    store.save(TaskWorkspaceState::defaultState());
    EXPECT_EQ(defaults.values["quaver-loom.tasks.unreadable-20261207T050506Z"], "{broken");
}

TEST_F(StoreFixture, ARecordThatRepeatsAKeyIsKeptAsideNotEmptied)
{
    // Seven tasks, then the key again with none (a merge tool's leftover):
    // taking the last would empty the list at the first save.
    QByteArray tasks;
    for (const char* id : {"00000000-0000-0000-0000-000000000001", "00000000-0000-0000-0000-000000000002",
                           "00000000-0000-0000-0000-000000000003", "00000000-0000-0000-0000-000000000004",
                           "00000000-0000-0000-0000-000000000005", "00000000-0000-0000-0000-000000000006",
                           "00000000-0000-0000-0000-000000000007"})
        tasks += (tasks.isEmpty() ? "" : ",") + task(id, "Keep me");
    const QByteArray merged = R"({"sections":[],"tasks":[)" + tasks + R"(],"selectedWorkspaceID":"workspace.all","tasks":[]})";
    try {
        loadFrom(merged);
        ADD_FAILURE() << "a record that repeats a key loaded";
    } catch (const StoreError& error) {
        EXPECT_STREQ(error.what(), "tasks: repeated in one object");
    }
    store.save(TaskWorkspaceState::defaultState());
    EXPECT_EQ(defaults.values["quaver-loom.tasks.unreadable-20261207T040506Z"], merged);

    // Deeper down too, and read ahead on another thread the same way.
    const QByteArray inner = R"({"sections":[],"tasks":[)"
        + task(kA, "Twice", R"(,"reminder":{"scheduledAt":1,"isDelivering":false,"scheduledAt":2})")
        + R"(],"selectedWorkspaceID":"workspace.all"})";
    defaults.values[kTasksKey] = inner;
    EXPECT_EQ(UserDefaultsTaskStore::readRecord(defaults, kTasksKey).decodingError, "scheduledAt: repeated in one object");
    EXPECT_THROW(store.load(), StoreError);
}

TEST_F(StoreFixture, SavesNeverReplaceBytesThisStoreHasNotSeen)
{
    TaskWorkspaceState mine = TaskWorkspaceState::defaultState();
    mine.defaultPromptOverride = "mine";
    const QByteArray theirs = UserDefaultsTaskStore::encode(TaskWorkspaceState::defaultState());

    // Cannot be read at all: the load says why and saves refuse to replace it.
    defaults.values[kTasksKey] = theirs;
    defaults.unreadableKeys.insert(kTasksKey);
    try {
        store.load();
        FAIL();
    } catch (const StoreError& error) {
        EXPECT_TRUE(error.description().contains("Permission denied")) << error.what();
    }
    EXPECT_THROW(store.save(mine), StoreError);
    EXPECT_EQ(defaults.values[kTasksKey], theirs);

    // Readable again: what was there is kept aside as a conflict, then replaced.
    defaults.unreadableKeys.clear();
    store.save(mine);
    const QString conflictKey = "quaver-loom.tasks.conflict-20261207T040506Z";
    EXPECT_EQ(defaults.values[conflictKey], theirs);
    EXPECT_EQ(store.load(), mine);

    // Replaced behind the store's back: kept (under a fresh name in the same second); rewritten identically: not.
    defaults.values[kTasksKey] = "[]";
    store.save(mine);
    EXPECT_EQ(defaults.values[conflictKey + "-2"], "[]");
    defaults.values[kTasksKey] = UserDefaultsTaskStore::encode(mine);
    store.save(mine);
    EXPECT_EQ(defaults.values.size(), 3);

    // A record that appears where there was none is kept too.
    defaults.values.clear();
    EXPECT_EQ(store.load(), TaskWorkspaceState::defaultState());
    defaults.values[kTasksKey] = theirs;
    store.save(mine);
    EXPECT_EQ(defaults.values[conflictKey], theirs);
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

TEST_F(StoreFixture, AHugeTitleIsKeptWholeAndTheStoredBytesAreLeftAlone)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    TaskItem task;
    task.id = QUuid::createUuid();
    task.title = QString::fromUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80 \"quoted\"\tand plain text ").repeated(100000);
    task.createdAt = Date{700000000};
    state.tasks.append(task);
    const QByteArray bytes = UserDefaultsTaskStore::encode(UserDefaultsTaskStore::normalized(state));
    const TaskWorkspaceState loaded = loadFrom(bytes);
    EXPECT_EQ(loaded.tasks.first().title, task.title);
    EXPECT_EQ(defaults.values[kTasksKey], bytes); // shared with the defaults: not the store's to give back
    store.save(loaded);
    EXPECT_EQ(defaults.values[kTasksKey], bytes);
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

TEST(PreferencesStore, UndecodableRecordIsCopiedBeforeTheFirstSaveReplacesIt)
{
    MemoryUserDefaults defaults;
    ManualClock clock{Date::fromDateTime(QDateTime(QDate(2026, 12, 7), QTime(4, 5, 6), Qt::UTC))};
    UserDefaultsAppPreferencesStore store(defaults, "quaver-loom.preferences", clock);
    const QByteArray broken = R"({"hasCompletedOnboarding":true,"appearanceMode":"sepia"})";
    defaults.values["quaver-loom.preferences"] = broken;
    EXPECT_THROW(store.load(), StoreError);
    EXPECT_EQ(defaults.writeCount, 0);

    // Onboarding completes: the copy first, then the record; when the copy
    // cannot be written, neither is the record.
    AppPreferences onboarded;
    onboarded.hasCompletedOnboarding = true;
    defaults.failWrites = true;
    EXPECT_THROW(store.save(onboarded), StoreError);
    EXPECT_EQ(defaults.values["quaver-loom.preferences"], broken);
    defaults.failWrites = false;
    clock.advance(60);
    store.save(onboarded);
    EXPECT_EQ(defaults.values["quaver-loom.preferences.unreadable-20261207T040606Z"], broken);
    EXPECT_EQ(store.load(), onboarded);
    store.save(onboarded);
    EXPECT_EQ(defaults.values.size(), 2);
}

TEST(PreferencesStore, ARepeatedSettingMakesTheRecordUndecodable)
{
    MemoryUserDefaults defaults;
    ManualClock clock{Date::fromDateTime(QDateTime(QDate(2026, 12, 7), QTime(4, 5, 6), Qt::UTC))};
    UserDefaultsAppPreferencesStore store(defaults, "quaver-loom.preferences", clock);
    const QByteArray twice = R"({"reopenControlPanelAtLaunch":false,"preferredControlPanelDestination":"overview",)"
                             R"("hasCompletedOnboarding":true,"launchAtLoginEnabled":false,"aiTaskRankingEnabled":true,)"
                             R"("appearanceMode":"dark","appearanceMode":"light"})";
    defaults.values["quaver-loom.preferences"] = twice;
    try {
        store.load();
        ADD_FAILURE() << "preferences that repeat a key loaded";
    } catch (const StoreError& error) {
        EXPECT_STREQ(error.what(), "appearanceMode: repeated in one object");
    }
    store.save(AppPreferences{});
    EXPECT_EQ(defaults.values["quaver-loom.preferences.unreadable-20261207T040506Z"], twice);
}

TEST(PreferencesStore, ARecordThatCannotBeReadIsNeverReplaced)
{
    // Unreadable the way a file can be: no permission, a directory, a pipe.
    // The defaults are used, every save fails with the reason, and once it
    // can be read it is judged as a load would have judged it.
    MemoryUserDefaults memory;
    memory.values["quaver-loom.preferences"] = R"({"hasCompletedOnboarding":true})";
    memory.unreadableKeys.insert("quaver-loom.preferences");
    ManualClock clock{Date::fromDateTime(QDateTime(QDate(2026, 12, 7), QTime(4, 5, 6), Qt::UTC))};
    UserDefaultsAppPreferencesStore store(memory, "quaver-loom.preferences", clock);
    try {
        store.load();
        ADD_FAILURE() << "an unreadable record loaded";
    } catch (const StoreError& error) {
        EXPECT_STREQ(error.what(), "cannot read quaver-loom.preferences: Permission denied");
    }
    try {
        store.save(AppPreferences{});
        ADD_FAILURE() << "an unreadable record was replaced";
    } catch (const StoreError& error) {
        EXPECT_EQ(error.reason(), "Permission denied");
    }
    EXPECT_EQ(memory.writeCount, 0);
    memory.unreadableKeys.clear();
    store.save(AppPreferences{});
    EXPECT_EQ(memory.values["quaver-loom.preferences.unreadable-20261207T040506Z"], R"({"hasCompletedOnboarding":true})");

    QTemporaryDir dir;
    FileUserDefaults files(dir.path());
    UserDefaultsAppPreferencesStore onDisk(files, "quaver-loom.preferences", clock);
    const QString path = dir.path() + "/quaver-loom.preferences";
    const auto unreadable = [&](const char* reason) {
        SCOPED_TRACE(reason);
        EXPECT_THROW(onDisk.load(), StoreError);
        try {
            onDisk.save(AppPreferences{});
            ADD_FAILURE() << "replaced";
        } catch (const StoreError& error) {
            EXPECT_EQ(error.reason(), reason);
        }
    };
    ASSERT_TRUE(QDir().mkpath(path));
    unreadable("Is a directory");
    EXPECT_TRUE(QFileInfo(path).isDir());
    ASSERT_TRUE(QDir(path).removeRecursively());

    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    unreadable("Not a regular file");
    EXPECT_FALSE(QFileInfo(path).isFile()) << "still the pipe";
    ASSERT_TRUE(QFile::remove(path));

    ASSERT_TRUE(files.setData("quaver-loom.preferences", Json::serialize(AppPreferences{}.toJson())));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
    {
        WithoutPermissionOverride asUser;
        ASSERT_TRUE(asUser.effective());
        unreadable("Permission denied");
    }
}

TEST(TaskStoreOnDisk, UnsavedCopyGoesToTheFirstPlaceThatTakesIt)
{
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path() + "/config");
    ManualClock clock{Date::fromDateTime(QDateTime(QDate(2026, 12, 7), QTime(4, 5, 6), Qt::UTC))};
    UserDefaultsTaskStore store(defaults, kTasksKey, clock);
    QFile blocker(dir.path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    store.setUnsavedCopyDirectories({dir.path() + "/file/QuaverLoom", dir.path() + "/cache/QuaverLoom", dir.path()});

    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.defaultPromptOverride = "typed while saves failed";
    QString error;
    const std::optional<QString> path = store.keepUnsavedCopy(state, &error);
    ASSERT_TRUE(path) << error.toStdString();
    EXPECT_EQ(*path, dir.path() + "/cache/QuaverLoom/quaver-loom.tasks.unsaved-20261207T040506Z");
    QFile copy(*path);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(UserDefaultsTaskStore::decode(copy.readAll()), state);

    store.setUnsavedCopyDirectories({dir.path() + "/file/a", dir.path() + "/file/b"});
    EXPECT_FALSE(store.keepUnsavedCopy(state, &error));
    EXPECT_EQ(error, dir.path() + "/file/a: Not a directory; " + dir.path() + "/file/b: Not a directory");

    // A relative XDG path is ignored, as the base directory rules say.
    const QByteArray stateHome = qgetenv("XDG_STATE_HOME"), cacheHome = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_STATE_HOME", "relative/state");
    qputenv("XDG_CACHE_HOME", "/cache");
    const QStringList standard = UserDefaultsTaskStore::standardUnsavedCopyDirectories();
    qputenv("XDG_STATE_HOME", stateHome);
    qputenv("XDG_CACHE_HOME", cacheHome);
    EXPECT_EQ(standard, QStringList({QDir::homePath() + "/.local/state/QuaverLoom", "/cache/QuaverLoom", QDir::tempPath()}));
}

TEST(TaskStoreOnDisk, ChangesByOthersAndUnreadableFilesAreKept)
{
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path());
    const QString path = dir.path() + "/" + kTasksKey;
    EXPECT_FALSE(defaults.stamp(kTasksKey));
    QString error;
    EXPECT_FALSE(defaults.data(kTasksKey, &error));
    EXPECT_TRUE(error.isEmpty()); // absent is not an error

    // Something that exists but cannot be read.
    ASSERT_TRUE(QDir().mkpath(path));
    EXPECT_FALSE(defaults.data(kTasksKey, &error));
    EXPECT_FALSE(error.isEmpty());
    ManualClock clock;
    UserDefaultsTaskStore store(defaults, kTasksKey, clock);
    EXPECT_THROW(store.load(), StoreError);
    EXPECT_THROW(store.save(TaskWorkspaceState::defaultState()), StoreError);
    ASSERT_TRUE(QDir(path).removeRecursively());

    const QByteArray original = R"({"sections":[{"id":"x"}],"tasks":"my precious tasks"})";
    ASSERT_TRUE(defaults.setData(kTasksKey, original));
    EXPECT_THROW(store.load(), StoreError);
    store.save(TaskWorkspaceState::defaultState());
    const QStringList kept = QDir(dir.path()).entryList({"quaver-loom.tasks.unreadable-*"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(defaults.data(kept.first()), original);
    EXPECT_EQ(store.load(), TaskWorkspaceState::defaultState());

    // Another program replaces the file: its version survives the next save.
    const QByteArray edited = UserDefaultsTaskStore::encode(TaskWorkspaceState{{}, {}, "section.home", {}, "edited"});
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(edited);
    }
    store.save(TaskWorkspaceState::defaultState());
    const QStringList conflicts = QDir(dir.path()).entryList({"quaver-loom.tasks.conflict-*"}, QDir::Files);
    ASSERT_EQ(conflicts.size(), 1);
    EXPECT_EQ(defaults.data(conflicts.first()), edited);
    store.save(TaskWorkspaceState::defaultState());
    EXPECT_EQ(QDir(dir.path()).entryList({"quaver-loom.tasks.conflict-*"}, QDir::Files).size(), 1);
}

TEST(TaskStoreOnDisk, AHugeTitleIsReadFromFileBytesAndWrittenBackIntact)
{
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path());
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    for (const QString& title : {QString(3 << 20, QLatin1Char('a')), QString::fromUtf8("\xE2\x82\xAC\xF0\x9F\x98\x80 words ").repeated(200000)}) {
        TaskItem task;
        task.id = QUuid::createUuid();
        task.title = title;
        task.reasonText = QStringLiteral("why");
        task.aiReasonSourceTitle = title;
        task.createdAt = Date{700000000};
        state.tasks.append(task);
    }
    state = UserDefaultsTaskStore::normalized(state);
    const QByteArray written = UserDefaultsTaskStore::encode(state);
    ASSERT_TRUE(defaults.setData(kTasksKey, written));

    UserDefaultsTaskStore store(defaults, kTasksKey);
    const TaskWorkspaceState loaded = store.load();
    EXPECT_EQ(loaded, state);
    store.save(loaded);
    EXPECT_EQ(*defaults.data(kTasksKey), written);
    EXPECT_TRUE(QDir(dir.path()).entryList({"quaver-loom.tasks.*"}, QDir::Files).isEmpty());
}

namespace {
// Files on disk, where another program replaces the record just after it is read.
class RacedUserDefaults final : public UserDefaults {
public:
    explicit RacedUserDefaults(const QString& directory) : files(directory) {}
    std::optional<QByteArray> data(const QString& key, QString* error = nullptr) const override
    {
        std::optional<QByteArray> bytes = files.data(key, error);
        if (afterRead)
            std::exchange(afterRead, {})();
        return bytes;
    }
    bool setData(const QString& key, const QByteArray& bytes, QString* error = nullptr) override
    {
        return files.setData(key, bytes, error);
    }
    QStringList keys() const override { return files.keys(); }
    std::optional<Stamp> stamp(const QString& key) const override { return files.stamp(key); }

    FileUserDefaults files;
    mutable std::function<void()> afterRead;
};
} // namespace

TEST(TaskStoreOnDisk, ARecordReplacedWhileItLoadsIsKeptAtTheNextSave)
{
    QTemporaryDir dir;
    RacedUserDefaults defaults(dir.path());
    const QByteArray original = UserDefaultsTaskStore::encode(TaskWorkspaceState::defaultState());
    const QByteArray edited = UserDefaultsTaskStore::encode(TaskWorkspaceState{{}, {}, "section.home", {}, "edited"});
    ASSERT_TRUE(defaults.setData(kTasksKey, original));
    defaults.afterRead = [&] { ASSERT_TRUE(defaults.files.setData(kTasksKey, edited)); };
    UserDefaultsTaskStore store(defaults, kTasksKey);
    EXPECT_EQ(store.load(), TaskWorkspaceState::defaultState());

    store.save(TaskWorkspaceState::defaultState());
    const QStringList conflicts = QDir(dir.path()).entryList({"quaver-loom.tasks.conflict-*"}, QDir::Files);
    ASSERT_EQ(conflicts.size(), 1);
    EXPECT_EQ(defaults.data(conflicts.first()), edited);
}
