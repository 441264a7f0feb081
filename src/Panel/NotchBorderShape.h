#pragma once

#include <QPainterPath>
#include <QRectF>

// The notch outline without its top edge: an open path down the right side,
// along the bottom and up the left side, so a stroke never draws the top.
class NotchBorderShape {
public:
    double cornerRadius = 0;

    QPainterPath path(const QRectF& rect) const;
};
