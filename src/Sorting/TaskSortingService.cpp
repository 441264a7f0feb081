#include "Sorting/TaskSortingService.h"

#include <QMetaObject>

void TaskSortingService::deliver(QObject* receiver, Completion completion, TaskSortResult result)
{
    if (!receiver || !completion)
        return;
    QMetaObject::invokeMethod(
        receiver, [completion = std::move(completion), result = std::move(result)] { completion(result); },
        Qt::QueuedConnection);
}
