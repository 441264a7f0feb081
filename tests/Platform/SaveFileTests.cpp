#include "Platform/UserDefaults.h"
#include "Support/FileSizeLimit.h"
#include "Support/WithoutPermissionOverride.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(FileUserDefaults, ReadOnlyDirectoryFailsLoudlyAndKeepsTheStoredFile)
{
    // The file itself stays writable: a save that wrote into it directly, when
    // no temporary file can be made beside it, would "succeed" and could leave
    // half a workspace behind on a crash.
    QTemporaryDir dir;
    const QString folder = dir.path() + "/QuaverLoom";
    FileUserDefaults defaults(folder);
    ASSERT_TRUE(defaults.setData("quaver-loom.tasks", "old"));
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    QString error;
    bool saved = true;
    {
        WithoutPermissionOverride unprivileged;
        if (!unprivileged.effective()) {
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            GTEST_SKIP() << "cannot drop the permission override here";
        }
        saved = defaults.setData("quaver-loom.tasks", "new", &error);
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_FALSE(saved);
    EXPECT_EQ(error, QString::fromLocal8Bit(std::strerror(EACCES)));
    EXPECT_EQ(defaults.data("quaver-loom.tasks"), QByteArray("old"));
}

TEST(FileUserDefaults, AWriteThatDoesNotFitFailsWithTheSystemsReason)
{
    // A file size limit fails writes past it, as a full disk does, with a
    // reason of its own (EFBIG rather than ENOSPC) instead of "Unknown error".
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path());
    ASSERT_TRUE(defaults.setData("quaver-loom.tasks", "old"));
    QString error;
    bool written = true;
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.isActive());
        written = defaults.setData("quaver-loom.tasks", QByteArray(10000, 'x'), &error);
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(error, QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(defaults.data("quaver-loom.tasks"), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary file left behind";
}

TEST(FileUserDefaults, NewRecordsAreTheOwnersOnlyAndCopiesAreKeptOnce)
{
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path());
    ASSERT_TRUE(defaults.setData("quaver-loom.tasks", "mine"));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFile::permissions(dir.path() + "/quaver-loom.tasks") & others, QFileDevice::Permissions());

    const Date now = Date::fromDateTime(QDateTime(QDate(2026, 12, 7), QTime(4, 5, 6), Qt::UTC));
    EXPECT_EQ(keepCopy(defaults, "quaver-loom.tasks", "unsaved", "a", now), "quaver-loom.tasks.unsaved-20261207T040506Z");
    EXPECT_EQ(keepCopy(defaults, "quaver-loom.tasks", "unsaved", "a", now), "quaver-loom.tasks.unsaved-20261207T040506Z");
    EXPECT_EQ(keepCopy(defaults, "quaver-loom.tasks", "unsaved", "b", now), "quaver-loom.tasks.unsaved-20261207T040506Z-2");

    FileUserDefaults nowhere(dir.path() + "/quaver-loom.tasks/QuaverLoom"); // below a file
    QString error;
    EXPECT_EQ(keepCopy(nowhere, "quaver-loom.tasks", "unsaved", "a", now, &error), std::nullopt);
    EXPECT_EQ(error, QString::fromLocal8Bit(std::strerror(ENOTDIR)));
}

TEST(FileUserDefaults, ASaveIsDurableOnlyOnceItsDirectoryIsSynced)
{
    // What a power cut can undo: until the directory holding them is synced,
    // neither a renamed file nor a newly made directory is sure to be there.
    QTemporaryDir dir;
    const QString folder = dir.path() + "/config/QuaverLoom";
    QStringList synced;
    QByteArray storedWhenSynced;
    bool failSync = false;
    FileUserDefaults defaults(folder, [&](const QString& directory, QString* error) {
        synced << directory;
        if (directory == folder) {
            QFile stored(folder + "/quaver-loom.tasks");
            storedWhenSynced = stored.open(QIODevice::ReadOnly) ? stored.readAll() : QByteArray("(missing)");
        }
        if (failSync && error)
            *error = QStringLiteral("Input/output error");
        return !failSync;
    });

    ASSERT_TRUE(defaults.setData("quaver-loom.tasks", "first"));
    EXPECT_EQ(synced, QStringList({dir.path(), dir.path() + "/config", folder}))
        << "each directory made, in its parent, then the renamed file: " << synced.join(", ").toStdString();
    EXPECT_EQ(storedWhenSynced, "first") << "the directory is synced after the rename, not before";

    synced.clear();
    ASSERT_TRUE(defaults.setData("quaver-loom.tasks", "second"));
    EXPECT_EQ(synced, QStringList({folder}));
    EXPECT_EQ(storedWhenSynced, "second");

    // A sync that fails is a save that failed, in the system's words.
    failSync = true;
    QString error;
    EXPECT_FALSE(defaults.setData("quaver-loom.tasks", "third", &error));
    EXPECT_EQ(error, "Input/output error");

    // The live sync works on a real directory, and says why it cannot.
    EXPECT_TRUE(syncDirectory(folder));
    EXPECT_FALSE(syncDirectory(dir.path() + "/absent", &error));
    EXPECT_EQ(error, "No such file or directory");
}

TEST(FileUserDefaults, NeverReplacesWhatIsNotAFile)
{
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path());
    const QString pipe = dir.path() + "/quaver-loom.preferences";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QString error;
    EXPECT_FALSE(defaults.setData("quaver-loom.preferences", "{}", &error));
    EXPECT_EQ(error, "Not a regular file");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(pipe).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "still the pipe";

    ASSERT_TRUE(QDir().mkpath(dir.path() + "/quaver-loom.tasks"));
    EXPECT_FALSE(defaults.setData("quaver-loom.tasks", "{}", &error));
    EXPECT_EQ(error, "Is a directory");
}
