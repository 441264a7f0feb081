#include "Platform/SingleInstance.h"

#include "Platform/Logger.h"
#include "Platform/UserDefaults.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSysInfo>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const Logger& logger()
{
    static const Logger instance(QStringLiteral("SingleInstance"));
    return instance;
}

constexpr QByteArrayView showRequest = "show\n";
constexpr QByteArrayView showAnswer = "shown\n";
// How often a copy that lacks the lock or the socket tries again.
constexpr int retryIntervalMs = 1000;

int remainingMs(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(0, deadline.remainingTime()));
}

QString reasonFor(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Starts on one data directory take turns at the lock and the socket, so that
// what one found stale is not replaced meanwhile by another. An flock on the
// directory needs no room on the disk and ends with its process; where the
// file system has none, starts go ahead without turns.
class DirectoryTurn {
public:
    DirectoryTurn(const QString& directory, int waitMs)
        : m_fd(::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        const QDeadlineTimer deadline(waitMs);
        while (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK || deadline.hasExpired()) {
                m_othersHaveIt = errno == EWOULDBLOCK;
                break;
            }
            QThread::msleep(5);
        }
    }
    ~DirectoryTurn()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    DirectoryTurn(const DirectoryTurn&) = delete;
    DirectoryTurn& operator=(const DirectoryTurn&) = delete;

    bool othersHaveIt() const { return m_othersHaveIt; }

private:
    int m_fd;
    bool m_othersHaveIt = false;
};

// The file name of the program a process runs, as QLockFile records it; empty
// with `error` set when it cannot be read.
QByteArray programOf(pid_t pid, int* error = nullptr)
{
    char target[4096];
    const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
    const ssize_t length = ::readlink(link.constData(), target, sizeof target - 1);
    if (length <= 0) {
        if (error)
            *error = errno;
        return {};
    }
    QByteArray path(target, length);
    // A program replaced on disk while it runs.
    if (path.endsWith(" (deleted)"))
        path.chop(int(std::strlen(" (deleted)")));
    return path.mid(path.lastIndexOf('/') + 1);
}

// The lock's lines, as QLockFile writes them, so that either reads the other's:
// process, program, host name, machine and boot.
QByteArray lockContents()
{
    const pid_t self = ::getpid();
    return QByteArray::number(self) + '\n' + programOf(self) + '\n' + QSysInfo::machineHostName().toUtf8() + '\n'
        + QSysInfo::machineUniqueId() + '\n' + QSysInfo::bootUniqueId() + '\n';
}

// Does the lock name a copy of this program that still runs? A lock from
// another machine (a shared home) counts as live: its process cannot be
// checked from here.
bool namesLiveCopy(const QByteArray& contents)
{
    const QList<QByteArray> lines = contents.split('\n');
    bool isNumber = false;
    const qint64 pid = lines.value(0).toLongLong(&isNumber);
    const QByteArray program = lines.value(1);
    if (!isNumber || pid <= 0 || pid > std::numeric_limits<pid_t>::max() || program.isEmpty())
        return false; // cut short by a power cut, or never a lock at all
    const QByteArray host = lines.value(2), machine = lines.value(3), boot = lines.value(4);
    const bool thisMachine = machine.isEmpty() ? host.isEmpty() || host == QSysInfo::machineHostName().toUtf8()
                                               : machine == QSysInfo::machineUniqueId();
    if (!thisMachine)
        return true;
    if (!boot.isEmpty() && boot != QSysInfo::bootUniqueId())
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    // The process number may have gone to another program since.
    int error = 0;
    const QByteArray running = programOf(pid_t(pid), &error);
    if (running.isEmpty())
        return error != ENOENT; // another user's process: cannot tell
    return running == program;
}

enum class Stale { removed, live, cannotBeRemoved };

// Removes the lock at `path` when no live copy holds it. A holder keeps an
// flock on its lock, whatever the file says; QLockFile would also need room
// for a second file beside it, which a full disk does not have.
Stale removeIfStale(const QByteArray& path, QString* reason)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *reason = reasonFor(errno);
        return errno == ENOENT ? Stale::removed : Stale::cannotBeRemoved;
    }
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    QByteArray contents(4096, Qt::Uninitialized);
    const ssize_t length = held ? 0 : ::read(fd, contents.data(), contents.size());
    contents.truncate(std::max<ssize_t>(0, length));
    Stale result = Stale::live;
    if (!held && !namesLiveCopy(contents)) {
        result = Stale::removed;
        if (::unlink(path.constData()) != 0 && errno != ENOENT) {
            *reason = reasonFor(errno);
            result = Stale::cannotBeRemoved;
        }
    }
    ::close(fd);
    return result;
}

bool writeFully(int fd, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        bytes = bytes.sliced(written);
    }
    return true;
}
} // namespace

SingleInstance::SingleInstance(QString directory, QObject* parent) : QObject(parent), m_directory(std::move(directory))
{
    m_retry.setInterval(retryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, &SingleInstance::keepClaiming);
}

SingleInstance::~SingleInstance()
{
    if (m_serverThread) {
        // The server and its connections end on their own thread, as it finishes.
        m_serverThread->quit();
        m_serverThread->wait();
    }
    releaseLock();
}

QString SingleInstance::lockFilePath(const QString& directory)
{
    return directory + QStringLiteral("/.quaverloom.lock");
}

QString SingleInstance::socketPath(const QString& directory)
{
    const QString beside = directory + QStringLiteral("/.quaverloom.socket");
    // A socket's address holds at most 107 bytes.
    if (QFile::encodeName(beside).size() <= 100)
        return beside;
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QDir::isAbsolutePath(runtime))
        runtime = QDir::tempPath();
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(QDir::cleanPath(directory)), QCryptographicHash::Sha256).toHex();
    return runtime + QStringLiteral("/quaverloom-") + QString::fromLatin1(key.left(24)) + QStringLiteral(".socket");
}

bool SingleInstance::claim()
{
    makeDirectoryDurably(m_directory);
    const DirectoryTurn turn(m_directory, 5000);
    QString whyNot;
    const Lock lock = takeLock(&whyNot);
    if (lock == Lock::heldByAnotherCopy)
        return false;
    // A copy that answers is the one that runs, whether or not it holds the lock.
    const Socket socket = listen(true);
    if (socket == Socket::anotherCopyAnswers) {
        releaseLock();
        return false;
    }
    m_listening = socket == Socket::listening;
    if (lock == Lock::cannotBeWritten)
        logger().error(QStringLiteral("Cannot create the lock file %1 (%2); starting without it and taking it "
                                      "once it can be written")
                           .arg(QDir::toNativeSeparators(lockFilePath(m_directory)), whyNot));
    if (m_lockFd < 0 || !m_listening)
        m_retry.start();
    return true;
}

// The lock reads as QLockFile's, but QLockFile would remove whatever is at its
// path when it lets go, another copy's lock too once its own was removed, and
// cannot take over a gone copy's lock on a full disk.
SingleInstance::Lock SingleInstance::takeLock(QString* whyNot)
{
    const QString path = lockFilePath(m_directory);
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno != EEXIST) {
                *whyNot = reasonFor(errno);
                return Lock::cannotBeWritten;
            }
            switch (attempt == 0 ? removeIfStale(name, whyNot) : Stale::live) {
            case Stale::removed:
                continue;
            case Stale::live:
                return Lock::heldByAnotherCopy;
            case Stale::cannotBeRemoved:
                *whyNot = QStringLiteral("it names no running copy but cannot be removed: ") + *whyNot;
                return Lock::cannotBeWritten;
            }
        }
        // Held from before its contents exist, so that no start takes it for an empty, stale one.
        ::flock(fd, LOCK_EX | LOCK_NB);
        struct stat info {};
        if (!writeFully(fd, lockContents()) || ::fstat(fd, &info) != 0) {
            *whyNot = reasonFor(errno);
            ::unlink(name.constData());
            ::close(fd);
            return Lock::cannotBeWritten;
        }
        ::fdatasync(fd);
        m_lockFd = fd;
        m_lockDevice = info.st_dev;
        m_lockInode = info.st_ino;
        if (!m_lockWatcher) {
            m_lockWatcher = std::make_unique<QFileSystemWatcher>();
            connect(m_lockWatcher.get(), &QFileSystemWatcher::fileChanged, this, &SingleInstance::lockFileChanged);
        }
        if (!m_lockWatcher->files().isEmpty())
            m_lockWatcher->removePaths(m_lockWatcher->files());
        m_lockWatcher->addPath(path);
        return Lock::taken;
    }
    return Lock::heldByAnotherCopy;
}

bool SingleInstance::lockIsStillOurs() const
{
    struct stat info {};
    return m_lockFd >= 0 && ::stat(QFile::encodeName(lockFilePath(m_directory)).constData(), &info) == 0
        && info.st_dev == m_lockDevice && info.st_ino == m_lockInode;
}

void SingleInstance::releaseLock()
{
    if (m_lockFd < 0)
        return;
    // The file at the path may by now be another copy's.
    if (lockIsStillOurs())
        ::unlink(QFile::encodeName(lockFilePath(m_directory)).constData());
    ::close(m_lockFd);
    m_lockFd = -1;
}

void SingleInstance::lockFileChanged()
{
    if (m_lockFd < 0 || lockIsStillOurs())
        return;
    // Removed or replaced: a later start would find no copy holding it.
    logger().error(QStringLiteral("The lock file %1 was removed or replaced while this copy ran; taking it again")
                       .arg(QDir::toNativeSeparators(lockFilePath(m_directory))));
    ::close(m_lockFd);
    m_lockFd = -1;
    keepClaiming();
}

void SingleInstance::keepClaiming()
{
    if (m_lockFd < 0 || !m_listening) {
        // A start holding the turn is about to find this copy on the socket: the next round.
        const DirectoryTurn turn(m_directory, 0);
        if (!turn.othersHaveIt()) {
            QString whyNot;
            if (m_lockFd < 0 && takeLock(&whyNot) == Lock::taken)
                qCInfo(logger().category(), "Took the lock file %s",
                       qPrintable(QDir::toNativeSeparators(lockFilePath(m_directory))));
            if (!m_listening)
                m_listening = listen(false) == Socket::listening;
        }
    }
    if (m_lockFd >= 0 && m_listening)
        m_retry.stop();
    else if (!m_retry.isActive())
        m_retry.start();
}

SingleInstance::Socket SingleInstance::listen(bool reportFailure)
{
    const QString path = socketPath(m_directory);
    // Listening replaces whatever is at the path: a copy that answers there
    // keeps it, and only a socket that nobody listens on is removed.
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000))
            return Socket::anotherCopyAnswers;
        const QLocalSocket::LocalSocketError error = probe.error();
        if (error != QLocalSocket::ConnectionRefusedError && error != QLocalSocket::ServerNotFoundError) {
            // Busy or not ours to ask: rather no socket than a second copy's.
            if (reportFailure)
                logger().error(QStringLiteral("Later starts cannot reach this copy: %1 is in the way (%2)")
                               .arg(path, probe.errorString()));
            return Socket::deaf;
        }
        QLocalServer::removeServer(path);
    }
    if (!m_serverThread) {
        m_serverThread = std::make_unique<QThread>();
        m_serverThread->setObjectName(QStringLiteral("SingleInstance"));
        m_serverOwner = new QObject;
        m_serverOwner->moveToThread(m_serverThread.get());
        connect(m_serverThread.get(), &QThread::finished, m_serverOwner, &QObject::deleteLater);
        m_serverThread->start();
    }
    bool listening = false;
    QString error;
    QMetaObject::invokeMethod(
        m_serverOwner,
        [&] {
            if (!m_server) {
                m_server = new QLocalServer(m_serverOwner);
                m_server->setSocketOptions(QLocalServer::UserAccessOption);
                // Connected before it listens, so that no connection goes unserved.
                connect(m_server, &QLocalServer::newConnection, m_server, [this] { serveNextConnection(); });
            }
            listening = m_server->listen(path);
            error = m_server->errorString();
        },
        Qt::BlockingQueuedConnection);
    if (!listening) {
        if (reportFailure)
            logger().error(QStringLiteral("Later starts cannot reach this copy: %1").arg(error));
        return Socket::deaf;
    }
    return Socket::listening;
}

void SingleInstance::serveNextConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() != showRequest) {
                    socket->abort();
                    return;
                }
                // Answered once the request waits on this copy's own thread:
                // whoever is connected there when its event loop runs gets it.
                if (!QMetaObject::invokeMethod(this, [this] { emit showRequested(); }, Qt::QueuedConnection)) {
                    socket->abort();
                    return;
                }
                socket->write(showAnswer.data(), showAnswer.size());
            }
            // A request is one short line; anything longer is not one of ours.
            if (socket->bytesAvailable() > 64)
                socket->abort();
        });
    }
}

bool SingleInstance::requestShow(const QString& directory, int timeoutMs, QString* error)
{
    const QDeadlineTimer deadline(timeoutMs);
    const QString path = socketPath(directory);
    QLocalSocket socket;
    auto failed = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    // The running copy listens right after it takes the lock: a start that
    // comes in between tries again until the deadline.
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(remainingMs(deadline)))
            break;
        if (deadline.hasExpired())
            return failed(QStringLiteral("cannot reach it at %1: %2").arg(path, socket.errorString()));
        QThread::msleep(50);
    }
    socket.write(showRequest.data(), showRequest.size());
    if (!socket.waitForBytesWritten(remainingMs(deadline)))
        return failed(QStringLiteral("cannot send it the request: %1").arg(socket.errorString()));
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(remainingMs(deadline)))
            return failed(QStringLiteral("it did not answer within %1 ms").arg(timeoutMs));
        answer += socket.readAll();
    }
    if (answer != showAnswer)
        return failed(QStringLiteral("it answered something unexpected"));
    return true;
}
