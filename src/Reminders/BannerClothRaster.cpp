#include "Reminders/BannerClothRaster.h"

#include <QRect>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr int samplesPerColumn = 4;

// How much of [from, to] lies inside [low, high].
inline float overlap(float from, float to, float low, float high)
{
    return std::max(0.0f, std::min(to, high) - std::max(from, low));
}

// A premultiplied pixel times a weight from 0 to 256.
inline QRgb scaled(QRgb pixel, uint weight)
{
    const uint redBlue = ((pixel & 0x00ff00ffu) * weight >> 8) & 0x00ff00ffu;
    const uint alphaGreen = (((pixel >> 8) & 0x00ff00ffu) * weight) & 0xff00ff00u;
    return redBlue | alphaGreen;
}

// `rim` over `pixel`, both premultiplied, the rim weighted from 0 to 1.
inline QRgb rimmed(QRgb pixel, QRgb rim, float weight)
{
    const QRgb over = scaled(rim, uint(std::lround(std::clamp(weight, 0.0f, 1.0f) * 256)));
    return over + scaled(pixel, 256 - qAlpha(over));
}

inline bool upright(const QPointF& a, const QPointF& b)
{
    return std::abs(b.y() - a.y()) > std::abs(b.x() - a.x());
}

// Marks a pixel by an upright stretch's end among the upright rim's pieces.
constexpr float cornerPixel = -1;

// Rows of one pixel column: those the shape or its rim touches at all, and
// those it covers whole, away from the rim (both half-open).
struct ColumnRows {
    int touchFrom = 0;
    int touchTo = 0;
    int wholeFrom = 0;
    int wholeTo = 0;
};
} // namespace

const QImage& BannerClothRaster::render(const QPolygonF& outline, const QImage& fill, QPoint fillOrigin, QRgb rim,
                                        qreal devicePixelRatio)
{
    // The rim is a line a point wide, centred on the outline.
    const auto halfRim = float(devicePixelRatio / 2);
    const int spare = std::max(1, int(std::ceil(halfRim)));
    const QRect box = outline.boundingRect().adjusted(-spare, -spare, spare, spare).toAlignedRect();
    if (outline.size() < 3 || box.isEmpty()) {
        m_image = QImage();
        return m_image;
    }
    const int width = box.width(), height = box.height();
    // One buffer, grown only: a frame allocates nothing.
    if (width > m_capacity.width() || height > m_capacity.height()) {
        m_capacity = m_capacity.expandedTo(QSize(width, height));
        m_image = QImage();
        m_pixels.assign(size_t(m_capacity.width()) * size_t(m_capacity.height()), 0);
    }
    m_image = QImage(reinterpret_cast<uchar*>(m_pixels.data()), width, height,
                     m_capacity.width() * int(sizeof(QRgb)), QImage::Format_ARGB32_Premultiplied);
    m_image.setOffset(box.topLeft());
    m_image.setDevicePixelRatio(devicePixelRatio);

    // Where each sample line, at (k + 0.5) / samplesPerColumn across the box,
    // crosses the outline, top to bottom: in and out by turns.
    const int samples = width * samplesPerColumn;
    m_crossings.resize(size_t(samples) * maxCrossings);
    m_crossingCount.assign(size_t(samples), 0);
    const qsizetype count = outline.size();
    for (qsizetype i = 0; i < count; ++i) {
        QPointF a = outline[i] - QPointF(box.topLeft());
        QPointF b = outline[(i + 1) % count] - QPointF(box.topLeft());
        if (a.x() > b.x())
            std::swap(a, b);
        if (!(b.x() > a.x()))
            continue; // crosses no sample line
        // A line a point wide is this high across the edge; across an upright
        // edge the rim is measured along rows instead.
        const double slope = (b.y() - a.y()) / (b.x() - a.x());
        const auto rimHalfHeight = upright(a, b) ? 0.0f : float(halfRim * std::sqrt(1 + slope * slope));
        const int first = std::max(0, int(std::ceil(a.x() * samplesPerColumn - 0.5)));
        const int end = std::min(samples, int(std::ceil(b.x() * samplesPerColumn - 0.5)));
        for (int k = first; k < end; ++k) {
            uint8_t& n = m_crossingCount[size_t(k)];
            if (n == maxCrossings)
                continue;
            const auto y = float(a.y() + ((k + 0.5) / samplesPerColumn - a.x()) * slope);
            // Kept in order as they come: a sample line meets two edges, or four by the pointed end.
            Crossing* line = &m_crossings[size_t(k) * maxCrossings];
            int at = n++;
            for (; at > 0 && line[at - 1].y > y; --at)
                line[at] = line[at - 1];
            line[at] = {y, rimHalfHeight};
        }
    }

    std::vector<ColumnRows> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        float minTop = std::numeric_limits<float>::max(), maxTop = std::numeric_limits<float>::lowest();
        float minBottom = minTop, maxBottom = maxTop;
        int crossed = 0;
        bool plain = true;
        float reach = halfRim; // how far the rim reaches up or down from a crossing
        for (int s = 0; s < samplesPerColumn; ++s) {
            const size_t k = size_t(x * samplesPerColumn + s);
            const int n = m_crossingCount[k] & ~1; // an odd one out, at a corner, would leave the shape open
            m_crossingCount[k] = uint8_t(n);
            if (!n)
                continue;
            ++crossed;
            plain = plain && n == 2;
            const Crossing* line = &m_crossings[k * maxCrossings];
            for (int c = 0; c < n; ++c)
                reach = std::max(reach, line[c].rimHalfHeight);
            minTop = std::min(minTop, line[0].y);
            maxTop = std::max(maxTop, line[0].y);
            minBottom = std::min(minBottom, line[n - 1].y);
            maxBottom = std::max(maxBottom, line[n - 1].y);
        }
        ColumnRows& rows = columns[size_t(x)];
        if (!crossed)
            continue;
        rows.touchFrom = std::clamp(int(std::floor(minTop - reach)), 0, height);
        rows.touchTo = std::clamp(int(std::ceil(maxBottom + reach)), 0, height);
        if (crossed == samplesPerColumn && plain) {
            rows.wholeFrom = std::clamp(int(std::ceil(maxTop + reach)), 0, height);
            rows.wholeTo = std::clamp(int(std::floor(minBottom - reach)), rows.wholeFrom, height);
        }
    }

    const int fillWidth = fill.width();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        const int fillY = box.top() + y - fillOrigin.y();
        const auto* fillLine = fillY >= 0 && fillY < fill.height()
                                   ? reinterpret_cast<const QRgb*>(fill.constScanLine(fillY))
                                   : nullptr;
        const auto colourAt = [&](int x) {
            const int fillX = box.left() + x - fillOrigin.x();
            return fillLine && fillX >= 0 && fillX < fillWidth ? fillLine[fillX] : QRgb(0);
        };
        const auto from = float(y), to = float(y + 1);
        for (int x = 0; x < width; ++x) {
            const ColumnRows& rows = columns[size_t(x)];
            if (y >= rows.wholeFrom && y < rows.wholeTo) {
                line[x] = colourAt(x);
                continue;
            }
            if (y < rows.touchFrom || y >= rows.touchTo) {
                line[x] = 0;
                continue;
            }
            float cover = 0;
            for (int s = 0; s < samplesPerColumn; ++s) {
                const size_t k = size_t(x * samplesPerColumn + s);
                const Crossing* crossings = &m_crossings[k * maxCrossings];
                for (int c = 0; c < m_crossingCount[k]; c += 2)
                    cover += overlap(from, to, crossings[c].y, crossings[c + 1].y);
            }
            const QRgb pixel = scaled(colourAt(x), uint(std::lround(cover / samplesPerColumn * 256)));
            const float across = acrossRim(x, y);
            line[x] = across > 0 ? rimmed(pixel, rim, across) : pixel;
        }
    }
    if (qAlpha(rim))
        rimUprightEdges(outline, box.topLeft(), rim, halfRim);
    return m_image;
}

float BannerClothRaster::acrossRim(int x, int y) const
{
    const auto from = float(y), to = float(y + 1);
    float edge = 0;
    for (int s = 0; s < samplesPerColumn; ++s) {
        const size_t k = size_t(x * samplesPerColumn + s);
        const Crossing* crossings = &m_crossings[k * maxCrossings];
        for (int c = 0; c < m_crossingCount[k]; ++c)
            edge += overlap(from, to, crossings[c].y - crossings[c].rimHalfHeight,
                            crossings[c].y + crossings[c].rimHalfHeight);
    }
    return std::min(1.0f, edge / samplesPerColumn);
}

void BannerClothRaster::rimUprightEdges(const QPolygonF& outline, QPoint origin, QRgb rim, float halfRim)
{
    // The pole's side and the pointed end's upright stretches: measured along
    // four sample rows in every pixel row, as the other edges are along columns.
    const int width = m_image.width(), height = m_image.height();
    m_outline = outline.translated(-QPointF(origin));
    m_uprightRim.clear();
    const qsizetype count = outline.size();
    for (qsizetype i = 0; i < count; ++i) {
        QPointF a = m_outline[i];
        QPointF b = m_outline[(i + 1) % count];
        if (!upright(a, b))
            continue;
        if (a.y() > b.y())
            std::swap(a, b);
        const int first = std::max(0, int(std::ceil(a.y() * samplesPerColumn - 0.5)));
        const int end = std::min(height * samplesPerColumn, int(std::ceil(b.y() * samplesPerColumn - 0.5)));
        const double slope = (b.x() - a.x()) / (b.y() - a.y());
        // Gathered a pixel row at a time: the line reaches a few columns of it.
        const int reachable = int(2 * halfRim) + 3;
        m_rimRow.assign(size_t(reachable), 0);
        float* row = m_rimRow.data();
        int rowY = -1, rowLeft = 0;
        const auto flush = [&] {
            for (int i = 0; i < reachable; ++i) {
                if (row[i] > 0)
                    m_uprightRim.push_back({rowY * width + rowLeft + i, row[i] / samplesPerColumn});
                row[i] = 0;
            }
        };
        for (int k = first; k < end; ++k) {
            const auto x = float(a.x() + ((k + 0.5) / samplesPerColumn - a.y()) * slope);
            const int y = k / samplesPerColumn;
            const int left = std::max(0, int(std::floor(x - halfRim)));
            const int right = std::min(width - 1, int(std::floor(x + halfRim)));
            if (y != rowY || right - rowLeft >= reachable || left < rowLeft) {
                if (rowY >= 0)
                    flush();
                rowY = y;
                rowLeft = std::max(0, left - 1);
            }
            for (int column = left; column <= right; ++column)
                row[column - rowLeft] += overlap(float(column), float(column + 1), x - halfRim, x + halfRim);
        }
        if (rowY >= 0)
            flush();
    }
    // Round every corner, where the rim turns (an upright stretch's ends, the
    // pointed tip), every pixel is measured whole.
    for (qsizetype i = 0; i < count; ++i) {
        const QPointF before = m_outline[(i + count - 1) % count], corner = m_outline[i],
                      after = m_outline[(i + 1) % count];
        const QPointF in = corner - before, out = after - corner;
        const double lengths = std::sqrt(QPointF::dotProduct(in, in) * QPointF::dotProduct(out, out));
        const bool turns = upright(before, corner) || upright(corner, after)
                           || QPointF::dotProduct(in, out) < 0.85 * lengths;
        if (!turns)
            continue;
        const QRect around = QRectF(corner, corner).adjusted(-halfRim, -halfRim, halfRim, halfRim).toAlignedRect()
                             & QRect(0, 0, width, height);
        for (int y = around.top(); y <= around.bottom(); ++y)
            for (int x = around.left(); x <= around.right(); ++x)
                m_uprightRim.push_back({y * width + x, cornerPixel});
    }
    std::sort(m_uprightRim.begin(), m_uprightRim.end(),
              [](const UprightRim& p, const UprightRim& q) { return p.pixel < q.pixel; });
    for (size_t k = 0; k < m_uprightRim.size();) {
        const int pixel = m_uprightRim[k].pixel;
        float cover = 0;
        bool corner = false;
        for (; k < m_uprightRim.size() && m_uprightRim[k].pixel == pixel; ++k) {
            corner = corner || m_uprightRim[k].cover == cornerPixel;
            cover += std::max(0.0f, m_uprightRim[k].cover);
        }
        const int x = pixel % width, y = pixel / width;
        // Where an upright stretch meets another edge, the corner is rimmed once,
        // as much as the two lines together cover of it; the other edge's rim is
        // already there and is only added to.
        const float across = acrossRim(x, y);
        const float both = corner || across > 0 ? cornerRim(x, y, halfRim) : std::min(1.0f, cover);
        const float more = (both - across) / (1 - across * float(qAlpha(rim)) / 255);
        if (more > 0) {
            QRgb& target = reinterpret_cast<QRgb*>(m_image.scanLine(y))[x];
            target = rimmed(target, rim, more);
        }
    }
}

float BannerClothRaster::cornerRim(int x, int y, float halfRim) const
{
    // Points over the pixel within half a line of the outline, so that lines
    // meeting at a corner join round and overlap only once.
    constexpr int pointsPerSide = 6;
    const double left = x - halfRim, right = x + 1 + halfRim, top = y - halfRim, bottom = y + 1 + halfRim;
    m_nearSegments.clear();
    for (qsizetype i = 0; i < m_outline.size(); ++i) {
        const QPointF a = m_outline[i], b = m_outline[(i + 1) % m_outline.size()];
        if (std::max(a.x(), b.x()) >= left && std::min(a.x(), b.x()) <= right && std::max(a.y(), b.y()) >= top
            && std::min(a.y(), b.y()) <= bottom)
            m_nearSegments.push_back({a, b});
    }
    int inside = 0;
    for (int j = 0; j < pointsPerSide; ++j) {
        for (int i = 0; i < pointsPerSide; ++i) {
            const QPointF p(x + (i + 0.5) / pointsPerSide, y + (j + 0.5) / pointsPerSide);
            bool rimmedHere = false;
            for (size_t e = 0; !rimmedHere && e < m_nearSegments.size(); ++e) {
                const auto& [a, b] = m_nearSegments[e];
                const QPointF along = b - a;
                const double length = QPointF::dotProduct(along, along);
                const double t = length > 0 ? std::clamp(QPointF::dotProduct(p - a, along) / length, 0.0, 1.0) : 0;
                const QPointF off = p - (a + t * along);
                rimmedHere = QPointF::dotProduct(off, off) <= double(halfRim) * halfRim;
            }
            inside += rimmedHere;
        }
    }
    return float(inside) / (pointsPerSide * pointsPerSide);
}
