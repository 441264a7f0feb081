#pragma once

#include "Platform/Date.h"
#include "Platform/OneShotTimer.h"
#include "Reminders/TaskReminderScheduling.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QObject>
#include <QString>
#include <QUuid>
#include <memory>
#include <optional>

class NotchTaskViewModel;
class TaskReminderPresenting;

// Turns the reminders stored on tasks into flights. One wait is armed for the
// earliest open reminder and re-armed on every change of the tasks, saved or
// not (saves run in the background and may fail). A wake only re-reads the
// live tasks: what flies is what is due then. While a scheduled flight is on
// screen nothing else is armed.
class TaskReminderScheduler final : public QObject, public TaskReminderScheduling {
    Q_OBJECT
public:
    // Longer waits are split: the wait runs on a monotonic clock that stops
    // while the computer sleeps, and the wall clock may be set meanwhile, so
    // a pending reminder checks the wall clock at least this often.
    static constexpr double longestWaitSeconds = 60;

    // Subscribes to the workspace and evaluates at once: an overdue reminder flies now.
    TaskReminderScheduler(NotchTaskViewModel& viewModel, TaskReminderPresenting& presenter,
                          NotchTemplateConfiguration configuration, const Clock& clock,
                          std::unique_ptr<OneShotTimer> timer, QObject* parent = nullptr);
    ~TaskReminderScheduler() override;

    void start() override;
    void reschedule() override;

    // "Test Flight": flies the title through the presenter unless a scheduled
    // flight is on screen. Touches no task and no timer.
    void previewFlight(const QString& title);

    const std::optional<QUuid>& activeReminderTaskID() const { return m_activeReminderTaskID; }
    TaskReminderPresenting& presenter() const { return m_presenter; }
    const NotchTemplateConfiguration& configuration() const { return m_configuration; }
    bool isArmed() const { return m_timer->isActive(); }

private:
    // A pending reminder as it was when chosen; checked against the live task before it flies.
    struct DueReminder {
        QUuid taskID;
        QString title;
        Date scheduledAt;
        bool isDelivering = false;
    };

    // Whether a reminder found due flies within the evaluation or one turn later.
    enum class DueNow { deliver, nextTurn };

    std::optional<DueReminder> earliestReminder() const;
    void evaluate(DueNow dueNow);
    void deliver(const DueReminder& reminder);
    void flightFinished(const DueReminder& reminder);

    NotchTaskViewModel& m_viewModel;
    TaskReminderPresenting& m_presenter;
    NotchTemplateConfiguration m_configuration;
    const Clock& m_clock;
    std::unique_ptr<OneShotTimer> m_timer;
    std::optional<QUuid> m_activeReminderTaskID;
};
