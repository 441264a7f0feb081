#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C, logout, a closed terminal) end the event loop through the
// normal quit path: the signal handler only writes a byte into a pipe, and the
// event loop reads it and quits.
class TerminationSignalHandler final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignalHandler(QObject* parent = nullptr);
    ~TerminationSignalHandler() override;

    bool isInstalled() const { return m_notifier != nullptr; }

    // Called first thing in main: a signal that arrives while the program
    // starts waits until a handler exists instead of killing it outright.
    // Threads started meanwhile keep them blocked, so the GUI thread gets them.
    static void holdSignalsUntilInstalled();

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
