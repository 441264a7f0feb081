#include "Platform/XdgAutostartLoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(XdgAutostartLoginItem, TheExecKeyGivesBackThePathItWasWrittenWith)
{
    for (const QString& path : {QStringLiteral("/usr/bin/quaverloom"), QStringLiteral("/opt/my apps/quaver loom"),
                               QStringLiteral("/opt/50%/ql"), QStringLiteral("/opt/a\"b`c$d/ql"),
                               QStringLiteral("/opt/back\\slash/ql")})
        EXPECT_EQ(XdgAutostartLoginItem::programOf(XdgAutostartLoginItem::desktopEntry(path)), path)
            << path.toStdString();
    // Entries written by hand: an unquoted command with arguments, and none at all.
    EXPECT_EQ(XdgAutostartLoginItem::programOf("[Desktop Entry]\nExec=/usr/bin/ql --flag %U\n"), "/usr/bin/ql");
    EXPECT_EQ(XdgAutostartLoginItem::programOf("[Desktop Entry]\nName=QuaverLoom\n"), QString());
}

TEST(XdgAutostartLoginItem, LaunchAtLoginStartsTheInstalledProgramWhenThereIsOne)
{
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    const QString program = data + QStringLiteral("/prefix with space/bin/quaverloom");
    QDir().mkpath(data + QStringLiteral("/applications"));
    QFile launcher(data + QStringLiteral("/applications/quaverloom.desktop"));
    ASSERT_TRUE(launcher.open(QIODevice::WriteOnly));
    launcher.write(XdgAutostartLoginItem::desktopEntry(program));
    launcher.close();

    // The launcher entry names a program that is not there: this program is registered.
    EXPECT_EQ(XdgAutostartLoginItem::installedProgram(), QString());
    EXPECT_EQ(XdgAutostartLoginItem(data + QStringLiteral("/autostart")).executable(),
              QCoreApplication::applicationFilePath());

    QDir().mkpath(data + QStringLiteral("/prefix with space/bin"));
    QFile installed(program);
    ASSERT_TRUE(installed.open(QIODevice::WriteOnly));
    installed.close();
    EXPECT_EQ(XdgAutostartLoginItem::installedProgram(), QString()) << "not executable";
    installed.setPermissions(installed.permissions() | QFileDevice::ExeOwner);

    XdgAutostartLoginItem loginItem(data + QStringLiteral("/autostart"));
    EXPECT_EQ(loginItem.executable(), program);
    ASSERT_TRUE(loginItem.setEnabled(true));
    QFile entry(loginItem.filePath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_EQ(XdgAutostartLoginItem::programOf(entry.readAll()), program);
}
