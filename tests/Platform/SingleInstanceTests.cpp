#include "Platform/SingleInstance.h"
#include "Support/FileSizeLimit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <sys/file.h>
#include <unistd.h>

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

// A later start asks `running` once; true when it was answered and `running`,
// on this thread, told of it once.
bool laterStartIsServed(SingleInstance& running, const QString& directory)
{
    QSignalSpy requests(&running, &SingleInstance::showRequested);
    std::future<bool> answer = askFromAnotherStart(directory, 5000);
    if (!answeredWhileServing(answer) || !QTest::qWaitFor([&] { return !requests.isEmpty(); }, 2000))
        return false;
    QTest::qWait(20);
    return requests.size() == 1;
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

namespace {
// Someone holds the lock file: a live holder keeps an flock on it.
bool lockIsHeld(const QString& directory)
{
    const int fd = ::open(QFile::encodeName(SingleInstance::lockFilePath(directory)).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

bool lockIsTakenWithin(const QString& directory, int timeoutMs)
{
    return QTest::qWaitFor([&] { return lockIsHeld(directory); }, timeoutMs);
}

void writeLock(const QString& directory, const QByteArray& contents)
{
    QDir().mkpath(directory);
    QFile lock(SingleInstance::lockFilePath(directory));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(contents);
}

// A lock as a copy of this program writes it, naming `pid`.
QByteArray lockNaming(qint64 pid, const QByteArray& bootId = QSysInfo::bootUniqueId())
{
    return QByteArray::number(pid) + '\n' + QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8()
        + '\n' + QSysInfo::machineHostName().toUtf8() + '\n' + QSysInfo::machineUniqueId() + '\n' + bootId + '\n';
}

// A process that has ended and been reaped.
qint64 goneProcess()
{
    QProcess process;
    process.start(QStringLiteral("true"), {});
    process.waitForFinished();
    return process.processId() > 0 ? process.processId() : 999999;
}
} // namespace

TEST(SingleInstance, ACopyThatAnswersIsAskedFirstAndTheCopyWithoutTheLockTakesIt)
{
    // Started on a full disk, the first copy runs without the lock; once there
    // is room, a later start must still find it, not take its socket.
    QTemporaryDir data;
    const QString directory = data.path() + QStringLiteral("/QuaverLoom");
    ASSERT_TRUE(QDir().mkpath(directory));
    SingleInstance first(directory);
    bool claimed = false;
    {
        FileSizeLimit limit(0);
        ASSERT_TRUE(limit.isActive());
        claimed = first.claim();
    }
    ASSERT_TRUE(claimed);
    EXPECT_FALSE(SingleInstance(directory).claim()) << "a copy answers: the later start hands its request over";
    EXPECT_TRUE(laterStartIsServed(first, directory));
    EXPECT_TRUE(lockIsTakenWithin(directory, 5000)) << "the copy without the lock takes it once there is room";
    EXPECT_FALSE(SingleInstance(directory).claim());
    EXPECT_TRUE(laterStartIsServed(first, directory));
}

TEST(SingleInstance, ALockFileDeletedUnderARunningCopyIsTakenAgain)
{
    QTemporaryDir data;
    const QString directory = data.path() + QStringLiteral("/QuaverLoom");
    SingleInstance running(directory);
    ASSERT_TRUE(running.claim());
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(QFile::remove(SingleInstance::lockFilePath(directory)));
        EXPECT_FALSE(SingleInstance(directory).claim()) << "round " << round;
        EXPECT_TRUE(laterStartIsServed(running, directory)) << "round " << round;
        EXPECT_TRUE(lockIsTakenWithin(directory, 5000)) << "round " << round;
    }
}

TEST(SingleInstance, ALockWhoseProcessIsGoneNeverBlocksAStart)
{
    // As after kill -9: the lock and the socket file stay behind. On a full
    // disk, the stale lock cannot be removed the way Qt removes it (that
    // needs room for a second lock file beside it).
    QTemporaryDir data;
    const QString directory = data.path() + QStringLiteral("/QuaverLoom");
    for (const bool diskIsFull : {false, true}) {
        writeLock(directory, lockNaming(goneProcess()));
        QFile leftover(SingleInstance::socketPath(directory));
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        SingleInstance next(directory);
        bool claimed = false;
        {
            std::optional<FileSizeLimit> limit;
            if (diskIsFull)
                limit.emplace(0);
            claimed = next.claim();
        }
        ASSERT_TRUE(claimed) << "full disk: " << diskIsFull;
        EXPECT_TRUE(laterStartIsServed(next, directory)) << "full disk: " << diskIsFull;
        EXPECT_TRUE(lockIsTakenWithin(directory, 5000)) << "full disk: " << diskIsFull;
    }
}

TEST(SingleInstance, ALockNamingNoLiveCopyIsStale)
{
    // Left by a power cut between the lock's creation and its sync, or by a
    // copy of another boot whose process number now belongs to someone else.
    QProcess otherProgram;
    otherProgram.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(otherProgram.waitForStarted());
    const std::vector<std::pair<const char*, QByteArray>> locks = {
        {"empty", QByteArray()},
        {"garbage", QByteArray("\x7f\x45\x4c\x46\x00\x01 not a lock", 17)},
        {"a number but nothing else", QByteArray("12")},
        {"another program's process", lockNaming(otherProgram.processId())},
        {"another boot", lockNaming(QCoreApplication::applicationPid(), "00000000-0000-0000-0000-000000000000")},
    };
    for (const auto& [what, contents] : locks) {
        QTemporaryDir data;
        const QString directory = data.path() + QStringLiteral("/QuaverLoom");
        writeLock(directory, contents);
        SingleInstance next(directory);
        EXPECT_TRUE(next.claim()) << what;
        EXPECT_TRUE(lockIsHeld(directory)) << what;
    }
    otherProgram.kill();
    otherProgram.waitForFinished();
}

TEST(SingleInstance, ARequestArrivingBeforeAnyoneListensIsKept)
{
    // The request reaches the copy's own thread as an event: whoever connects
    // before that thread's loop runs still gets it.
    QTemporaryDir data;
    const QString directory = data.path() + QStringLiteral("/QuaverLoom");
    SingleInstance running(directory);
    ASSERT_TRUE(running.claim());
    QString error;
    EXPECT_TRUE(SingleInstance::requestShow(directory, 5000, &error)) << error.toStdString();
    int requests = 0;
    QObject receiver;
    QObject::connect(&running, &SingleInstance::showRequested, &receiver, [&] { ++requests; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return requests == 1; }, 2000));
}

TEST(SingleInstance, StartsAtOnceOnAStaleLockLeaveOneCopy)
{
    // Each start removes only what it asked about: exactly one of them runs.
    for (int round = 0; round < 10; ++round) {
        QTemporaryDir data;
        const QString directory = data.path() + QStringLiteral("/QuaverLoom");
        writeLock(directory, round % 2 ? QByteArray() : lockNaming(goneProcess()));
        QFile leftover(SingleInstance::socketPath(directory));
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        constexpr int starts = 6;
        std::atomic<int> claimed = 0, done = 0;
        std::vector<std::unique_ptr<QThread>> copies;
        for (int i = 0; i < starts; ++i) {
            copies.emplace_back(QThread::create([&] {
                SingleInstance copy(directory);
                if (copy.claim())
                    ++claimed;
                // Each stays until all have tried.
                ++done;
                while (done < starts)
                    QThread::msleep(5);
            }));
            copies.back()->start();
        }
        for (auto& copy : copies)
            copy->wait();
        EXPECT_EQ(claimed, 1) << "round " << round;
    }
}
