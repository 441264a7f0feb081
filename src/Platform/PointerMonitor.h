#pragma once

#include <QPointF>
#include <QtGlobal>
#include <functional>
#include <optional>

// Watches pointer movement (drags included). A local monitor sees movement
// over this program's own windows, a global one movement anywhere. Each
// installed monitor is identified by the token it returned.
class PointerMonitor {
public:
    using Token = quint64;
    using Handler = std::function<void()>;

    virtual ~PointerMonitor() = default;

    // No token when this kind of monitor cannot work here.
    virtual std::optional<Token> addLocalMonitor(Handler handler) = 0;
    virtual std::optional<Token> addGlobalMonitor(Handler handler) = 0;
    virtual void removeMonitor(Token token) = 0;

    // The pointer in screen points: origin at the bottom left of the primary
    // screen, y growing upwards; the top pixel row lies inside the screen.
    virtual QPointF mouseLocation() const = 0;

    // Qt's pixel (x, y) as such a point.
    static QPointF pointFromPixel(QPoint pixel);
};
