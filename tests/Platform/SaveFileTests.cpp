#include "Platform/UserDefaults.h"
#include "Support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
// Root ignores permission bits. Capabilities are per thread, so the test
// thread gives up that privilege while it lives and takes it back after.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride()
    {
        if (::geteuid() != 0) {
            m_effective = true;
            return;
        }
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2];
        std::memcpy(lowered, m_saved, sizeof lowered);
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
        m_effective = m_lowered;
    }
    ~WithoutPermissionOverride()
    {
        if (m_lowered)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    bool effective() const { return m_effective; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_lowered = false;
    bool m_effective = false;
};
} // namespace

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
