#pragma once

#include "Reminders/TaskReminderPresenting.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <deque>
#include <functional>

class OverlayWindow;
class TaskReminderFlightView;

// Puts one reminder flight at a time on a full-screen, click-through window
// over everything else, on the screen that holds the pointer. A scheduled
// flight asked for while another one shows, or while there is no screen,
// waits and flies afterwards; a preview then is dropped.
class TaskReminderOverlayPresenter final : public QObject, public TaskReminderPresenting {
    Q_OBJECT
public:
    struct Environment {
        // Screens in Qt's desktop coordinates, the main one first; empty when none is attached.
        std::function<QList<QRect>()> screenGeometries;
        // The pointer in screen points (origin at the main screen's bottom left).
        std::function<QPointF()> mouseLocation;
        bool reduceMotion = false;

        static Environment live(bool reduceMotion);
    };

    explicit TaskReminderOverlayPresenter(Environment environment, QObject* parent = nullptr);
    ~TaskReminderOverlayPresenter() override;

    void present(const QString& title, const NotchTemplateConfiguration& configuration,
                 std::function<void()> onFinished) override;
    void present(const QString& title, const NotchTemplateConfiguration& configuration) override;

    // From the next flight on; the one on screen keeps its motion.
    void setReduceMotion(bool reduceMotion) { m_environment.reduceMotion = reduceMotion; }
    bool reduceMotion() const { return m_environment.reduceMotion; }

    bool isShowing() const;
    OverlayWindow* panel() const;
    TaskReminderFlightView* flightView() const;
    std::size_t waitingCount() const { return m_waiting.size(); }

    // Flies what waits for a screen, once one is there.
    void screensChanged();

private:
    struct Request {
        QString title;
        NotchTemplateConfiguration configuration;
        std::function<void()> onFinished; // empty for a preview
    };

    std::optional<QRect> screenUnderMouse() const;
    bool show(Request request);
    void dismiss();
    void startWaiting();

    Environment m_environment;
    QPointer<OverlayWindow> m_panel;
    QPointer<TaskReminderFlightView> m_flightView;
    std::function<void()> m_onFinished; // of the flight on screen
    std::deque<Request> m_waiting;
    bool m_dismissing = false;
};
