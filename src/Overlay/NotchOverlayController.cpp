#include "Overlay/NotchOverlayController.h"

#include "Overlay/NotchHostingView.h"
#include "Overlay/NotchPanel.h"
#include "Platform/ScreenInfoProviding.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>

NotchOverlayController::NotchOverlayController(const NotchTemplateConfiguration& configuration,
                                               NotchTaskViewModel& viewModel, const NotchRootViewFactory& makeRootView,
                                               Environment environment, QObject* parent)
    : QObject(parent),
      m_configuration(configuration),
      m_viewModel(viewModel),
      m_pointerMonitor(environment.pointerMonitor),
      m_screens(environment.screens),
      m_textWidth(std::move(environment.textWidth)),
      m_reduceMotion(environment.reduceMotion)
{
    m_metrics = NotchOverlayMetrics::make(m_screens.mainScreen(), m_configuration, m_textWidth);

    // Not shown here; the owner shows and hides it.
    m_panel = std::make_unique<NotchPanel>();
    m_panelFrame = {0, 0, m_metrics.panelSize.width, m_metrics.panelSize.height};
    m_panel->resize(qRound(m_metrics.panelSize.width), qRound(m_metrics.panelSize.height));

    m_hostingView = new NotchHostingView(m_panel.get());
    m_hostingView->setGeometry(0, 0, qRound(m_metrics.panelSize.width), qRound(m_metrics.panelSize.height));
    m_rootView = makeRootView();
    m_rootView->setInputs({m_metrics, m_configuration, m_reduceMotion});
    m_hostingView->setRootView(m_rootView);

    NotchPanel* panel = m_panel.get();
    connect(m_rootView, &NotchRootView::visibleShapeChanged, panel, &NotchPanel::setVisibleShape);
    connect(m_rootView, &NotchRootView::keyboardFocusRequested, panel, &NotchPanel::takeKeyboardFocus);
    connect(m_rootView, &NotchRootView::keyboardFocusReleased, panel, &NotchPanel::giveBackKeyboardFocus);
    m_panel->setVisibleShape(m_rootView->visibleShape());

    // The geometry depends only on the screen, the configuration and the
    // measured "AI Sort" label: re-lay out when either of the last two moves.
    connect(&m_screens, &ScreenInfoProviding::screensChanged, this, &NotchOverlayController::refreshLayout);
    if (qGuiApp)
        qGuiApp->installEventFilter(this);
}

NotchOverlayController::~NotchOverlayController()
{
    removeEventMonitors();
}

bool NotchOverlayController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qGuiApp && event->type() == QEvent::ApplicationFontChange)
        refreshLayout();
    return QObject::eventFilter(watched, event);
}

void NotchOverlayController::positionPanel()
{
    std::optional<ScreenInfo> screen = m_metrics.screen;
    if (!screen)
        screen = m_screens.mainScreen();
    if (!screen)
        return;
    applyPanelFrame(m_metrics.panelFrame(screen->frame, m_configuration));
}

void NotchOverlayController::applyPanelFrame(const Rect& frame)
{
    m_panelFrame = frame;
    m_panel->setGeometry(m_screens.windowGeometry(frame));
}

void NotchOverlayController::installEventMonitors()
{
    if (!m_eventMonitors.empty())
        return;
    const QPointer<NotchOverlayController> self(this);
    const auto handler = [self] {
        if (self)
            self->evaluateHover();
    };
    if (const auto token = m_pointerMonitor.addLocalMonitor(handler))
        m_eventMonitors.push_back(*token);
    if (const auto token = m_pointerMonitor.addGlobalMonitor(handler))
        m_eventMonitors.push_back(*token);
}

void NotchOverlayController::removeEventMonitors()
{
    for (const PointerMonitor::Token token : m_eventMonitors)
        m_pointerMonitor.removeMonitor(token);
    m_eventMonitors.clear();
}

void NotchOverlayController::evaluateHover()
{
    const QPointF pointer = m_pointerMonitor.mouseLocation();
    const Point location{pointer.x(), pointer.y()};
    bool expand = false;
    if (m_metrics.triggerRect.contains(location))
        expand = true;
    else if (m_viewModel.isExpanded() && m_metrics.retentionRect.contains(location))
        expand = true;
    else
        expand = m_viewModel.hasExpansionHold();
    if (expand != m_viewModel.isExpanded())
        m_viewModel.setExpanded(expand);
    updateMousePassThrough(location);
}

void NotchOverlayController::updateMousePassThrough(Point location)
{
    const Point local{location.x - m_panelFrame.minX(), location.y - m_panelFrame.minY()};
    const Size size = m_viewModel.isExpanded() ? m_metrics.expandedSize : m_metrics.collapsedSize;
    const Size panelSize = m_metrics.panelSize;
    const Rect visible{(panelSize.width - size.width) / 2,
                       panelSize.height - m_configuration.layout.panelGlowTopPadding - size.height, size.width,
                       size.height};
    const bool inside = visible.contains(local);
    if (inside == m_panel->ignoresMouseEvents())
        m_panel->setIgnoresMouseEvents(!inside);
}

void NotchOverlayController::setReduceMotion(bool reduceMotion)
{
    if (reduceMotion == m_reduceMotion)
        return;
    m_reduceMotion = reduceMotion;
    m_rootView->setInputs({m_metrics, m_configuration, m_reduceMotion});
}

void NotchOverlayController::refreshLayout()
{
    // Always the current main screen: the one found at start may have been
    // resized, replaced or unplugged since.
    const NotchOverlayMetrics updated = NotchOverlayMetrics::make(m_screens.mainScreen(), m_configuration, m_textWidth);
    if (updated == m_metrics)
        return;
    const bool resized = updated.panelSize != m_metrics.panelSize || updated.expandedSize != m_metrics.expandedSize;
    m_metrics = updated;
    m_rootView->setInputs({m_metrics, m_configuration, m_reduceMotion});
    if (resized) {
        m_hostingView->setGeometry(0, 0, qRound(m_metrics.panelSize.width), qRound(m_metrics.panelSize.height));
        const Size size = m_metrics.panelSize;
        applyPanelFrame({m_panelFrame.midX() - size.width / 2, m_panelFrame.maxY() - size.height, size.width,
                         size.height});
    }
    positionPanel();
    evaluateHover();
    emit metricsChanged(m_metrics);
}
