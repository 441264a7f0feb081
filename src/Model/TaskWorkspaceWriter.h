#pragma once

#include "Model/TaskStore.h"

#include <QObject>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Saves the workspace on one background thread, so the GUI thread only hands
// over a snapshot (the lists are implicitly shared: the copy is cheap, and the
// GUI thread's next change detaches from it). Saves run in the order they were
// handed over; a snapshot still waiting is replaced by a newer one, since each
// holds the whole workspace. The store is used by the writer thread only.
class TaskWorkspaceWriter final : public QObject {
    Q_OBJECT
public:
    explicit TaskWorkspaceWriter(TaskStore& store, QObject* parent = nullptr);
    // Waits for the last write.
    ~TaskWorkspaceWriter() override;

    void save(TaskWorkspaceState state);
    // Blocks until everything handed over is written, then reports it.
    void flush();

signals:
    // On the GUI thread, once per snapshot written, in order.
    void saved();
    // The description for the log; the reason for people (see StoreError).
    void saveFailed(const QString& description, const QString& reason);

private:
    void run();
    void deliverResults();

    TaskStore& m_store;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<TaskWorkspaceState> m_pending;
    bool m_writing = false;
    bool m_stopping = false;
    bool m_deliveryPosted = false;
    struct Failure {
        QString description;
        QString reason;
    };
    std::vector<std::optional<Failure>> m_results; // nullopt: written
    std::thread m_thread;
};
