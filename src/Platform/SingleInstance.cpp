#include "Platform/SingleInstance.h"

#include "Platform/Logger.h"
#include "Platform/UserDefaults.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

namespace {
const Logger& logger()
{
    static const Logger instance(QStringLiteral("SingleInstance"));
    return instance;
}

constexpr QByteArrayView showRequest = "show\n";
constexpr QByteArrayView showAnswer = "shown\n";

int remainingMs(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(0, deadline.remainingTime()));
}
} // namespace

SingleInstance::SingleInstance(QString directory, QObject* parent) : QObject(parent), m_directory(std::move(directory))
{
}

SingleInstance::~SingleInstance()
{
    if (!m_serverThread)
        return;
    // The server and its connections end on their own thread, as it finishes.
    m_serverThread->quit();
    m_serverThread->wait();
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
    m_lock = std::make_unique<QLockFile>(lockFilePath(m_directory));
    m_lock->setStaleLockTime(0); // only a lock whose process is gone is stale
    if (!m_lock->tryLock(0)) {
        const QLockFile::LockError error = m_lock->error();
        m_lock.reset();
        if (error == QLockFile::LockFailedError)
            return false;
        // The lock cannot be written at all (a full disk, say), so no copy
        // holds it: this one runs, unless another copy answers on the
        // socket, and its failing saves say why.
        logger().error(QStringLiteral("Cannot create the lock file %1; starting without it")
                           .arg(QDir::toNativeSeparators(lockFilePath(m_directory))));
    }
    return listen(m_lock != nullptr);
}

bool SingleInstance::listen(bool holdsLock)
{
    const QString path = socketPath(m_directory);
    // Listening replaces whatever is at the path. Only the lock's holder
    // knows that a socket there was left by a copy that is gone; without the
    // lock it may be a live copy's, which must stay reachable.
    if (!holdsLock && QFileInfo::exists(path)) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000))
            return false; // another copy runs: this start hands its request over
        logger().error(QStringLiteral("Later starts cannot reach this copy: %1 is in the way").arg(path));
        return true;
    }
    m_serverThread = std::make_unique<QThread>();
    m_serverThread->setObjectName(QStringLiteral("SingleInstance"));
    auto* owner = new QObject; // of the server and its connections, on their thread
    owner->moveToThread(m_serverThread.get());
    connect(m_serverThread.get(), &QThread::finished, owner, &QObject::deleteLater);
    m_serverThread->start();
    bool listening = false;
    QString error;
    QMetaObject::invokeMethod(
        owner,
        [&] {
            auto* server = new QLocalServer(owner);
            server->setSocketOptions(QLocalServer::UserAccessOption);
            if (!server->listen(path) && holdsLock) {
                QLocalServer::removeServer(path);
                server->listen(path);
            }
            listening = server->isListening();
            error = server->errorString();
            connect(server, &QLocalServer::newConnection, server, [this] { serveNextConnection(); });
            m_server = server;
        },
        Qt::BlockingQueuedConnection);
    if (!listening)
        logger().error(QStringLiteral("Later starts cannot reach this copy: %1").arg(error));
    return true;
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
                emit showRequested(); // queued to the copy's own thread
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
