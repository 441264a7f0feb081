#include "Model/JsonCoding.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Model/UserDefaultsTaskStore.h"
#include "Support/LogCapture.h"
#include "Support/ManualClock.h"
#include "Support/MemoryUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString kPreferencesKey = QStringLiteral("quaver-loom.preferences");
const QString kTasksKey = QStringLiteral("quaver-loom.tasks");
const QString kPreferencesLog = QStringLiteral("QuaverLoom.UserDefaultsAppPreferencesStore: ");
const QString kTasksLog = QStringLiteral("QuaverLoom.UserDefaultsTaskStore: ");

Date at(int hour, int minute = 5)
{
    return Date::fromDateTime(QDateTime(QDate(2026, 12, 7), QTime(hour, minute, 6), Qt::UTC));
}

QByteArray encoded(const AppPreferences& preferences)
{
    return Json::serialize(preferences.toJson());
}

AppPreferences chosen()
{
    AppPreferences preferences;
    preferences.appearanceMode = AppAppearanceMode::dark;
    preferences.preferredControlPanelDestination = ControlPanelDestination::completed;
    preferences.reopenControlPanelAtLaunch = true;
    preferences.hasCompletedOnboarding = true;
    return preferences;
}

} // namespace

TEST(PreferencesStore, ARecordItHasNotReadIsKeptBeforeASaveReplacesIt)
{
    LogCapture log;
    MemoryUserDefaults defaults;
    ManualClock clock{at(4)};
    UserDefaultsAppPreferencesStore store(defaults, kPreferencesKey, clock);
    const QByteArray stored = encoded(chosen());
    defaults.values[kPreferencesKey] = stored;
    defaults.unreadableKeys.insert(kPreferencesKey);
    EXPECT_THROW(store.load(), StoreError);

    // Readable again: the defaults and one change are written only once what
    // was there is kept, and the log says where.
    defaults.unreadableKeys.clear();
    AppPreferences oneChange;
    oneChange.launchAtLoginEnabled = true;
    defaults.failWrites = true;
    try {
        store.save(oneChange);
        ADD_FAILURE() << "replaced without a copy";
    } catch (const StoreError& error) {
        EXPECT_EQ(error.description(), "the stored preferences could not be read at start-up, and no copy of them could be kept: disk full");
    }
    EXPECT_EQ(defaults.values[kPreferencesKey], stored);
    defaults.failWrites = false;
    store.save(oneChange);
    const QString copy = "quaver-loom.preferences.conflict-20261207T040506Z";
    EXPECT_EQ(defaults.values.value(copy), stored);
    EXPECT_EQ(defaults.values[kPreferencesKey], encoded(oneChange));
    EXPECT_EQ(log.lines(), QStringList{kPreferencesLog + "The stored preferences could not be read at start-up; that version is kept as " + copy});
    store.save(oneChange);
    EXPECT_EQ(defaults.values.size(), 2) << "what it wrote itself is replaced without a copy";

    // Replaced by someone else while it runs: theirs is kept too; the same
    // bytes as its own, or a record that is gone, need no copy.
    clock.advance(3600);
    AppPreferences theirs = chosen();
    theirs.aiTaskRankingEnabled = false;
    defaults.values[kPreferencesKey] = encoded(theirs);
    store.save(oneChange);
    EXPECT_EQ(defaults.values.value("quaver-loom.preferences.conflict-20261207T050506Z"), encoded(theirs));
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_EQ(log.lines().last(), kPreferencesLog
                  + "The stored preferences were changed by another program; that version is kept as quaver-loom.preferences.conflict-20261207T050506Z");
    defaults.values[kPreferencesKey] = encoded(chosen());
    store.save(chosen());
    defaults.values.remove(kPreferencesKey);
    store.save(oneChange);
    EXPECT_EQ(defaults.values.size(), 3);
    EXPECT_EQ(log.lines().size(), 2);

    // Nothing there at start, then something: theirs as well.
    MemoryUserDefaults fresh;
    UserDefaultsAppPreferencesStore empty(fresh, kPreferencesKey, clock);
    EXPECT_EQ(empty.load(), AppPreferences{});
    fresh.values[kPreferencesKey] = stored;
    empty.save(oneChange);
    EXPECT_EQ(fresh.values.value("quaver-loom.preferences.conflict-20261207T050506Z"), stored);
}

TEST(TaskStore, AnUndecodableRecordCopiedOnceThereIsRoomIsLoggedByName)
{
    LogCapture log;
    MemoryUserDefaults defaults;
    ManualClock clock{at(4)};
    UserDefaultsTaskStore store(defaults, kTasksKey, clock);
    defaults.values[kTasksKey] = "{broken";
    defaults.failWrites = true; // a full disk at start
    EXPECT_THROW(store.load(), StoreError);
    EXPECT_THROW(store.save(TaskWorkspaceState::defaultState()), StoreError);
    defaults.failWrites = false;
    clock.advance(60);
    const qsizetype before = log.lines().size();
    store.save(TaskWorkspaceState::defaultState());
    const QString copy = "quaver-loom.tasks.unreadable-20261207T040606Z";
    EXPECT_EQ(defaults.values.value(copy), "{broken");
    ASSERT_EQ(log.lines().size(), before + 1);
    EXPECT_EQ(log.lines().last(), kTasksLog + "The stored workspace cannot be decoded; a copy is kept as " + copy);
}

TEST(StoresOnDisk, ADanglingLinkIsLoggedAtStartAndAFailedSaveNamesItsFile)
{
    // The records may be links into a folder of their own (dotfiles), which
    // may not be there (not mounted, not made yet).
    LogCapture log;
    QTemporaryDir dir;
    const QString folder = dir.path() + "/QuaverLoom", dotfiles = dir.path() + "/dotfiles";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::link(dotfiles + "/preferences.json", folder + "/" + kPreferencesKey));
    ASSERT_TRUE(QFile::link(dotfiles + "/tasks.json", folder + "/" + kTasksKey));
    FileUserDefaults defaults(folder);
    ManualClock clock{at(4)};
    UserDefaultsAppPreferencesStore preferences(defaults, kPreferencesKey, clock);
    UserDefaultsTaskStore tasks(defaults, kTasksKey, clock);

    EXPECT_EQ(preferences.load(), AppPreferences{});
    EXPECT_EQ(tasks.load(), TaskWorkspaceState::defaultState());
    EXPECT_EQ(log.lines(), QStringList({kPreferencesLog + kPreferencesKey + " is a link to " + dotfiles
                                            + "/preferences.json, which does not exist; the settings start from their defaults",
                                        kTasksLog + kTasksKey + " is a link to " + dotfiles
                                            + "/tasks.json, which does not exist; the workspace starts empty"}));

    // Saves fail for want of the folder, and say which file they were for;
    // the status line keeps the system's words.
    for (const auto& [key, save] : {std::pair<QString, std::function<void()>>{kPreferencesKey, [&] { preferences.save(chosen()); }},
                                    {kTasksKey, [&] { tasks.save(TaskWorkspaceState::defaultState()); }}}) {
        try {
            save();
            ADD_FAILURE() << key.toStdString();
        } catch (const StoreError& error) {
            const QString file = dotfiles + (key == kTasksKey ? "/tasks.json" : "/preferences.json");
            EXPECT_EQ(error.description(), "cannot write " + file + ", the file " + key + " links to: No such file or directory");
            EXPECT_EQ(error.reason(), "No such file or directory");
        }
    }

    // Once the folder is there, the saves go through the links into it.
    ASSERT_TRUE(QDir().mkpath(dotfiles));
    preferences.save(chosen());
    tasks.save(TaskWorkspaceState::defaultState());
    EXPECT_EQ(defaults.data(kPreferencesKey), encoded(chosen()));
    EXPECT_TRUE(QFileInfo(folder + "/" + kPreferencesKey).isSymLink());
    EXPECT_TRUE(QFileInfo(dotfiles + "/tasks.json").isFile());
}

TEST(StoresOnDisk, AStartTidiesWhatInterruptedSavesLeftAndNamesWhatItKeeps)
{
    LogCapture log;
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path());
    const auto put = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.path() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    const QByteArray record = UserDefaultsTaskStore::encode(TaskWorkspaceState::defaultState());
    TaskWorkspaceState newer = TaskWorkspaceState::defaultState();
    newer.defaultPromptOverride = "typed just before the crash";
    put(kTasksKey, record);
    put(kTasksKey + ".AbCdEf", record.left(record.size() / 2));
    put(kTasksKey + ".GhIjKl", UserDefaultsTaskStore::encode(newer));
    put(kPreferencesKey, encoded(chosen()));
    put(kPreferencesKey + ".MnOpQr", encoded(chosen()));

    UserDefaultsTaskStore tasks(defaults, kTasksKey);
    UserDefaultsAppPreferencesStore preferences(defaults, kPreferencesKey);
    EXPECT_EQ(tasks.load(), TaskWorkspaceState::defaultState());
    EXPECT_EQ(preferences.load(), chosen());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              QStringList({kPreferencesKey, kTasksKey, kTasksKey + ".GhIjKl"}));
    EXPECT_EQ(log.lines(), QStringList{kTasksLog + "A save cut short left quaver-loom.tasks.GhIjKl, which holds what the stored workspace does not; it is left in place"});
    EXPECT_EQ(UserDefaultsTaskStore::decode(*defaults.data(kTasksKey + ".GhIjKl")), newer);
}
