#pragma once

#include "Overlay/NotchOverlayMetrics.h"
#include "Overlay/NotchRootView.h"
#include "Template/NotchHeaderWidthRequirements.h"
#include "Platform/PointerMonitor.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class NotchHostingView;
class NotchPanel;
class NotchTaskViewModel;
class ScreenInfoProviding;

// Owns the borderless panel over the notch: computes the geometry, places the
// panel, expands and collapses the workspace from the pointer position, lets
// clicks through outside the visible shape and re-lays the panel out when the
// screens or the application font change. There is no timer: pointer, screen
// and font events drive everything.
class NotchOverlayController final : public QObject {
    Q_OBJECT
public:
    // The desktop services the controller works with.
    struct Environment {
        PointerMonitor& pointerMonitor;
        const ScreenInfoProviding& screens;
        TextWidthFunction textWidth;
        bool reduceMotion = false;
    };

    NotchOverlayController(const NotchTemplateConfiguration& configuration, NotchTaskViewModel& viewModel,
                           const NotchRootViewFactory& makeRootView, Environment environment,
                           QObject* parent = nullptr);
    ~NotchOverlayController() override;

    NotchPanel& panel() const { return *m_panel; }
    NotchHostingView& hostingView() const { return *m_hostingView; }
    NotchRootView& rootView() const { return *m_rootView; }
    const NotchOverlayMetrics& metrics() const { return m_metrics; }
    bool hasEventMonitors() const { return !m_eventMonitors.empty(); }

    // The desktop's reduce-motion setting changed while the program runs.
    void setReduceMotion(bool reduceMotion);
    bool reduceMotion() const { return m_reduceMotion; }

    void positionPanel();
    void installEventMonitors();
    void removeEventMonitors();
    void evaluateHover();

signals:
    void metricsChanged(const NotchOverlayMetrics& metrics);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshLayout();
    void updateMousePassThrough(Point location);
    void applyPanelFrame(const Rect& frame);

    std::unique_ptr<NotchPanel> m_panel;
    NotchHostingView* m_hostingView = nullptr;
    NotchRootView* m_rootView = nullptr;
    NotchTemplateConfiguration m_configuration;
    NotchOverlayMetrics m_metrics;
    NotchTaskViewModel& m_viewModel;
    std::vector<PointerMonitor::Token> m_eventMonitors;

    PointerMonitor& m_pointerMonitor;
    const ScreenInfoProviding& m_screens;
    TextWidthFunction m_textWidth;
    bool m_reduceMotion = false;
    // The panel's frame in screen coordinates, as last placed.
    Rect m_panelFrame;
};
