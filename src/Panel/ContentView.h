#pragma once

#include "Overlay/NotchOverlayMetrics.h"
#include "Panel/Motion.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QPainterPath>
#include <QUuid>
#include <QWidget>
#include <functional>

class AppSessionViewModel;
class NotchTaskViewModel;
class TaskListView;

// The root view of the notch panel and the only notch view that knows the view
// models. It draws the notch surface, top-aligned below the glow padding and
// centred in the panel, growing between the collapsed and expanded sizes, and
// hosts the task list of the selected workspace, whose row actions it turns
// into view-model operations.
class ContentView : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        NotchOverlayMetrics metrics;
        NotchTemplateConfiguration configuration;
        bool reduceMotion = false;
    };
    struct Callbacks {
        std::function<void(const QString& title)> onPreviewReminder;
    };

    ContentView(NotchTaskViewModel& viewModel, AppSessionViewModel& sessionViewModel, QWidget* parent = nullptr,
                std::function<double()> clock = &Motion::wallClock);
    ~ContentView() override;

    void setInputs(const Inputs& inputs);
    const Inputs& inputs() const { return m_inputs; }
    void setCallbacks(Callbacks callbacks);

    // View-model changes arrive here and are applied together on the next turn
    // of the event loop; syncNow() applies them at once.
    void sync();
    void syncNow();

    // The surface as of the latest frame, in this view's coordinates. Reading
    // these never advances the animation; only a frame does.
    QRectF surfaceRect() const { return surfaceRect(m_progress); }
    double surfaceCornerRadius() const { return surfaceCornerRadius(m_progress); }
    QPainterPath visibleShape() const;
    bool isAnimating() const { return m_expansion.isMoving(); }

    // The list and composer of the selected workspace, below the header band.
    TaskListView& taskList() const { return *m_taskList; }
    QRect taskListFrame() const;

signals:
    // Everything outside this path is transparent.
    void visibleShapeChanged(const QPainterPath& shape);
    // The composer wants the keyboard / the panel collapsed and gives it back.
    void keyboardFocusRequested();
    void keyboardFocusReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QRectF surfaceRect(double progress) const;
    double surfaceCornerRadius(double progress) const;
    Motion::Animation expansionAnimation() const;
    // One frame: the clock is read once and everything drawn and published follows that instant.
    void frame();
    void advance(double now);
    void publishShape();
    void syncTaskList();
    void placeTaskList();

    NotchTaskViewModel& m_viewModel;
    AppSessionViewModel& m_sessionViewModel;
    std::function<double()> m_clock;
    Inputs m_inputs;
    Callbacks m_callbacks;

    bool m_syncPending = false;
    bool m_isExpanded = false;
    QUuid m_focusRequestID;
    // The panel's focus state: set by a focus request, cleared on collapse.
    bool m_composerFocused = false;
    TaskListView* m_taskList = nullptr;

    // 0 collapsed, 1 expanded; sizes, radius and rim follow it.
    Motion::Value m_expansion{0};
    double m_progress = 0;
    Motion::Animator m_animator;
    QPainterPath m_publishedShape;
};
