#include "Platform/XInputPointerMonitor.h"

#include "Platform/X11Support.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QTimer>
#include <QWindow>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace {
constexpr int pollIntervalMs = 30;
}

XInputPointerMonitor::XInputPointerMonitor(QObject* parent) : QObject(parent) {}

XInputPointerMonitor::~XInputPointerMonitor()
{
    m_local.clear();
    m_global.clear();
    if (m_filterInstalled && qApp)
        qApp->removeEventFilter(this);
    stopGlobal();
}

std::optional<PointerMonitor::Token> XInputPointerMonitor::addLocalMonitor(Handler handler)
{
    if (!qApp)
        return std::nullopt;
    if (!m_filterInstalled) {
        qApp->installEventFilter(this);
        m_filterInstalled = true;
    }
    const Token token = m_nextToken++;
    m_local.emplace(token, std::move(handler));
    return token;
}

std::optional<PointerMonitor::Token> XInputPointerMonitor::addGlobalMonitor(Handler handler)
{
    if (m_global.empty() && !startGlobal())
        return std::nullopt;
    const Token token = m_nextToken++;
    m_global.emplace(token, std::move(handler));
    return token;
}

void XInputPointerMonitor::removeMonitor(Token token)
{
    if (m_local.erase(token) && m_local.empty() && m_filterInstalled) {
        qApp->removeEventFilter(this);
        m_filterInstalled = false;
    }
    if (m_global.erase(token) && m_global.empty())
        stopGlobal();
}

QPointF XInputPointerMonitor::mouseLocation() const
{
    return pointFromPixel(QCursor::pos());
}

void XInputPointerMonitor::notify(const std::map<Token, Handler>& handlers)
{
    // A handler may remove monitors; call a snapshot.
    std::vector<Handler> snapshot;
    snapshot.reserve(handlers.size());
    for (const auto& entry : handlers)
        snapshot.push_back(entry.second);
    for (const Handler& handler : snapshot)
        if (handler)
            handler();
}

bool XInputPointerMonitor::eventFilter(QObject* watched, QEvent* event)
{
    // Every native pointer event reaches exactly one QWindow first; widgets
    // would see the same event again while it propagates.
    if (event->type() == QEvent::MouseMove && qobject_cast<QWindow*>(watched))
        notify(m_local);
    return false;
}

bool XInputPointerMonitor::startGlobal()
{
    if (!X11Support::connection())
        return false; // no global pointer on this platform; local monitors still work
    if (!m_nativeFilterInstalled) {
        qApp->installNativeEventFilter(this);
        m_nativeFilterInstalled = true;
    }
    if (selectRawMotion(true))
        return true;
    qApp->removeNativeEventFilter(this);
    m_nativeFilterInstalled = false;
    if (!m_poll) {
        m_poll = new QTimer(this);
        m_poll->setInterval(pollIntervalMs);
        connect(m_poll, &QTimer::timeout, this, &XInputPointerMonitor::pollPointer);
    }
    m_lastPolled = QCursor::pos();
    m_poll->start();
    return true;
}

void XInputPointerMonitor::stopGlobal()
{
    if (m_rawMotionSelected)
        selectRawMotion(false);
    if (m_nativeFilterInstalled && qApp) {
        qApp->removeNativeEventFilter(this);
        m_nativeFilterInstalled = false;
    }
    if (m_poll)
        m_poll->stop();
}

bool XInputPointerMonitor::selectRawMotion(bool on)
{
    xcb_connection_t* c = X11Support::connection();
    const uint32_t root = X11Support::rootWindow();
    if (!c || root == XCB_NONE)
        return false;
    if (m_xinputOpcode < 0) {
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_input_id);
        if (!ext || !ext->present)
            return false;
        m_xinputOpcode = ext->major_opcode;
    }
    // Master devices only: Qt keeps its own selection for all devices on the
    // root window, and a selection replaces the earlier one for the same device.
    struct {
        xcb_input_event_mask_t header;
        uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, on ? uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION) : 0u};
    xcb_void_cookie_t cookie = xcb_input_xi_select_events_checked(c, root, 1, &selection.header);
    const bool ok = xcbReply(xcb_request_check(c, cookie)) == nullptr;
    m_rawMotionSelected = on && ok;
    return ok;
}

bool XInputPointerMonitor::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (!m_rawMotionSelected || eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
        return false;
    auto* generic = reinterpret_cast<xcb_ge_generic_event_t*>(event);
    if (generic->extension != m_xinputOpcode || generic->event_type != XCB_INPUT_RAW_MOTION)
        return false;
    // Handle it after Qt has finished with the event batch, once per batch.
    if (!m_globalPending) {
        m_globalPending = true;
        QMetaObject::invokeMethod(this, [this] {
            m_globalPending = false;
            notify(m_global);
        }, Qt::QueuedConnection);
    }
    return true;
}

void XInputPointerMonitor::pollPointer()
{
    const QPoint position = QCursor::pos();
    if (position == m_lastPolled)
        return;
    m_lastPolled = position;
    notify(m_global);
}
