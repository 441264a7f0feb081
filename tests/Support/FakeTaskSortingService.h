#pragma once

#include "Sorting/TaskSortingService.h"

#include <QPointer>
#include <optional>

// A sorting service that records every request and either answers on the next
// turn of the event loop (when given a scripted answer) or holds the answer
// until the test calls respond().
class FakeTaskSortingService final : public TaskSortingService {
public:
    struct Request {
        TaskList tasks;
        TaskSortContext context;
        // What the caller named as the answer's context; the live service drops
        // the answer once it is gone, so it must be the caller itself.
        QPointer<QObject> receiver;
    };

    void sortTasks(const TaskList& tasks, const TaskSortContext& context, QObject* receiver,
                   Completion completion) override
    {
        requests.append({tasks, context, receiver});
        if (scriptedAnswer) {
            deliver(receiver, std::move(completion), *scriptedAnswer);
            return;
        }
        m_pendingReceiver = receiver;
        m_pendingCompletion = std::move(completion);
    }

    bool isHolding() const { return static_cast<bool>(m_pendingCompletion); }

    // Answers the held request at once; a destroyed receiver is never called.
    void respond(const TaskSortResult& result)
    {
        Completion completion = std::move(m_pendingCompletion);
        m_pendingCompletion = nullptr;
        if (completion && m_pendingReceiver)
            completion(result);
        m_pendingReceiver.clear();
    }

    // One decision per task of the last request, all with the given priorities in turn.
    TaskSortDecisionList decisionsForLastRequest(const QList<TaskPriority>& priorities) const
    {
        TaskSortDecisionList decisions;
        const TaskList& tasks = requests.last().tasks;
        for (qsizetype i = 0; i < tasks.size(); ++i)
            decisions.append({i + 1, priorities.isEmpty() ? TaskPriority::low : priorities.at(i % priorities.size()),
                              QStringLiteral("why ") + tasks.at(i).title});
        return decisions;
    }

    std::optional<TaskSortResult> scriptedAnswer;
    QList<Request> requests;

private:
    QPointer<QObject> m_pendingReceiver;
    Completion m_pendingCompletion;
};
