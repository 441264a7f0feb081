#include "Panel/NotchBorderShape.h"

#include <algorithm>

QPainterPath NotchBorderShape::path(const QRectF& r) const
{
    const double radius = std::max(0.0, std::min(r.height() / 2, cornerRadius));
    QPainterPath path;
    path.moveTo(r.right(), r.top());
    path.lineTo(r.right(), r.bottom() - radius);
    path.quadTo(r.right(), r.bottom(), r.right() - radius, r.bottom());
    path.lineTo(r.left() + radius, r.bottom());
    path.quadTo(r.left(), r.bottom(), r.left(), r.bottom() - radius);
    path.lineTo(r.left(), r.top());
    return path;
}
