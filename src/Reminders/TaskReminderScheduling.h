#pragma once

// What the application keeps alive so that stored reminders keep flying.
class TaskReminderScheduling {
public:
    virtual ~TaskReminderScheduling() = default;

    // Begins watching the workspace and arms the first reminder.
    virtual void start() = 0;
    // Drops the armed wait and chooses again; a due reminder flies at once.
    virtual void reschedule() = 0;
};
