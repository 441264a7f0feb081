#pragma once

#include "Model/TaskItem.h"

#include <QObject>
#include <QUuid>
#include <functional>
#include <map>

class QTimer;

// The completion of a list row: the row is marked as completing at once (it
// shows its done look while it animates) and reported a moment later with the
// task as it was when tapped. A second tap while marked is ignored; under
// reduced motion the report comes at once.
class TaskCompletionFlow final : public QObject {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void(const TaskItem& task)> onCompleteTask;
        // The completing mark of a task was set or cleared.
        std::function<void(const QUuid& taskID, bool isCompleting)> onMarkChanged;
    };

    explicit TaskCompletionFlow(QObject* parent = nullptr);
    ~TaskCompletionFlow() override;

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // False when the task is already completing.
    bool begin(const TaskItem& task, double removalDelaySeconds, bool reduceMotion);
    bool isCompleting(const QUuid& taskID) const { return m_pending.count(taskID) > 0; }
    bool isEmpty() const { return m_pending.empty(); }

    // Reports every pending completion now, oldest first; a teardown calls it so
    // that a tap is never lost.
    void flush();

private:
    struct Pending {
        TaskItem task;
        QTimer* timer = nullptr;
        quint64 order = 0;
        bool isReporting = false;
    };
    void report(const QUuid& taskID);

    Callbacks m_callbacks;
    std::map<QUuid, Pending> m_pending;
    quint64 m_nextOrder = 0;
};
