#include "Platform/SingleInstance.h"
#include "Support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QTemporaryDir>
#include <future>
#include <gtest/gtest.h>

namespace {
// A later start asks from its own thread, as from its own process: the running
// copy answers on this thread's event loop.
std::future<bool> askFromAnotherStart(const QString& directory, int timeoutMs, QString* error = nullptr)
{
    return std::async(std::launch::async,
                      [=] { return SingleInstance::requestShow(directory, timeoutMs, error); });
}

bool answeredWhileServing(std::future<bool>& answer)
{
    for (int i = 0; i < 200 && answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready; ++i)
        QTest::qWait(10);
    return answer.get();
}

// A later start asks `running` once; true when it was answered and `running` told of it.
bool laterStartIsServed(SingleInstance& running, const QString& directory)
{
    QSignalSpy requests(&running, &SingleInstance::showRequested);
    std::future<bool> answer = askFromAnotherStart(directory, 5000);
    return answeredWhileServing(answer) && requests.size() == 1;
}
} // namespace

TEST(SingleInstance, OneCopyPerDirectoryAndALaterStartReachesIt)
{
    QTemporaryDir data;
    const QString directory = data.path() + QStringLiteral("/QuaverLoom");
    SingleInstance running(directory);
    ASSERT_TRUE(running.claim());
    EXPECT_TRUE(QFile::exists(SingleInstance::lockFilePath(directory)));
    EXPECT_EQ(QFileInfo(SingleInstance::socketPath(directory)).dir(), QDir(directory)) << "beside the lock";
    EXPECT_FALSE(SingleInstance(directory).claim());

    EXPECT_TRUE(laterStartIsServed(running, directory));
    EXPECT_TRUE(laterStartIsServed(running, directory)) << "each later start is served, not only the first";
    QSignalSpy requests(&running, &SingleInstance::showRequested);

    // A stranger's bytes are not a request.
    QLocalSocket stranger;
    stranger.connectToServer(SingleInstance::socketPath(directory));
    ASSERT_TRUE(stranger.waitForConnected(2000));
    stranger.write("open /etc/passwd\n");
    stranger.flush();
    QTest::qWait(100);
    EXPECT_EQ(requests.size(), 0);
}

TEST(SingleInstance, ALockThatCannotBeWrittenIsNotAnotherCopy)
{
    // As on a full disk: the lock's contents cannot be written, yet nothing holds it.
    QTemporaryDir data;
    const QString directory = data.path() + QStringLiteral("/QuaverLoom");
    ASSERT_TRUE(QDir().mkpath(directory));
    SingleInstance running(directory);
    bool claimed = false;
    {
        FileSizeLimit limit(0);
        ASSERT_TRUE(limit.isActive());
        claimed = running.claim();
    }
    EXPECT_TRUE(claimed);
    EXPECT_TRUE(laterStartIsServed(running, directory));
}

TEST(SingleInstance, NoCopyMeansNoAnswerAndAGoneCopyLeavesNothingInTheWay)
{
    QTemporaryDir data;
    const QString directory = data.path() + QStringLiteral("/QuaverLoom");
    QString error;
    EXPECT_FALSE(SingleInstance::requestShow(directory, 200, &error));
    EXPECT_FALSE(error.isEmpty());

    // A socket file left by a copy that crashed does not keep the next one deaf.
    QDir().mkpath(directory);
    QFile leftover(SingleInstance::socketPath(directory));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    {
        SingleInstance first(directory);
        ASSERT_TRUE(first.claim());
        EXPECT_TRUE(laterStartIsServed(first, directory));
    }
    // Once that copy is gone, the next one claims the directory.
    SingleInstance next(directory);
    EXPECT_TRUE(next.claim());
}

TEST(SingleInstance, ADirectoryTooDeepForASocketAddressUsesTheRuntimeDirectory)
{
    QTemporaryDir data;
    const QString deep = data.path() + QStringLiteral("/") + QString(120, u'd') + QStringLiteral("/QuaverLoom");
    const QString path = SingleInstance::socketPath(deep);
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/quaverloom-")));
    EXPECT_LE(QFile::encodeName(path).size(), 107);
    EXPECT_NE(path, SingleInstance::socketPath(deep + QStringLiteral("2"))) << "one per data directory";

    SingleInstance running(deep);
    ASSERT_TRUE(running.claim());
    EXPECT_TRUE(laterStartIsServed(running, deep));
}

TEST(SingleInstance, ACopyWithoutTheLockLeavesAListeningCopysSocketAlone)
{
    // On a full disk neither copy can write the lock: the later one must not
    // take the socket from the one that listens, or two copies run and the
    // first can no longer be reached.
    QTemporaryDir data;
    const QString directory = data.path() + QStringLiteral("/QuaverLoom");
    ASSERT_TRUE(QDir().mkpath(directory));
    SingleInstance first(directory);
    SingleInstance later(directory);
    bool firstClaimed = false, laterClaimed = true;
    {
        FileSizeLimit limit(0);
        ASSERT_TRUE(limit.isActive());
        firstClaimed = first.claim();
        laterClaimed = later.claim();
    }
    EXPECT_TRUE(firstClaimed);
    EXPECT_FALSE(laterClaimed) << "the later copy hands its request over instead";
    EXPECT_TRUE(laterStartIsServed(first, directory));
}

TEST(SingleInstance, ACopyStillStartingAnswersALaterStartAtOnce)
{
    // Loading a large record keeps the first copy's event loop from running
    // for seconds; a later start must not give up on it meanwhile. Its
    // request reaches the first copy once that copy's loop runs.
    QTemporaryDir data;
    const QString directory = data.path() + QStringLiteral("/QuaverLoom");
    SingleInstance running(directory);
    ASSERT_TRUE(running.claim());
    int requests = 0;
    QObject receiver;
    QObject::connect(&running, &SingleInstance::showRequested, &receiver, [&] { ++requests; });

    QString error;
    EXPECT_TRUE(SingleInstance::requestShow(directory, 20000, &error)) << error.toStdString();
    EXPECT_EQ(requests, 0) << "not before this copy's event loop runs";
    for (int i = 0; i < 2000 && requests == 0; ++i)
        QTest::qWait(10);
    EXPECT_EQ(requests, 1);
}
