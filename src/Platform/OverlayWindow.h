#pragma once

#include <QPainterPath>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

// A borderless top-level that floats over everything else: placed exactly
// where its geometry says (even partly above the screen), shown on every
// desktop, kept out of the taskbar and the window cycle. It can let the
// pointer through, and it can take the keyboard for itself and hand it back.
class OverlayWindow : public QWidget {
    Q_OBJECT
public:
    explicit OverlayWindow(QWidget* parent = nullptr);
    ~OverlayWindow() override;

    // While true, every click falls through to the windows below; while
    // false, the window takes clicks (on X11 only on its visible shape).
    bool ignoresMouseEvents() const { return m_ignoresMouseEvents; }
    void setIgnoresMouseEvents(bool ignores);

    // How clicks are let through: on X11 by the window's input shape, which
    // leaves the keyboard alone; elsewhere by Qt's WindowTransparentForInput.
    enum class PassThrough { InputShape, WindowFlag };
    static PassThrough passThrough();
    // Where the window takes clicks, in its device pixels, when the input
    // shape decides: nothing while it ignores mouse events, else its shape.
    QRegion inputRegion() const;

    // The painted part of the window, in window coordinates. Without a
    // compositor everything outside it is cut away so that transparent pixels
    // never show as black: the window keeps the device pixels whose centres
    // lie inside. On X11 the window's shape is set in device pixels directly.
    void setVisibleShape(const QPainterPath& shape);
    const QPainterPath& visibleShape() const { return m_visibleShape; }
    // The same as a region in device pixels, for shapes that change every
    // frame. On X11 it also keeps Qt's mask away, which would keep a frame
    // from painting outside the shape of the one before.
    void setVisiblePixels(const QRegion& pixels);
    // The device pixels whose centres lie inside a shape given in points.
    static QRegion pixelsInside(const QPainterPath& shape, qreal devicePixelRatio);
    // How often the window's visible shape was given to the window system.
    int reshapeCount() const { return m_reshapeCount; }
    // Whether a compositor blends the window's translucent pixels. Followed
    // while the window lives: without one the window keeps only its visible
    // shape, with one it is whole again, and its content hears of each change.
    bool isCompositing() const { return m_compositing; }

    void orderFront();
    void orderOut();

    // Override-redirect windows never get focus from the window manager: the
    // window takes the keyboard itself and returns it to whoever had it.
    void takeKeyboardFocus();
    void giveBackKeyboardFocus();

signals:
    void ignoresMouseEventsChanged(bool ignores);
    void compositingChanged(bool compositing);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setCompositing(bool compositing);
    void applyInputPassThrough();
    void applyInputShape();
    void applyMask();
    void applyBoundingShape(const std::optional<QRegion>& pixels);
    qreal shapeRatio() const;
    void updateShapePixels();

    bool m_ignoresMouseEvents = true;
    bool m_compositing = true;
    QPainterPath m_visibleShape;
    bool m_shapeGivenInPixels = false; // the shape is m_shapePixels as given, not the path's
    QRegion m_shapePixels;
    qreal m_shapePixelsRatio = 0; // the device pixel ratio m_shapePixels was made for
    QRegion m_appliedMask;
    std::optional<QRegion> m_appliedBoundingShape; // as last given to the X server, for this window id
    uint32_t m_boundingShapeWindow = 0;
    int m_reshapeCount = 0;
    std::optional<QRegion> m_appliedInputRegion; // as last given to the X server, for this window id
    uint32_t m_inputShapeWindow = 0;
    uint32_t m_focusToRestore = 0;
    bool m_hasFocusToRestore = false;

    // A window manager stacks the windows it manages, and the server every
    // new window, above this one, which it never restacks: the window puts
    // itself back on top when one is mapped or raised over it, and when the
    // pointer comes onto it.
    class StackingWatch;
    void keepAboveManagedWindows();
    void raiseAboveManagedWindows();
    std::unique_ptr<StackingWatch> m_stackingWatch;
};
