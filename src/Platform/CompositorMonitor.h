#pragma once

#include <QObject>
#include <cstdint>
#include <memory>

// Whether a compositor draws the screen, followed as one starts, stops,
// crashes or is replaced. Without one, translucent pixels show black, so every
// translucent window switches to opaque, shaped drawing when this changes.
class CompositorMonitor final : public QObject {
    Q_OBJECT
public:
    // The application's monitor. On X11 it follows the owner of the
    // _NET_WM_CM_S<screen> selection through XFixes notices, with no polling;
    // elsewhere the window system always composes translucent windows.
    static CompositorMonitor& shared();

    bool isCompositing() const;
    // The window system's report; tests stand in for it. Tells only changes.
    void setCompositing(bool compositing);
    // The window system's report of who owns the selection now (0: no one).
    // Each new owner is a compositor starting, also one that takes over
    // straight from another.
    void setOwner(uint32_t owner);

signals:
    void compositingChanged(bool compositing);
    // A compositor has just taken the screen; told before compositingChanged.
    // Some (xfwm4) draw only the windows they see created or brought to the
    // root, never those already mapped: a mapped translucent window shows
    // itself to it anew.
    void compositorStarted();

private:
    CompositorMonitor();
    ~CompositorMonitor() override;

    class SelectionWatch;
    bool m_compositing = true;
    uint32_t m_owner = 0;
    // Without XFixes nothing reports a change: the owner is asked each time instead.
    bool m_followsOwner = false;
    std::unique_ptr<SelectionWatch> m_watch;
};
