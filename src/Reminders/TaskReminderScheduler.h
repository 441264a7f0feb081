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
// earliest open reminder; the workspace's saves and that wait are the only
// wake-ups. While a scheduled flight is on screen nothing else is armed.
class TaskReminderScheduler final : public QObject, public TaskReminderScheduling {
    Q_OBJECT
public:
    // Longer waits are split: the wall clock may jump while the process sleeps,
    // so every wake checks the time again instead of trusting the wait.
    static constexpr double longestWaitSeconds = 3600;

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

    std::optional<DueReminder> earliestReminder() const;
    void timerFired(const DueReminder& reminder);
    void deliver(const DueReminder& reminder);
    void flightFinished(const DueReminder& reminder);

    NotchTaskViewModel& m_viewModel;
    TaskReminderPresenting& m_presenter;
    NotchTemplateConfiguration m_configuration;
    const Clock& m_clock;
    std::unique_ptr<OneShotTimer> m_timer;
    std::optional<QUuid> m_activeReminderTaskID;
};
