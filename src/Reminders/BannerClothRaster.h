#pragma once

#include <QImage>
#include <QPoint>
#include <QPolygonF>
#include <QRgb>
#include <QSize>
#include <cstdint>
#include <utility>
#include <vector>

// Cuts the banner's waving cloth, frame by frame, out of a picture of it made
// once, with smooth edges and a faint rim, in plain loops on the calling
// thread. Qt's rasterizer hands a smoothed shape with this many edge spans to
// its thread pool, whose wake-ups cost more than the shape takes to draw.
//
// Coverage is measured along four sample lines in every pixel column, where
// each line crosses the outline: twice, or four times by the pointed end. The
// rim, a line a point wide on the whole outline, is measured the same way
// across the top and bottom edges and along four sample lines in every pixel
// row across the upright ones.
class BannerClothRaster {
public:
    // The cloth inside `outline` (device pixels) coloured from `fill`
    // (premultiplied ARGB, its top-left at `fillOrigin`), rimmed with `rim`
    // (premultiplied). The image covers the outline's box with room for the
    // rim, premultiplied ARGB at the given device pixel ratio, its offset()
    // the box's top-left in device pixels; it is reused by the next call.
    const QImage& render(const QPolygonF& outline, const QImage& fill, QPoint fillOrigin, QRgb rim,
                         qreal devicePixelRatio = 1);

private:
    static constexpr int maxCrossings = 6;
    struct Crossing {
        float y;
        float rimHalfHeight; // how far the rim reaches up and down from here; 0 on an upright edge
    };
    struct UprightRim {
        int pixel; // row × width + column
        float cover;
    };
    // The rim's cover of a pixel across the edges that are not upright, 0 to 1.
    float acrossRim(int x, int y) const;
    // The whole rim's cover of a pixel where an upright stretch meets another edge.
    float cornerRim(int x, int y, float halfRim) const;
    void rimUprightEdges(const QPolygonF& outline, QPoint origin, QRgb rim, float halfRim);

    std::vector<QRgb> m_pixels; // m_capacity's width per row
    QSize m_capacity;
    QImage m_image; // the last frame, over m_pixels
    std::vector<Crossing> m_crossings; // maxCrossings for each sample line, top to bottom
    std::vector<uint8_t> m_crossingCount;
    std::vector<UprightRim> m_uprightRim;
    std::vector<float> m_rimRow;
    QPolygonF m_outline; // in the image's pixels
    mutable std::vector<std::pair<QPointF, QPointF>> m_nearSegments;
};
