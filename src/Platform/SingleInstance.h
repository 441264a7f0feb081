#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <sys/types.h>

class QFileSystemWatcher;
class QLocalServer;
class QThread;

// One running copy per data directory. The copy that starts first takes a lock
// file in that directory and listens on a local socket beside it; a later start
// asks on that socket before it touches anything, and when a copy answers it
// hands its request over and ends, as single-instance desktop programs do. The
// socket is served on a thread of its own, so that a copy still loading a large
// record answers at once; what it was asked reaches it once its event loop runs.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString directory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock and starts listening; false when another copy answers on
    // the socket or holds the lock. A lock that names no live copy (a crash, a
    // power cut) is taken over. When the lock cannot be written (a full disk)
    // this copy runs without it and takes it as soon as it can, as it does when
    // its lock file is removed while it runs.
    bool claim();

    static QString lockFilePath(const QString& directory);
    // Beside the lock; a directory too deep for a socket's address gets one in
    // the user's runtime directory, named after the data directory.
    static QString socketPath(const QString& directory);

    // From a copy that could not claim the lock: asks the running copy to show
    // its window and waits up to `timeoutMs` for its answer. False, with the
    // reason in `error`, when no copy answered.
    static bool requestShow(const QString& directory, int timeoutMs, QString* error = nullptr);

signals:
    // A later start asked for the window.
    void showRequested();

private:
    enum class Lock { taken, heldByAnotherCopy, cannotBeWritten };
    enum class Socket { listening, anotherCopyAnswers, deaf };

    Lock takeLock(QString* whyNot);
    bool lockIsStillOurs() const;
    void releaseLock();
    void lockFileChanged();
    // Logs why it cannot listen when `reportFailure`; retries stay quiet.
    Socket listen(bool reportFailure);
    void keepClaiming();
    void serveNextConnection();

    QString m_directory;
    // Held open, with an flock, while this copy holds the lock. Its file, to
    // tell it from one that replaced it.
    int m_lockFd = -1;
    dev_t m_lockDevice = 0;
    ino_t m_lockInode = 0;
    std::unique_ptr<QFileSystemWatcher> m_lockWatcher;
    bool m_listening = false;
    // Runs while this copy lacks the lock or the socket.
    QTimer m_retry;
    std::unique_ptr<QThread> m_serverThread;
    QObject* m_serverOwner = nullptr; // of the server and its connections, on m_serverThread
    QLocalServer* m_server = nullptr; // lives on m_serverThread
};
