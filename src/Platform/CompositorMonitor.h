#pragma once

#include <QObject>
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

signals:
    void compositingChanged(bool compositing);

private:
    CompositorMonitor();
    ~CompositorMonitor() override;

    class SelectionWatch;
    bool m_compositing = true;
    // Without XFixes nothing reports a change: the owner is asked each time instead.
    bool m_followsOwner = false;
    std::unique_ptr<SelectionWatch> m_watch;
};
