#include "Model/TaskRecordPreload.h"
#include "Model/UserDefaultsTaskStore.h"
#include "Support/ManualClock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kTasksKey = QStringLiteral("quaver-loom.tasks");

// Files on disk, counting the store's own reads of the record.
class CountingUserDefaults final : public UserDefaults {
public:
    explicit CountingUserDefaults(const QString& directory) : files(directory) {}
    std::optional<QByteArray> data(const QString& key, QString* error = nullptr) const override
    {
        if (key == kTasksKey)
            ++recordReads;
        return files.data(key, error);
    }
    bool setData(const QString& key, const QByteArray& bytes, QString* error = nullptr) override
    {
        return files.setData(key, bytes, error);
    }
    QStringList keys() const override { return files.keys(); }
    std::optional<Stamp> stamp(const QString& key) const override { return files.stamp(key); }

    FileUserDefaults files;
    mutable int recordReads = 0;
};

TaskWorkspaceState workspaceNamed(const QString& name)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    TaskItem task;
    task.id = QUuid::createUuidV5(QUuid(), name);
    task.title = name;
    task.createdAt = Date{700000000};
    state.tasks.append(task);
    return UserDefaultsTaskStore::normalized(state);
}

// What one load and the save after it leave behind, to compare a store with a preload and one without.
struct Outcome {
    std::optional<TaskWorkspaceState> loaded;
    QString error;
    QMap<QString, QByteArray> files;
    bool operator==(const Outcome&) const = default;
};

Outcome loadAndSave(const QByteArray* record, bool preloaded, int* recordReads = nullptr)
{
    QTemporaryDir dir;
    CountingUserDefaults defaults(dir.path());
    if (record) {
        EXPECT_TRUE(defaults.files.setData(kTasksKey, *record));
    }
    ManualClock clock;
    std::shared_ptr<TaskRecordPreload> preload;
    if (preloaded)
        preload = std::make_shared<TaskRecordPreload>(dir.path(), kTasksKey);
    UserDefaultsTaskStore store(defaults, kTasksKey, preload, clock);
    Outcome outcome;
    try {
        outcome.loaded = store.load();
    } catch (const StoreError& error) {
        outcome.error = error.description();
    }
    if (recordReads)
        *recordReads = defaults.recordReads;
    // Touched but unchanged bytes are no conflict, as long as the remembered hash is the record's.
    if (record) {
        QFile file(dir.path() + "/" + kTasksKey);
        EXPECT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(60), QFileDevice::FileModificationTime);
    }
    store.save(workspaceNamed("after"));
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
        outcome.files.insert(name, *defaults.files.data(name));
    return outcome;
}

} // namespace

TEST(TaskRecordPreload, TheStoreTakesItsResultUnderTheSameRulesAsItsOwnRead)
{
    const QByteArray current = UserDefaultsTaskStore::encode(workspaceNamed("stored"));
    const QByteArray olderList = R"([{"id":"00000000-0000-0000-0000-00000000000A","title":"old","priority":"high","reasonText":"","createdAt":700000000}])";
    const QByteArray undecodable = R"({"sections":[{"id":"x"}],"tasks":"my precious tasks"})";
    for (const QByteArray* record : {&current, &olderList, &undecodable, static_cast<const QByteArray*>(nullptr)}) {
        SCOPED_TRACE(record ? record->left(40).toStdString() : "no record");
        int reads = -1;
        const Outcome preloaded = loadAndSave(record, true, &reads);
        const Outcome own = loadAndSave(record, false);
        EXPECT_EQ(preloaded, own);
        if (record) {
            EXPECT_EQ(reads, 0) << "the store read the record again";
        }
    }
    // The undecodable record was kept aside once, at load.
    const Outcome unreadable = loadAndSave(&undecodable, true);
    EXPECT_FALSE(unreadable.error.isEmpty());
    ASSERT_EQ(unreadable.files.size(), 2);
    EXPECT_EQ(unreadable.files.value(kTasksKey), UserDefaultsTaskStore::encode(workspaceNamed("after")));
    EXPECT_TRUE(unreadable.files.lastKey().startsWith(kTasksKey + ".unreadable-"));
    EXPECT_EQ(unreadable.files.last(), undecodable);
}

TEST(TaskRecordPreload, ARecordChangedAfterThePreloadIsReadAgain)
{
    QTemporaryDir dir;
    CountingUserDefaults defaults(dir.path());
    ASSERT_TRUE(defaults.files.setData(kTasksKey, UserDefaultsTaskStore::encode(workspaceNamed("first"))));
    auto preload = std::make_shared<TaskRecordPreload>(dir.path(), kTasksKey);
    preload->wait();
    const QByteArray edited = UserDefaultsTaskStore::encode(workspaceNamed("edited by another program"));
    ASSERT_TRUE(defaults.files.setData(kTasksKey, edited));

    UserDefaultsTaskStore store(defaults, kTasksKey, preload);
    EXPECT_EQ(store.load(), workspaceNamed("edited by another program"));
    EXPECT_EQ(defaults.recordReads, 1);
    // Remembered as the record now is: the next save is no conflict.
    store.save(workspaceNamed("after"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{kTasksKey});

    // A record that appears after a preload found none is read too.
    ASSERT_TRUE(QFile::remove(dir.path() + "/" + kTasksKey));
    preload = std::make_shared<TaskRecordPreload>(dir.path(), kTasksKey);
    preload->wait();
    ASSERT_TRUE(defaults.files.setData(kTasksKey, edited));
    EXPECT_EQ(UserDefaultsTaskStore(defaults, kTasksKey, preload).load(), workspaceNamed("edited by another program"));
}
