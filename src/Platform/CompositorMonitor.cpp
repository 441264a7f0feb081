#include "Platform/CompositorMonitor.h"

#include "Platform/X11Support.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

class CompositorMonitor::SelectionWatch final : public X11Support::EventWatch {
public:
    SelectionWatch(CompositorMonitor& monitor, uint8_t firstEvent, uint32_t selection)
        : m_monitor(monitor), m_notify(uint8_t(firstEvent + XCB_XFIXES_SELECTION_NOTIFY)), m_selection(selection)
    {
    }

protected:
    bool xcbEvent(const void* message) override
    {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & ~0x80) != m_notify)
            return false;
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->selection != m_selection)
            return false;
        // A new owner is a compositor taking over; a destroyed window or a
        // closed client (a crash, a killed process) leaves the screen without one.
        m_monitor.setOwner(notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER ? notify->owner
                                                                                               : XCB_NONE);
        return true;
    }

private:
    CompositorMonitor& m_monitor;
    uint8_t m_notify;
    uint32_t m_selection;
};

CompositorMonitor& CompositorMonitor::shared()
{
    static CompositorMonitor monitor;
    return monitor;
}

CompositorMonitor::CompositorMonitor()
{
    xcb_connection_t* c = X11Support::connection();
    if (!c)
        return;
    const uint32_t root = X11Support::rootWindow();
    const uint32_t selection = X11Support::internAtom("_NET_WM_CM_S" + QByteArray::number(X11Support::screenNumber()));
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (root != XCB_NONE && selection != XCB_NONE && xfixes && xfixes->present) {
        // The version must be stated before any other request of the extension.
        const auto version = xcbReply(xcb_xfixes_query_version_reply(
            c, xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION), nullptr));
        if (version) {
            xcb_xfixes_select_selection_input(c, root, selection,
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                                  | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                                  | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
            xcb_flush(c);
            m_watch = std::make_unique<SelectionWatch>(*this, xfixes->first_event, selection);
            m_followsOwner = true;
        }
    }
    // Read after selecting the notices, so that no change falls between the two.
    m_owner = X11Support::compositorOwner();
    m_compositing = X11Support::compositorRunning();
}

CompositorMonitor::~CompositorMonitor() = default;

bool CompositorMonitor::isCompositing() const
{
    if (X11Support::connection() && !m_followsOwner)
        return X11Support::compositorRunning();
    return m_compositing;
}

void CompositorMonitor::setCompositing(bool compositing)
{
    if (compositing == m_compositing)
        return;
    m_compositing = compositing;
    emit compositingChanged(compositing);
}

void CompositorMonitor::setOwner(uint32_t owner)
{
    // The same owner taking the selection again is no new compositor.
    if (owner == m_owner)
        return;
    m_owner = owner;
    if (owner == 0) {
        setCompositing(false);
        return;
    }
    // Windows show themselves to the new compositor before they change their
    // looks for it: once a new look reaches the server, the compositor has the window.
    emit compositorStarted();
    setCompositing(true);
}
