#include "Panel/NotchShape.h"

#include <algorithm>

QPainterPath NotchShape::path(const QRectF& rect) const
{
    const QRectF r = rect.adjusted(insetAmount, insetAmount, -insetAmount, -insetAmount);
    if (r.width() < 0 || r.height() < 0)
        return {}; // inset past its own size: nothing left to draw
    // A degenerate rectangle must not turn the curves inside out.
    const double radius = std::max(0.0, std::min(r.height() / 2, cornerRadius));
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right(), r.top());
    path.lineTo(r.right(), r.bottom() - radius);
    path.quadTo(r.right(), r.bottom(), r.right() - radius, r.bottom());
    path.lineTo(r.left() + radius, r.bottom());
    path.quadTo(r.left(), r.bottom(), r.left(), r.bottom() - radius);
    path.closeSubpath();
    return path;
}
