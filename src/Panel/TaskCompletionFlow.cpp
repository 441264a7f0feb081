#include "Panel/TaskCompletionFlow.h"

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <vector>

TaskCompletionFlow::TaskCompletionFlow(QObject* parent) : QObject(parent) {}

TaskCompletionFlow::~TaskCompletionFlow() = default;

bool TaskCompletionFlow::begin(const TaskItem& task, double removalDelaySeconds, bool reduceMotion)
{
    if (isCompleting(task.id))
        return false;
    Pending pending{task, nullptr, m_nextOrder++};
    if (!reduceMotion) {
        pending.timer = new QTimer(this);
        pending.timer->setSingleShot(true);
        const double ms = std::clamp(removalDelaySeconds * 1000.0, 0.0, 3600.0 * 1000.0);
        pending.timer->setInterval(int(std::isfinite(ms) ? std::lround(ms) : 0));
        const QUuid id = task.id;
        connect(pending.timer, &QTimer::timeout, this, [this, id] { report(id); });
        pending.timer->start();
    }
    m_pending.emplace(task.id, std::move(pending));
    if (m_callbacks.onMarkChanged)
        m_callbacks.onMarkChanged(task.id, true);
    if (reduceMotion)
        report(task.id);
    return true;
}

void TaskCompletionFlow::flush()
{
    std::vector<std::pair<quint64, QUuid>> order;
    for (const auto& [id, pending] : m_pending)
        order.emplace_back(pending.order, id);
    std::sort(order.begin(), order.end());
    for (const auto& entry : order)
        report(entry.second);
}

void TaskCompletionFlow::report(const QUuid& taskID)
{
    auto found = m_pending.find(taskID);
    if (found == m_pending.end() || found->second.isReporting)
        return;
    found->second.isReporting = true;
    if (found->second.timer) {
        found->second.timer->stop();
        found->second.timer->deleteLater();
        found->second.timer = nullptr;
    }
    // Reported while still marked, so the row keeps its done look until the
    // list drops it; the report may re-enter this object, hence the fresh look-up.
    const TaskItem task = found->second.task;
    if (m_callbacks.onCompleteTask)
        m_callbacks.onCompleteTask(task);
    found = m_pending.find(taskID);
    if (found == m_pending.end())
        return;
    m_pending.erase(found);
    if (m_callbacks.onMarkChanged)
        m_callbacks.onMarkChanged(taskID, false);
}
