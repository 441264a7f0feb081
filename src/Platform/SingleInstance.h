#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;
class QThread;

// One running copy per data directory. The copy that starts first takes a lock
// file in that directory and listens on a local socket beside it; a later start
// finds the lock held, hands its request to the running copy over the socket
// and ends, as single-instance desktop programs do. The socket is served on a
// thread of its own, so that a copy still loading a large record answers at
// once; what it was asked reaches it once its event loop runs.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString directory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock and starts listening; false while another live copy holds
    // the lock, or, when the lock cannot be written, answers on the socket.
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
    bool listen(bool holdsLock);
    void serveNextConnection();

    QString m_directory;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QThread> m_serverThread;
    QLocalServer* m_server = nullptr; // lives on m_serverThread
};
