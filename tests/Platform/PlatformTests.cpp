#include "Platform/Date.h"
#include "Platform/Text.h"
#include "Platform/UserDefaults.h"
#include "Platform/Uuid.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(FileUserDefaults, StoresExactBytesPerKeyAndReportsFailures)
{
    QTemporaryDir dir;
    FileUserDefaults defaults(dir.path() + "/QuaverLoom");
    EXPECT_FALSE(defaults.data("quaver-loom.tasks").has_value());

    const QByteArray bytes("{\"a\": 1}\n\x01\xff", 11);
    ASSERT_TRUE(defaults.setData("quaver-loom.tasks", bytes));
    EXPECT_EQ(defaults.data("quaver-loom.tasks"), bytes);
    QFile file(dir.path() + "/QuaverLoom/quaver-loom.tasks");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
    EXPECT_EQ(defaults.keys(), QStringList{"quaver-loom.tasks"});

    // A record of many megabytes is read in pieces: each in its place.
    QByteArray large(13 * 1024 * 1024 + 7, Qt::Uninitialized);
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char(i * 7919 / 4096);
    ASSERT_TRUE(defaults.setData("quaver-loom.tasks", large));
    EXPECT_TRUE(defaults.data("quaver-loom.tasks") == large);

    QString error;
    EXPECT_FALSE(defaults.setData("../escape", "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(defaults.setData("", "x"));

    // A directory that cannot be created is a reported failure, not a silent one.
    QFile blocker(dir.path() + "/blocked");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    FileUserDefaults unwritable(dir.path() + "/blocked/QuaverLoom");
    error.clear();
    EXPECT_FALSE(unwritable.setData("quaver-loom.tasks", "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(Uuid, StrictParsingAndCanonicalOrder)
{
    const auto id = Uuid::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(Uuid::upperString(*id), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ(Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E5F"), id);
    EXPECT_FALSE(Uuid::parse("{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}"));
    EXPECT_FALSE(Uuid::parse("E621E1F8C36C495A93FC0C247A3E6E5F"));
    EXPECT_FALSE(Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E5G"));
    EXPECT_FALSE(Uuid::parse(""));
    EXPECT_TRUE(Uuid::parse("00000000-0000-0000-0000-000000000000"));

    // The byte order must agree with the string order for every pair, and
    // either case reads back the same id from text or from Latin-1 bytes.
    for (int i = 0; i < 200; ++i) {
        const QUuid a = QUuid::createUuid(), b = QUuid::createUuid();
        EXPECT_EQ(Uuid::parse(Uuid::upperString(a)), a);
        EXPECT_EQ(Uuid::parse(QLatin1StringView(Uuid::lowerString(a).toLatin1())), a);
        const int byString = Uuid::upperString(a).compare(Uuid::upperString(b));
        EXPECT_EQ(Uuid::compare(a, b) < 0, byString < 0);
        EXPECT_EQ(Uuid::compare(a, b) == 0, byString == 0);
    }
}

TEST(Text, CanonicalEquivalenceAndCaselessOrder)
{
    EXPECT_TRUE(Text::sameText(QString::fromUtf8("Caf\u00e9"), QString::fromUtf8("Cafe\u0301")));
    EXPECT_FALSE(Text::sameText("Cafe", "cafe"));
    // Long against short, decided on a part of the long one or on all of it.
    const QString decomposed = QString::fromUtf8("Cafe\u0301 \u1100\u1161\u11A8 \u03B1\u0313\u0300\u0345").repeated(5000);
    const QString composed = QString::fromUtf8("Caf\u00e9 \uAC01 \u1F82").repeated(5000);
    EXPECT_TRUE(Text::sameText(decomposed, composed));
    EXPECT_FALSE(Text::sameText(decomposed + "x", composed));
    EXPECT_FALSE(Text::sameText(QString::fromUtf8("\u1100\u1161\u11A8").repeated(300), QString::fromUtf8("\uAC01").repeated(30)));
    EXPECT_FALSE(Text::sameText("Caf\u00e9", QString::fromUtf8("Cafe\u0301").repeated(1000)));
    EXPECT_FALSE(Text::sameText(QString::fromUtf8("\u4E2D\u6587").repeated(10000), "\u4E2D"));
    EXPECT_LT(Text::localizedCaseInsensitiveCompare("Alpha", "beta"), 0);
    EXPECT_LT(Text::localizedCaseInsensitiveCompare("aardvark", "Beta"), 0);
    EXPECT_EQ(Text::localizedCaseInsensitiveCompare("WORK", "work"), 0);
    EXPECT_EQ(Text::trimmed(" \n\tBuy milk \r\n"), "Buy milk");
}

TEST(Date, ReferenceEpochWithoutRounding)
{
    EXPECT_EQ(Date{0}.toDateTime().toString(Qt::ISODate), "2001-01-01T00:00:00Z");
    EXPECT_LT(Date{1}, Date{2});
}
