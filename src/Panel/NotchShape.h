#pragma once

#include <QPainterPath>
#include <QRectF>

// The filled outline of the notch panel: square top corners, bottom corners
// bent by quadratic curves (not circular arcs).
class NotchShape {
public:
    double cornerRadius = 0;
    double insetAmount = 0;

    QPainterPath path(const QRectF& rect) const;
    NotchShape inset(double amount) const { return {cornerRadius, insetAmount + amount}; }
};
