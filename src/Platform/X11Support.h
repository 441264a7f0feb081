#pragma once

#include <QByteArray>
#include <cstdint>

struct xcb_connection_t;

// The few X11 facts the overlay layers need. Every call is safe on any
// platform: away from xcb they report "nothing there".
class X11Support {
public:
    // The application's X connection, or nullptr when not running on xcb.
    static xcb_connection_t* connection();
    static uint32_t rootWindow();
    static int screenNumber();
    // True when some client owns _NET_WM_CM_S<n>, i.e. a compositor draws the screen.
    static bool compositorRunning();
    static uint32_t internAtom(const QByteArray& name);
};
