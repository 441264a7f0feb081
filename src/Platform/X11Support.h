#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QRegion>
#include <cstdint>
#include <cstdlib>
#include <memory>

struct xcb_connection_t;

// An xcb reply or error, freed with free() as xcb requires, whatever path leaves the scope.
template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
XcbReply<T> xcbReply(T* reply)
{
    return XcbReply<T>(reply, &std::free);
}

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
    // The window that owns _NET_WM_CM_S<n>, or 0.
    static uint32_t compositorOwner();
    // Takes a mapped top-level window off the root and puts it back where it
    // was, on top, with the keyboard if it had it; its widgets see nothing of
    // it. A compositor that started after the window was mapped (xfwm4) then
    // draws it as a window that has just come.
    static void reintroduceWindow(uint32_t window);
    static uint32_t internAtom(const QByteArray& name);

    // A window's shape, in its device pixels: Qt's masks are in points, and at
    // a scale above 1 they cut a curve in steps of a whole point. The bounding
    // shape is what shows; the input shape is where clicks land (none at all:
    // every click falls through). Not flushed: sent from a paint, the shape
    // goes out just ahead of the pixels it keeps.
    enum class ShapeKind { Bounding, Input };
    // Whether the server shapes windows (its SHAPE extension); false away from xcb.
    static bool canShapeWindows();
    static void setWindowShape(uint32_t window, ShapeKind kind, const QRegion& pixels);
    // The window whole again, its bounding shape dropped.
    static void clearBoundingShape(uint32_t window);

    // Hears every X event the application receives, from construction to destruction.
    class EventWatch : public QAbstractNativeEventFilter {
    public:
        EventWatch();
        ~EventWatch() override;
        EventWatch(const EventWatch&) = delete;
        EventWatch& operator=(const EventWatch&) = delete;
        bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) final;

    protected:
        // `event` is an xcb_generic_event_t; true keeps it from Qt.
        virtual bool xcbEvent(const void* event) = 0;
    };
};
