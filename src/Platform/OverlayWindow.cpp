#include "Platform/OverlayWindow.h"

#include "Platform/CompositorMonitor.h"
#include "Platform/X11Support.h"

#include <QApplication>
#include <QGuiApplication>
#include <QShowEvent>
#include <QTimer>
#include <QTransform>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <vector>
#include <xcb/shape.h>
#include <xcb/xcb.h>

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
    return m_ignoresMouseEvents ? QRegion() : m_shapePixels;
}

QRegion OverlayWindow::pixelsInside(const QPainterPath& shape, qreal devicePixelRatio)
{
    // Row by row where the outline crosses the pixels' centre line, from its
    // corners as they are: a polygon rounded to whole pixels first would move
    // a curve by up to half a pixel each way.
    const QPolygonF polygon = shape.toFillPolygon(QTransform::fromScale(devicePixelRatio, devicePixelRatio));
    if (polygon.size() < 3)
        return {};
    const QRectF box = polygon.boundingRect();
    QList<QRect> rects;
    std::vector<double> crossings;
    QList<QPair<int, int>> spans, bandSpans;
    int bandTop = 0;
    const auto closeBand = [&](int bottom) {
        for (const auto& [left, right] : bandSpans)
            rects.append(QRect(QPoint(left, bandTop), QPoint(right, bottom)));
    };
    const int top = int(std::ceil(box.top() - 0.5)), end = int(std::ceil(box.bottom() - 0.5));
    for (int y = top; y < end; ++y) {
        const double centre = y + 0.5;
        crossings.clear();
        for (qsizetype i = 0; i < polygon.size(); ++i) {
            const QPointF a = polygon[i], b = polygon[(i + 1) % polygon.size()];
            if ((a.y() <= centre) != (b.y() <= centre))
                crossings.push_back(a.x() + (centre - a.y()) * (b.x() - a.x()) / (b.y() - a.y()));
        }
        std::sort(crossings.begin(), crossings.end());
        // Odd-even, as the fill polygon is meant: the pixels whose centres lie in [enter, leave).
        spans.clear();
        for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
            const int from = int(std::ceil(crossings[k] - 0.5)), to = int(std::ceil(crossings[k + 1] - 0.5));
            if (to <= from)
                continue;
            if (!spans.isEmpty() && spans.last().second + 1 >= from)
                spans.last().second = to - 1;
            else
                spans.append({from, to - 1});
        }
        if (y == top || spans != bandSpans) {
            closeBand(y - 1);
            bandSpans = spans;
            bandTop = y;
        }
    }
    closeBand(end - 1);
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

qreal OverlayWindow::shapeRatio() const
{
    const QWindow* window = windowHandle();
    return window ? window->devicePixelRatio() : devicePixelRatioF();
}

void OverlayWindow::updateShapePixels()
{
    // A shape given in pixels stays as it was made: whoever made it gives the next one at the new ratio.
    const qreal ratio = shapeRatio();
    if (!m_shapeGivenInPixels)
        m_shapePixels = pixelsInside(m_visibleShape, ratio);
    m_shapePixelsRatio = ratio;
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
    // No rectangles at all: every click falls through.
    X11Support::setWindowShape(id, X11Support::ShapeKind::Input, region);
    xcb_flush(c);
}

void OverlayWindow::setVisibleShape(const QPainterPath& shape)
{
    m_visibleShape = shape;
    m_shapeGivenInPixels = false;
    updateShapePixels();
    applyMask();
    applyInputShape();
}

void OverlayWindow::setVisiblePixels(const QRegion& pixels)
{
    m_visibleShape = QPainterPath();
    m_shapeGivenInPixels = true;
    m_shapePixels = pixels;
    m_shapePixelsRatio = shapeRatio();
    applyMask();
    applyInputShape();
}

void OverlayWindow::applyMask()
{
    // On X11 the window's shape is set in device pixels; Qt's mask, in points,
    // would cut curves in whole points and keep a frame from painting outside
    // the shape of the one before.
    const bool shapesDirectly = passThrough() == PassThrough::InputShape;
    applyBoundingShape(!m_compositing && shapesDirectly ? std::optional(m_shapePixels) : std::nullopt);
    if (m_compositing || shapesDirectly) {
        if (!m_appliedMask.isEmpty()) {
            m_appliedMask = QRegion();
            clearMask();
        }
        return;
    }
    QRegion region = m_shapeGivenInPixels
                         ? QTransform::fromScale(1 / m_shapePixelsRatio, 1 / m_shapePixelsRatio).map(m_shapePixels)
                         : pixelsInside(m_visibleShape, 1);
    // An empty region would mean "no mask" to Qt; a single pixel just outside keeps the window shut instead.
    if (region.isEmpty())
        region = QRegion(-1, -1, 1, 1);
    if (region == m_appliedMask)
        return;
    m_appliedMask = region;
    ++m_reshapeCount;
    setMask(region);
}

void OverlayWindow::applyBoundingShape(const std::optional<QRegion>& pixels)
{
    QWindow* window = windowHandle();
    if (!window || !X11Support::connection())
        return;
    const auto id = uint32_t(window->winId());
    if (id != m_boundingShapeWindow) {
        // A new native window starts without a shape.
        m_boundingShapeWindow = id;
        m_appliedBoundingShape.reset();
    }
    if (pixels == m_appliedBoundingShape)
        return;
    m_appliedBoundingShape = pixels;
    if (!pixels) {
        X11Support::clearBoundingShape(id);
        return;
    }
    ++m_reshapeCount;
    X11Support::setWindowShape(id, X11Support::ShapeKind::Bounding, *pixels);
}

bool OverlayWindow::event(QEvent* event)
{
    // A new native window starts with no shapes of its own.
    if (event->type() == QEvent::WinIdChange) {
        applyMask();
        applyInputShape();
    }
    // On a screen of another scale the same shape covers other device pixels.
    if (event->type() == QEvent::ScreenChangeInternal && shapeRatio() != m_shapePixelsRatio) {
        updateShapePixels();
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
