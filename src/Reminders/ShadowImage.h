#pragma once

#include <QColor>
#include <QImage>

// Soft drop shadows, made once and reused: the source's alpha, blurred and tinted.
class ShadowImage {
public:
    // The result is larger than the source by `margin()` on every side.
    static QImage make(const QImage& source, double radius, const QColor& color);
    static int margin(double radius);
};
