#include "Reminders/TaskReminderScheduler.h"

#include "Reminders/TaskReminderPresenting.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QPointer>
#include <algorithm>
#include <cmath>

namespace {
const TaskItem* findTask(const TaskList& tasks, const QUuid& taskID)
{
    const auto task = std::find_if(tasks.begin(), tasks.end(),
                                   [&](const TaskItem& t) { return NotchTaskViewModel::isTaskID(t.id, taskID); });
    return task == tasks.end() ? nullptr : &*task;
}
} // namespace

TaskReminderScheduler::TaskReminderScheduler(NotchTaskViewModel& viewModel, TaskReminderPresenting& presenter,
                                             NotchTemplateConfiguration configuration, const Clock& clock,
                                             std::unique_ptr<OneShotTimer> timer, QObject* parent)
    : QObject(parent),
      m_viewModel(viewModel),
      m_presenter(presenter),
      m_configuration(std::move(configuration)),
      m_clock(clock),
      m_timer(std::move(timer))
{
    // Every successful save publishes a new version; the current one counts as a first value.
    connect(&m_viewModel, &NotchTaskViewModel::reminderStateVersionChanged, this, [this] { reschedule(); });
    // A change is followed by a save that may come late or never: the wait follows
    // the change itself. What is due then flies a turn later, outside the change.
    connect(&m_viewModel, &NotchTaskViewModel::tasksChanged, this, [this] { evaluate(DueNow::nextTurn); });
    reschedule();
}

TaskReminderScheduler::~TaskReminderScheduler() = default;

void TaskReminderScheduler::start()
{
    reschedule();
}

std::optional<TaskReminderScheduler::DueReminder> TaskReminderScheduler::earliestReminder() const
{
    // Overdue or not, the earliest comes first; among equal times the first in
    // stored order, since only a strictly earlier one replaces it.
    const TaskItem* earliest = nullptr;
    for (const TaskItem& task : m_viewModel.allTasks()) {
        if (task.isCompleted || !task.reminder)
            continue;
        if (!earliest || task.reminder->scheduledAt < earliest->reminder->scheduledAt)
            earliest = &task;
    }
    if (!earliest)
        return std::nullopt;
    return DueReminder{earliest->id, earliest->title, earliest->reminder->scheduledAt, earliest->reminder->isDelivering};
}

void TaskReminderScheduler::reschedule()
{
    evaluate(DueNow::deliver);
}

void TaskReminderScheduler::evaluate(DueNow dueNow)
{
    m_timer->stop();
    if (m_activeReminderTaskID)
        return;
    const auto next = earliestReminder();
    if (!next)
        return;
    const double delay = std::max(0.0, next->scheduledAt.secondsSince(m_clock.now()));
    if (delay == 0 && dueNow == DueNow::deliver) {
        deliver(*next);
        return;
    }
    // Whole milliseconds rounded up, so the wake is never before the time.
    const auto wait = std::chrono::milliseconds(qint64(std::ceil(std::min(delay, longestWaitSeconds) * 1000)));
    m_timer->start(wait, [this] {
        // One turn of the event loop later; a scheduler that is gone drops it. The
        // tasks may have changed since the wait was armed: they are read again.
        QMetaObject::invokeMethod(this, [this] { reschedule(); }, Qt::QueuedConnection);
    });
}

void TaskReminderScheduler::deliver(const DueReminder& reminder)
{
    if (m_activeReminderTaskID)
        return;
    const TaskItem* task = findTask(m_viewModel.allTasks(), reminder.taskID);
    if (!task || !task->reminder) {
        reschedule();
        return;
    }
    if (task->reminder->isDelivering && !reminder.isDelivering) {
        reschedule();
        return;
    }
    // Set before marking: the save below re-enters reschedule(), which must stop at once.
    m_activeReminderTaskID = task->id;
    // A reminder already delivering was on screen when the program last ended: shown again, not marked twice.
    if (!task->reminder->isDelivering)
        m_viewModel.markReminderDelivering(reminder.taskID);
    QPointer<TaskReminderScheduler> self(this);
    m_presenter.present(reminder.title, m_configuration, [self, reminder] {
        if (self)
            self->flightFinished(reminder);
    });
}

void TaskReminderScheduler::flightFinished(const DueReminder& reminder)
{
    // A reminder set again during its own flight is no longer marked delivering: it is kept.
    const TaskItem* task = findTask(m_viewModel.allTasks(), reminder.taskID);
    if (task && task->reminder && task->reminder->isDelivering)
        m_viewModel.clearReminder(reminder.taskID);
    m_activeReminderTaskID.reset();
    reschedule();
}

void TaskReminderScheduler::previewFlight(const QString& title)
{
    if (m_activeReminderTaskID)
        return;
    m_presenter.present(title, m_configuration);
}
