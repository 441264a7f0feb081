#include "Platform/SingleInstance.h"

#include "Platform/Logger.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
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

SingleInstance::~SingleInstance() = default;

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
    QDir().mkpath(m_directory);
    m_lock = std::make_unique<QLockFile>(lockFilePath(m_directory));
    m_lock->setStaleLockTime(0); // only a lock whose process is gone is stale
    if (!m_lock->tryLock(0)) {
        const QLockFile::LockError error = m_lock->error();
        m_lock.reset();
        if (error == QLockFile::LockFailedError)
            return false;
        // The lock cannot be written at all (a full disk, say), so no copy
        // holds it: this one runs, and its failing saves say why.
        logger().error(QStringLiteral("Cannot create the lock file %1; starting without it")
                           .arg(QDir::toNativeSeparators(lockFilePath(m_directory))));
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = socketPath(m_directory);
    if (!m_server->listen(path)) {
        // With the lock held, a socket already there was left by a copy that is gone.
        QLocalServer::removeServer(path);
        if (!m_server->listen(path))
            logger().error(QStringLiteral("Later starts cannot reach this copy: %1").arg(m_server->errorString()));
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::serveNextConnection);
    return true;
}

void SingleInstance::serveNextConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() != showRequest) {
                    socket->abort();
                    return;
                }
                emit showRequested();
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
