#pragma once

#include <QPainterPath>
#include <QWidget>
#include <cstdint>
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

    // While true, every click falls through to the windows below.
    bool ignoresMouseEvents() const { return m_ignoresMouseEvents; }
    void setIgnoresMouseEvents(bool ignores);

    // The painted part of the window, in window coordinates. Without a
    // compositor everything outside it is cut away so that transparent pixels
    // never show as black.
    void setVisibleShape(const QPainterPath& shape);
    const QPainterPath& visibleShape() const { return m_visibleShape; }
    // The same as a region, for shapes that change every frame.
    void setVisibleRegion(const QRegion& region);
    bool isCompositing() const { return m_compositing; }

    void orderFront();
    void orderOut();

    // Override-redirect windows never get focus from the window manager: the
    // window takes the keyboard itself and returns it to whoever had it.
    void takeKeyboardFocus();
    void giveBackKeyboardFocus();

signals:
    void ignoresMouseEventsChanged(bool ignores);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void applyInputPassThrough();
    void applyMask();

    bool m_ignoresMouseEvents = true;
    bool m_compositing = true;
    QPainterPath m_visibleShape;
    std::optional<QRegion> m_visibleRegion; // set: the shape is this region, not the path
    QRegion m_appliedMask;
    uint32_t m_focusToRestore = 0;
    bool m_hasFocusToRestore = false;
};
