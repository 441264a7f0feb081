#pragma once

#include <QImage>
#include <QPoint>
#include <QPolygonF>
#include <QRgb>
#include <QSize>
#include <vector>

// Cuts the banner's waving cloth, frame by frame, out of a picture of it made
// once, with smooth edges and a faint rim, in plain loops on the calling
// thread. Qt's rasterizer hands a smoothed shape with this many edge spans to
// its thread pool, whose wake-ups cost more than the shape takes to draw.
//
// The outline must meet each vertical line in one stretch, as the cloth does
// when rocked by a fraction of a degree. Coverage is measured along four
// sample lines in every pixel column; the rim follows the top and bottom edges.
class BannerClothRaster {
public:
    // The cloth inside `outline` (device pixels) coloured from `fill`
    // (premultiplied ARGB, its top-left at `fillOrigin`), rimmed with `rim`
    // (premultiplied). The image covers the outline's box with a pixel to
    // spare, premultiplied ARGB at the given device pixel ratio, its offset()
    // the box's top-left in device pixels; it is reused by the next call.
    const QImage& render(const QPolygonF& outline, const QImage& fill, QPoint fillOrigin, QRgb rim,
                         qreal devicePixelRatio = 1);

private:
    std::vector<QRgb> m_pixels; // m_capacity's width per row
    QSize m_capacity;
    QImage m_image; // the last frame, over m_pixels
    std::vector<float> m_top;
    std::vector<float> m_bottom;
};
