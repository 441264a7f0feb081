#pragma once

#include "Template/NotchTemplateConfiguration.h"

#include <QString>
#include <functional>

// Puts a reminder flight on screen.
class TaskReminderPresenting {
public:
    virtual ~TaskReminderPresenting() = default;

    // A scheduled flight. onFinished runs on the GUI thread exactly once, after
    // the flight has been taken off screen (or handed on, see the presenter).
    virtual void present(const QString& title, const NotchTemplateConfiguration& configuration,
                         std::function<void()> onFinished) = 0;
    // A preview of the same flight: nothing is reported, and it is dropped while
    // any flight is on screen or when there is no screen to show it on.
    virtual void present(const QString& title, const NotchTemplateConfiguration& configuration) = 0;
};
