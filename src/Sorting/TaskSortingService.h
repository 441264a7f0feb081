#pragma once

#include "Model/TaskItem.h"
#include "Sorting/TaskSortContext.h"
#include "Sorting/TaskSortDecision.h"
#include "Sorting/TaskSortingError.h"

#include <QObject>
#include <functional>
#include <variant>

// Either one decision per task handed in, or the reason there is none.
using TaskSortResult = std::variant<TaskSortDecisionList, TaskSortingError>;

// Ranks tasks with a language model. The answer arrives later on the GUI
// thread, never from inside sortTasks(), and exactly once; it is dropped when
// `receiver` has been destroyed by then.
class TaskSortingService {
public:
    using Completion = std::function<void(const TaskSortResult&)>;

    virtual ~TaskSortingService() = default;
    virtual void sortTasks(const TaskList& tasks, const TaskSortContext& context, QObject* receiver,
                           Completion completion) = 0;

    // Queues `completion` on `receiver`'s thread; Qt drops the call if the
    // receiver is gone before it runs.
    static void deliver(QObject* receiver, Completion completion, TaskSortResult result);
};
