#include "Platform/UserDefaults.h"
#include "Support/FileSizeLimit.h"
#include "Support/WithoutPermissionOverride.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
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

TEST(FileUserDefaults, ARecordThatIsALinkStaysOneAndItsTargetsDirectoryIsSynced)
{
    // The new file is renamed into the directory the link leads to: that is
    // the directory whose entry a power cut could undo.
    QTemporaryDir dir;
    const QString folder = dir.path() + "/QuaverLoom", elsewhere = dir.path() + "/dotfiles";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QFile::link("../dotfiles/preferences.json", folder + "/quaver-loom.preferences"));
    QStringList synced;
    FileUserDefaults defaults(folder, [&](const QString& directory, QString*) {
        synced << directory;
        return true;
    });

    // Dangling at first: the write makes the file it leads to, the owner's only.
    EXPECT_EQ(defaults.linkTarget("quaver-loom.preferences"), elsewhere + "/preferences.json");
    EXPECT_EQ(defaults.data("quaver-loom.preferences"), std::nullopt);
    ASSERT_TRUE(defaults.setData("quaver-loom.preferences", "first"));
    EXPECT_EQ(synced, QStringList{elsewhere});
    EXPECT_EQ(QFile::permissions(elsewhere + "/preferences.json") & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              QFileDevice::Permissions());
    synced.clear();
    ASSERT_TRUE(defaults.setData("quaver-loom.preferences", "second"));
    EXPECT_EQ(synced, QStringList{elsewhere});
    EXPECT_TRUE(QFileInfo(folder + "/quaver-loom.preferences").isSymLink()) << "still the link";
    EXPECT_EQ(defaults.data("quaver-loom.preferences"), QByteArray("second"));
    EXPECT_EQ(defaults.linkTarget("quaver-loom.tasks"), std::nullopt) << "absent";
    ASSERT_TRUE(defaults.setData("quaver-loom.tasks", "plain"));
    EXPECT_EQ(defaults.linkTarget("quaver-loom.tasks"), std::nullopt) << "a file";

    // Into a directory that is not there: the failure names the file it was for.
    ASSERT_TRUE(QFile::link(dir.path() + "/unmounted/tasks.json", folder + "/quaver-loom.tasks.link"));
    QString error;
    EXPECT_FALSE(defaults.setData("quaver-loom.tasks.link", "lost?", &error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_EQ(describeWriteFailure(defaults, "quaver-loom.tasks.link", error),
              "cannot write " + dir.path() + "/unmounted/tasks.json, the file quaver-loom.tasks.link links to: No such file or directory");
    EXPECT_EQ(describeWriteFailure(defaults, "quaver-loom.tasks", "Input/output error"), "Input/output error");

    // A loop of links is refused, and left as it was.
    ASSERT_TRUE(QFile::link(folder + "/loop-b", folder + "/loop-a"));
    ASSERT_TRUE(QFile::link(folder + "/loop-a", folder + "/loop-b"));
    EXPECT_FALSE(defaults.setData("loop-a", "x", &error));
    EXPECT_EQ(error, QString::fromLocal8Bit(std::strerror(ELOOP)));
    EXPECT_TRUE(QFileInfo(folder + "/loop-a").isSymLink());
}

TEST(FileUserDefaults, WhatInterruptedWritesLeftIsRemovedUnlessItHoldsMore)
{
    // QSaveFile names its temporary file "<key>.XXXXXX"; a crash before the
    // rename leaves it, whole or in part.
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path());
    const auto put = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.path() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    put("quaver-loom.tasks", "the record");
    put("quaver-loom.tasks.AbCdEf", "the record"); // cut short after the write
    put("quaver-loom.tasks.GhIjKl", "the rec");    // during it
    put("quaver-loom.tasks.MnOpQr", "");           // before it
    put("quaver-loom.tasks.StUvWx", "a newer record");
    put("quaver-loom.tasks.conflict-20261207T040506Z.QwErTy", "the record"); // a copy of the record
    put("quaver-loom.tasks.conflict-20261207T040506Z-2.ZxCvBn", "their record");
    put("quaver-loom.tasks.unsaved-20261207T040506Z", "kept earlier");
    put("quaver-loom.tasks.unsaved-20261207T040506Z.YzAbCd", "kept");
    // Not what a write leaves: never touched, whatever they hold.
    const QStringList others = {"quaver-loom.tasks.backup", "quaver-loom.tasks.BACKUP", "quaver-loom.tasks.Backup1",
                                "quaver-loom.tasks.AbCd", "quaver-loom.tasks.Ab-Def", "quaver-loom.preferences.AbCdEf",
                                "notes.AbCdEf"};
    for (const QString& name : others)
        put(name, "the record");

    const QList<InterruptedWrite> left = tidyInterruptedWrites(defaults, "quaver-loom.tasks");
    ASSERT_EQ(left.size(), 2);
    EXPECT_EQ(left[0].key, "quaver-loom.tasks.StUvWx");
    EXPECT_EQ(left[1].key, "quaver-loom.tasks.conflict-20261207T040506Z-2.ZxCvBn");
    EXPECT_TRUE(left[0].error.isEmpty() && left[1].error.isEmpty());
    QStringList expected = others;
    expected << "quaver-loom.tasks" << "quaver-loom.tasks.StUvWx" << "quaver-loom.tasks.conflict-20261207T040506Z-2.ZxCvBn"
             << "quaver-loom.tasks.unsaved-20261207T040506Z";
    expected.sort();
    EXPECT_EQ(defaults.keys(), expected);
    EXPECT_EQ(defaults.data("quaver-loom.tasks"), QByteArray("the record"));
    EXPECT_EQ(defaults.data("quaver-loom.tasks.StUvWx"), QByteArray("a newer record"));
    EXPECT_EQ(tidyInterruptedWrites(defaults, "quaver-loom.tasks").size(), 2) << "left in place, and said again";
}
