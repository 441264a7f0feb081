#include "Platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// A key is a file name: a slash inside it would reach into a folder below the
// record's directory, or with ".." climb out of it.
TEST(StorageKey, ASlashInsideAKeyIsRefused)
{
    for (const char* key : {"sub/key", "quaver-loom.tasks/x", "a/../../outside", "trailing/", "a\\b"})
        EXPECT_FALSE(isValidUserDefaultsKey(QString::fromUtf8(key))) << key;
    for (const char* key : {"quaver-loom.tasks", "quaver-loom.tasks.unreadable-20261207T040506Z", "a..b"})
        EXPECT_TRUE(isValidUserDefaultsKey(QString::fromUtf8(key))) << key;

    QTemporaryDir dir;
    const QString records = dir.path() + "/QuaverLoom";
    ASSERT_TRUE(QDir().mkpath(records + "/sub"));
    ASSERT_TRUE(QDir().mkpath(records + "/a"));
    ASSERT_TRUE(writeFile(records + "/sub/key", "below"));
    ASSERT_TRUE(writeFile(dir.path() + "/outside", "beside"));
    FileUserDefaults defaults(records);

    // The folders exist, so only the key check stands between a write and them.
    for (const QString& key : {QStringLiteral("sub/key"), QStringLiteral("sub/new"), QStringLiteral("a/../../outside")}) {
        QString error;
        EXPECT_FALSE(defaults.setData(key, "written", &error)) << key.toStdString();
        EXPECT_FALSE(error.isEmpty()) << key.toStdString();
        EXPECT_FALSE(defaults.data(key).has_value()) << key.toStdString();
        EXPECT_FALSE(defaults.stamp(key).has_value()) << key.toStdString();
    }
    QFile below(records + "/sub/key");
    ASSERT_TRUE(below.open(QIODevice::ReadOnly));
    EXPECT_EQ(below.readAll(), "below");
    EXPECT_FALSE(QFile::exists(records + "/sub/new"));
    QFile beside(dir.path() + "/outside");
    ASSERT_TRUE(beside.open(QIODevice::ReadOnly));
    EXPECT_EQ(beside.readAll(), "beside");
    EXPECT_TRUE(defaults.keys().isEmpty());
}
