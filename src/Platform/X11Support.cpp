#include "Platform/X11Support.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <vector>
#include <xcb/shape.h>
#include <xcb/xcb.h>

xcb_connection_t* X11Support::connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* app = qGuiApp;
    if (!app)
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

int X11Support::screenNumber()
{
    // DISPLAY is "[host]:display[.screen]"; Qt connects to exactly that screen.
    const QByteArray display = qgetenv("DISPLAY");
    const int colon = display.lastIndexOf(':');
    const int dot = display.indexOf('.', colon < 0 ? 0 : colon);
    if (dot < 0)
        return 0;
    bool ok = false;
    const int screen = display.mid(dot + 1).toInt(&ok);
    return ok && screen >= 0 ? screen : 0;
}

uint32_t X11Support::rootWindow()
{
    xcb_connection_t* c = connection();
    if (!c)
        return XCB_NONE;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = screenNumber(); i > 0 && it.rem; --i)
        xcb_screen_next(&it);
    return it.rem ? it.data->root : XCB_NONE;
}

uint32_t X11Support::internAtom(const QByteArray& name)
{
    xcb_connection_t* c = connection();
    if (!c)
        return XCB_NONE;
    const auto reply =
        xcbReply(xcb_intern_atom_reply(c, xcb_intern_atom(c, false, uint16_t(name.size()), name.constData()), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

bool X11Support::compositorRunning()
{
    if (!connection())
        return true; // other platforms compose translucent windows themselves
    return compositorOwner() != XCB_NONE;
}

uint32_t X11Support::compositorOwner()
{
    xcb_connection_t* c = connection();
    if (!c)
        return XCB_NONE;
    const uint32_t atom = internAtom("_NET_WM_CM_S" + QByteArray::number(screenNumber()));
    if (atom == XCB_NONE)
        return XCB_NONE;
    const auto reply = xcbReply(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr));
    return reply ? reply->owner : XCB_NONE;
}

void X11Support::reintroduceWindow(uint32_t window)
{
    xcb_connection_t* c = connection();
    const uint32_t root = rootWindow();
    if (!c || root == XCB_NONE || window == XCB_NONE)
        return;
    const auto tree = xcbReply(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    const auto geometry = xcbReply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    const auto attributes =
        xcbReply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    if (!tree || tree->parent != root || !geometry || !attributes
        || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return;
    const auto focus = xcbReply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    // Compositors add a window when it is created or comes to the root, not
    // when it is mapped again; every one of them drops a window that leaves
    // the root. A stay in a window of our own, never mapped, is both.
    const uint32_t stopover = xcb_generate_id(c);
    const uint32_t overrideRedirect = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, stopover, root, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
    xcb_reparent_window(c, window, stopover, 0, 0);
    // Back on top of the root's children, mapped again as it was.
    xcb_reparent_window(c, window, root, geometry->x, geometry->y);
    xcb_destroy_window(c, stopover);
    // Leaving the screen took the keyboard from it.
    if (focus && focus->focus == window) {
        const xcb_void_cookie_t cookie =
            xcb_set_input_focus_checked(c, focus->revert_to, window, XCB_CURRENT_TIME);
        xcbReply(xcb_request_check(c, cookie));
    }
    xcb_flush(c);
}

bool X11Support::canShapeWindows()
{
    xcb_connection_t* c = connection();
    const xcb_query_extension_reply_t* shape = c ? xcb_get_extension_data(c, &xcb_shape_id) : nullptr;
    return shape && shape->present;
}

void X11Support::setWindowShape(uint32_t window, ShapeKind kind, const QRegion& pixels)
{
    xcb_connection_t* c = connection();
    if (!c || window == XCB_NONE)
        return;
    std::vector<xcb_rectangle_t> rectangles;
    rectangles.reserve(size_t(pixels.rectCount()));
    for (const QRect& r : pixels)
        rectangles.push_back({int16_t(r.x()), int16_t(r.y()), uint16_t(r.width()), uint16_t(r.height())});
    // A region's rectangles come in bands, top to bottom, each left to right.
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, kind == ShapeKind::Bounding ? XCB_SHAPE_SK_BOUNDING : XCB_SHAPE_SK_INPUT,
                         XCB_CLIP_ORDERING_YX_BANDED, window, 0, 0, uint32_t(rectangles.size()), rectangles.data());
}

void X11Support::clearBoundingShape(uint32_t window)
{
    if (xcb_connection_t* c = connection(); c && window != XCB_NONE)
        xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, window, 0, 0, XCB_NONE);
}

X11Support::EventWatch::EventWatch()
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Support::EventWatch::~EventWatch()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
}

bool X11Support::EventWatch::nativeEventFilter(const QByteArray& type, void* message, qintptr*)
{
    return type == "xcb_generic_event_t" && xcbEvent(message);
}
