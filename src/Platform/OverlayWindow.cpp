#include "Platform/OverlayWindow.h"

#include "Platform/X11Support.h"

#include <QGuiApplication>
#include <QShowEvent>
#include <QWindow>
#include <xcb/xcb.h>

OverlayWindow::OverlayWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The QWindow must exist so that pass-through can be set before the first show.
    winId();
    applyInputPassThrough();
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

void OverlayWindow::applyInputPassThrough()
{
    // Only on the QWindow: QWidget::setWindowFlags() would hide the window.
    if (QWindow* window = windowHandle())
        window->setFlag(Qt::WindowTransparentForInput, m_ignoresMouseEvents);
}

void OverlayWindow::setVisibleShape(const QPainterPath& shape)
{
    m_visibleShape = shape;
    m_visibleRegion.reset();
    applyMask();
}

void OverlayWindow::setVisibleRegion(const QRegion& region)
{
    m_visibleShape = QPainterPath();
    m_visibleRegion = region;
    applyMask();
}

void OverlayWindow::applyMask()
{
    if (m_compositing) {
        if (!m_appliedMask.isEmpty()) {
            m_appliedMask = QRegion();
            clearMask();
        }
        return;
    }
    // An empty region would mean "no mask" to Qt; a single pixel just outside keeps the window shut instead.
    QRegion region = m_visibleRegion ? *m_visibleRegion : QRegion(m_visibleShape.toFillPolygon().toPolygon());
    if (region.isEmpty())
        region = QRegion(-1, -1, 1, 1);
    if (region == m_appliedMask)
        return;
    m_appliedMask = region;
    setMask(region);
}

void OverlayWindow::showEvent(QShowEvent* event)
{
    // A compositor may have come or gone while the window was hidden.
    m_compositing = X11Support::compositorRunning();
    applyMask();
    applyInputPassThrough();
    QWidget::showEvent(event);
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
    if (c && !isActiveWindow()) {
        const auto reply = xcbReply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        if (reply && reply->focus != uint32_t(winId())) {
            m_focusToRestore = reply->focus;
            m_hasFocusToRestore = true;
        }
    }
    if (QWindow* window = windowHandle())
        window->requestActivate();
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
