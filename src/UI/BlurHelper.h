#pragma once

#include <QImage>
#include <functional>

class QPainter;

// A soft blur cheap enough to run every frame: the picture is shrunk, box
// blurred three times (close to a Gaussian) and scaled back up.
class BlurHelper {
public:
    // The source blurred by about `radius` pixels; same size, premultiplied ARGB.
    // `downscale` (≥ 1) trades detail for speed.
    static QImage blurred(const QImage& source, qreal radius, int downscale = 4);

    // Paints `draw` into a transparent image of `size` and returns it blurred.
    static QImage render(QSize size, const std::function<void(QPainter&)>& draw, qreal radius, int downscale = 4);
};
