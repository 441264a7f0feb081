#pragma once

#include <QColor>
#include <QImage>

// Soft drop shadows, made once and reused: the source's silhouette, tinted and blurred.
class ShadowImage {
public:
    // A shadow of the given radius (its reach, as the template states it); the
    // result is larger than the source by `margin(radius)` on every side.
    static QImage make(const QImage& source, double radius, const QColor& color);
    static int margin(double radius);
};
