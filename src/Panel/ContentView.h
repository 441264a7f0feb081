#pragma once

#include "Overlay/NotchRootView.h"
#include "UI/DeferredSync.h"
#include "UI/Motion.h"
#include "Template/NotchTemplateConfiguration.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QPainterPath>
#include <QUuid>
#include <QWidget>
#include <functional>
#include <optional>

class AppSessionViewModel;
class NotchTaskPanel;
class SortingAmbientGlow;
class TaskListView;

// The root view of the notch panel and the only notch view that knows the view
// models: it turns their state into the panel's inputs, every panel callback
// into a view-model operation, places the sorting glow behind the panel and
// moves the keyboard.
class ContentView : public NotchRootView {
    Q_OBJECT
public:
    using Inputs = NotchRootView::Inputs;
    struct Callbacks {
        std::function<void(const QString& title)> onPreviewReminder;
    };

    ContentView(NotchTaskViewModel& viewModel, AppSessionViewModel& sessionViewModel, QWidget* parent = nullptr,
                std::function<double()> clock = &Motion::animationClock);
    ~ContentView() override;
    // How the overlay controller builds its root view.
    static NotchRootViewFactory factory(NotchTaskViewModel& viewModel, AppSessionViewModel& sessionViewModel,
                                        Callbacks callbacks);

    // A new geometry updates the views in place.
    void setInputs(const Inputs& inputs) override;
    const Inputs& inputs() const { return m_inputs; }
    void setCallbacks(Callbacks callbacks);

    // View-model changes arrive here and are applied together on the next turn
    // of the event loop; syncNow() applies them at once.
    void sync();
    void syncNow();

    // The surface as it is drawn now, in this view's coordinates.
    QRectF surfaceRect() const;
    double surfaceCornerRadius() const;
    QPainterPath visibleShape() const override;
    bool isAnimating() const;

    std::optional<NotchTaskViewModel::FocusTarget> focusedField() const { return m_focusedField; }
    NotchTaskPanel* panel() const { return m_panel; }
    // The list and composer of the selected workspace, and where it may lie.
    TaskListView& taskList() const;
    QRect taskListFrame() const;
    SortingAmbientGlow* glow() const { return m_glow; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void wireCallbacks();
    void publishShape();
    void setFocusedField(std::optional<NotchTaskViewModel::FocusTarget> field);

    NotchTaskViewModel& m_viewModel;
    AppSessionViewModel& m_sessionViewModel;
    std::function<double()> m_clock;
    DeferredSync m_sync;
    Inputs m_inputs;
    Callbacks m_callbacks;

    SortingAmbientGlow* m_glow;
    NotchTaskPanel* m_panel;

    bool m_isExpanded = false;
    QUuid m_focusRequestID;
    std::optional<NotchTaskViewModel::FocusTarget> m_focusedField;
    QPainterPath m_publishedShape;
};
