#include "Platform/OverlayWindow.h"

#include "Platform/CompositorMonitor.h"
#include "Platform/X11Support.h"

#include <QApplication>
#include <QGuiApplication>
#include <QShowEvent>
#include <QTimer>
#include <QTransform>
#include <QWindow>
#include <vector>
#include <xcb/shape.h>
#include <xcb/xcb.h>

namespace {
// A region in points as the X server's rectangles in pixels.
std::vector<xcb_rectangle_t> xcbRectangles(const QRegion& region, qreal ratio)
{
    const QRegion pixels = ratio == 1 ? region : QTransform::fromScale(ratio, ratio).map(region);
    std::vector<xcb_rectangle_t> rectangles;
    rectangles.reserve(size_t(pixels.rectCount()));
    for (const QRect& r : pixels)
        rectangles.push_back({int16_t(r.x()), int16_t(r.y()), uint16_t(r.width()), uint16_t(r.height())});
    return rectangles;
}
} // namespace

OverlayWindow::OverlayWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    CompositorMonitor& compositor = CompositorMonitor::shared();
    m_compositing = compositor.isCompositing();
    connect(&compositor, &CompositorMonitor::compositingChanged, this, &OverlayWindow::setCompositing);
    connect(&compositor, &CompositorMonitor::compositorStarted, this, [this] {
        // A hidden window is seen anew when it is next mapped.
        if (isVisible())
            X11Support::reintroduceWindow(uint32_t(internalWinId()));
    });
    // The QWindow must exist so that pass-through can be set before the first show.
    winId();
    applyInputPassThrough();
    keepAboveManagedWindows();
}

OverlayWindow::~OverlayWindow() = default;

void OverlayWindow::setIgnoresMouseEvents(bool ignores)
{
    if (ignores == m_ignoresMouseEvents)
        return;
    m_ignoresMouseEvents = ignores;
    applyInputPassThrough();
    emit ignoresMouseEventsChanged(ignores);
}

OverlayWindow::PassThrough OverlayWindow::passThrough()
{
    xcb_connection_t* c = X11Support::connection();
    if (!c)
        return PassThrough::WindowFlag;
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(c, &xcb_shape_id);
    return shape && shape->present ? PassThrough::InputShape : PassThrough::WindowFlag;
}

QRegion OverlayWindow::inputRegion() const
{
    return m_ignoresMouseEvents ? QRegion() : shapeRegion();
}

QRegion OverlayWindow::shapeRegion() const
{
    return m_visibleRegion ? *m_visibleRegion : QRegion(m_visibleShape.toFillPolygon().toPolygon());
}

void OverlayWindow::applyInputPassThrough()
{
    // Qt 6.4 on X11 drops key events for a WindowTransparentForInput window even while it holds the keyboard.
    if (passThrough() == PassThrough::InputShape) {
        applyInputShape();
        return;
    }
    // Only on the QWindow: QWidget::setWindowFlags() would hide the window.
    if (QWindow* window = windowHandle())
        window->setFlag(Qt::WindowTransparentForInput, m_ignoresMouseEvents);
}

void OverlayWindow::applyInputShape()
{
    QWindow* window = windowHandle();
    xcb_connection_t* c = X11Support::connection();
    if (!window || passThrough() != PassThrough::InputShape)
        return;
    const auto id = uint32_t(window->winId());
    const QRegion region = inputRegion();
    if (id == m_inputShapeWindow && m_appliedInputRegion == region)
        return;
    m_inputShapeWindow = id;
    m_appliedInputRegion = region;
    const auto rectangles = xcbRectangles(region, window->devicePixelRatio());
    // No rectangles at all: every click falls through.
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, id, 0, 0,
                         uint32_t(rectangles.size()), rectangles.data());
    xcb_flush(c);
}

void OverlayWindow::setVisibleShape(const QPainterPath& shape)
{
    m_visibleShape = shape;
    m_visibleRegion.reset();
    applyMask();
    applyInputShape();
}

void OverlayWindow::setVisibleRegion(const QRegion& region)
{
    m_visibleShape = QPainterPath();
    m_visibleRegion = region;
    applyMask();
    applyInputShape();
}

void OverlayWindow::applyMask()
{
    // A region may change every frame: on X11 it shapes the window itself.
    const bool shapesDirectly = m_visibleRegion && passThrough() == PassThrough::InputShape;
    applyBoundingShape(!m_compositing && shapesDirectly ? m_visibleRegion : std::nullopt);
    if (m_compositing || shapesDirectly) {
        if (!m_appliedMask.isEmpty()) {
            m_appliedMask = QRegion();
            clearMask();
        }
        return;
    }
    // An empty region would mean "no mask" to Qt; a single pixel just outside keeps the window shut instead.
    QRegion region = shapeRegion();
    if (region.isEmpty())
        region = QRegion(-1, -1, 1, 1);
    if (region == m_appliedMask)
        return;
    m_appliedMask = region;
    ++m_reshapeCount;
    setMask(region);
}

void OverlayWindow::applyBoundingShape(const std::optional<QRegion>& region)
{
    QWindow* window = windowHandle();
    xcb_connection_t* c = X11Support::connection();
    if (!window || !c)
        return;
    const auto id = uint32_t(window->winId());
    if (id != m_boundingShapeWindow) {
        // A new native window starts without a shape.
        m_boundingShapeWindow = id;
        m_appliedBoundingShape.reset();
    }
    if (region == m_appliedBoundingShape)
        return;
    m_appliedBoundingShape = region;
    if (!region) {
        xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, id, 0, 0, XCB_NONE);
        return;
    }
    ++m_reshapeCount;
    // Not flushed here: sent from a paint, it goes out just ahead of the pixels it keeps.
    const auto rectangles = xcbRectangles(*region, window->devicePixelRatio());
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_YX_BANDED, id, 0, 0,
                         uint32_t(rectangles.size()), rectangles.data());
}

bool OverlayWindow::event(QEvent* event)
{
    // A new native window starts with no shapes of its own.
    if (event->type() == QEvent::WinIdChange) {
        applyMask();
        applyInputShape();
    }
    return QWidget::event(event);
}

void OverlayWindow::showEvent(QShowEvent* event)
{
    // Where no notice tells of a compositor coming or going, it is asked here.
    setCompositing(CompositorMonitor::shared().isCompositing());
    // A shape given before the first show does not reach the mapped window
    // (the whole window would show, black): it is given again now.
    m_appliedBoundingShape.reset();
    applyMask();
    applyInputPassThrough();
    QWidget::showEvent(event);
}

void OverlayWindow::setCompositing(bool compositing)
{
    if (compositing == m_compositing)
        return;
    m_compositing = compositing;
    applyMask();
    // Pixels outside the old shape were drawn for no one, or for a compositor that is gone.
    update();
    emit compositingChanged(compositing);
}

void OverlayWindow::orderFront()
{
    if (!isVisible())
        show();
    raise();
}

void OverlayWindow::orderOut()
{
    giveBackKeyboardFocus();
    hide();
}

void OverlayWindow::takeKeyboardFocus()
{
    if (!isVisible())
        return;
    xcb_connection_t* c = X11Support::connection();
    bool claim = false;
    if (c && !isActiveWindow()) {
        const auto reply = xcbReply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        if (reply && reply->focus != uint32_t(winId())) {
            m_focusToRestore = reply->focus;
            m_hasFocusToRestore = true;
            claim = true;
        }
    }
    if (QWindow* window = windowHandle())
        window->requestActivate();
    if (!claim)
        return;
    // Qt stamps its request with the last event it saw, which can be older than
    // our last hand-back (stamped with the server's time): the server would
    // ignore it. A window not yet mapped refuses this too; Qt activates it on map.
    xcb_void_cookie_t cookie =
        xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, uint32_t(winId()), XCB_CURRENT_TIME);
    xcbReply(xcb_request_check(c, cookie));
}

void OverlayWindow::giveBackKeyboardFocus()
{
    if (!m_hasFocusToRestore) {
        if (QWidget* focused = focusWidget())
            focused->clearFocus();
        return;
    }
    m_hasFocusToRestore = false;
    if (QWidget* focused = focusWidget())
        focused->clearFocus();
    xcb_connection_t* c = X11Support::connection();
    if (!c)
        return;
    // Only if the keyboard is still ours: the user may have clicked elsewhere meanwhile.
    const auto reply = xcbReply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    if (!reply || reply->focus != uint32_t(winId()))
        return;
    // The previous window may be gone by now; its BadWindow is expected and dropped.
    xcb_void_cookie_t cookie =
        xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_POINTER_ROOT, m_focusToRestore, XCB_CURRENT_TIME);
    xcbReply(xcb_request_check(c, cookie));
}

class OverlayWindow::StackingWatch final : public X11Support::EventWatch {
public:
    StackingWatch(OverlayWindow& window, uint32_t root) : m_window(window), m_root(root) {}

protected:
    bool xcbEvent(const void* message) override
    {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        switch (event->response_type & ~0x80) {
        case XCB_MAP_NOTIFY: {
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            if (map->event == m_root && !map->override_redirect)
                schedule();
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            // Raised straight above one of ours: the one beneath may be this window.
            const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            if (configure->event == m_root && !configure->override_redirect && configure->above_sibling != XCB_NONE
                && QWidget::find(WId(configure->above_sibling)))
                schedule();
            break;
        }
        default: break;
        }
        return false; // Qt has its own use for these
    }

private:
    // Once per turn of the event loop, after the window manager's own restacking in the same batch.
    void schedule()
    {
        if (m_scheduled)
            return;
        m_scheduled = true;
        QTimer::singleShot(0, &m_window, [this] {
            m_scheduled = false;
            m_window.raiseAboveManagedWindows();
        });
    }

    OverlayWindow& m_window;
    uint32_t m_root;
    bool m_scheduled = false;
};

void OverlayWindow::keepAboveManagedWindows()
{
    xcb_connection_t* c = X11Support::connection();
    const uint32_t root = X11Support::rootWindow();
    if (!c || root == XCB_NONE)
        return;
    // Map and configure notices of the root's children; several clients may ask for them.
    static const bool selected = [&] {
        const auto attributes =
            xcbReply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr));
        if (!attributes)
            return false;
        const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
        return true;
    }();
    if (!selected)
        return;
    m_stackingWatch = std::make_unique<StackingWatch>(*this, root);
    connect(this, &OverlayWindow::ignoresMouseEventsChanged, this, [this](bool ignores) {
        if (!ignores)
            raiseAboveManagedWindows();
    });
}

void OverlayWindow::raiseAboveManagedWindows()
{
    xcb_connection_t* c = X11Support::connection();
    const auto id = uint32_t(internalWinId());
    if (!c || !id || !isVisible())
        return;
    const auto tree = xcbReply(xcb_query_tree_reply(c, xcb_query_tree(c, X11Support::rootWindow()), nullptr));
    if (!tree)
        return;
    // Bottom to top: is any window that draws and is managed above this one?
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    int index = 0;
    while (index < count && children[index] != id)
        ++index;
    if (index == count)
        return;
    std::vector<xcb_get_window_attributes_cookie_t> above;
    for (int i = index + 1; i < count; ++i)
        above.push_back(xcb_get_window_attributes(c, children[i]));
    bool covered = false;
    for (const xcb_get_window_attributes_cookie_t cookie : above) {
        const auto attributes = xcbReply(xcb_get_window_attributes_reply(c, cookie, nullptr));
        covered = covered
                  || (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE && !attributes->override_redirect
                      && attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT);
    }
    if (!covered)
        return;
    raise();
    // Our popovers hang over this window: they stay above it.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != this && top->isVisible() && (top->windowType() == Qt::Popup || top->windowType() == Qt::ToolTip))
            top->raise();
}
