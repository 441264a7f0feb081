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
    const QRect box = outline.boundingRect().adjusted(-1, -1, 1, 1).toAlignedRect();
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

    // Where each sample line, at (k + 0.5) / samplesPerColumn across the box, enters and leaves the shape.
    const int samples = width * samplesPerColumn;
    m_top.assign(size_t(samples), std::numeric_limits<float>::max());
    m_bottom.assign(size_t(samples), std::numeric_limits<float>::lowest());
    const qsizetype count = outline.size();
    for (qsizetype i = 0; i < count; ++i) {
        QPointF a = outline[i] - QPointF(box.topLeft());
        QPointF b = outline[(i + 1) % count] - QPointF(box.topLeft());
        if (a.x() > b.x())
            std::swap(a, b);
        // An upright edge crosses no sample line that the edges beside it miss.
        if (!(b.x() > a.x()))
            continue;
        const int first = std::max(0, int(std::ceil(a.x() * samplesPerColumn - 0.5)));
        const int end = std::min(samples, int(std::ceil(b.x() * samplesPerColumn - 0.5)));
        const double slope = (b.y() - a.y()) / (b.x() - a.x());
        for (int k = first; k < end; ++k) {
            const auto y = float(a.y() + ((k + 0.5) / samplesPerColumn - a.x()) * slope);
            m_top[size_t(k)] = std::min(m_top[size_t(k)], y);
            m_bottom[size_t(k)] = std::max(m_bottom[size_t(k)], y);
        }
    }

    std::vector<ColumnRows> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        float minTop = std::numeric_limits<float>::max(), maxTop = std::numeric_limits<float>::lowest();
        float minBottom = minTop, maxBottom = maxTop;
        int crossed = 0;
        for (int s = 0; s < samplesPerColumn; ++s) {
            const size_t k = size_t(x * samplesPerColumn + s);
            if (m_top[k] > m_bottom[k])
                continue;
            ++crossed;
            minTop = std::min(minTop, m_top[k]);
            maxTop = std::max(maxTop, m_top[k]);
            minBottom = std::min(minBottom, m_bottom[k]);
            maxBottom = std::max(maxBottom, m_bottom[k]);
        }
        ColumnRows& rows = columns[size_t(x)];
        if (!crossed)
            continue;
        rows.touchFrom = std::clamp(int(std::floor(minTop - 0.5f)), 0, height);
        rows.touchTo = std::clamp(int(std::ceil(maxBottom + 0.5f)), 0, height);
        if (crossed == samplesPerColumn) {
            rows.wholeFrom = std::clamp(int(std::ceil(maxTop + 0.5f)), 0, height);
            rows.wholeTo = std::clamp(int(std::floor(minBottom - 0.5f)), rows.wholeFrom, height);
        }
    }

    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        const int fillY = box.top() + y - fillOrigin.y();
        const auto* fillLine = fillY >= 0 && fillY < fill.height()
                                   ? reinterpret_cast<const QRgb*>(fill.constScanLine(fillY))
                                   : nullptr;
        const auto colourAt = [&](int x) {
            const int fillX = box.left() + x - fillOrigin.x();
            return fillLine && fillX >= 0 && fillX < fill.width() ? fillLine[fillX] : QRgb(0);
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
            float cover = 0, edge = 0;
            for (int s = 0; s < samplesPerColumn; ++s) {
                const size_t k = size_t(x * samplesPerColumn + s);
                const float top = m_top[k], bottom = m_bottom[k];
                if (top > bottom)
                    continue;
                cover += overlap(from, to, top, bottom);
                // A line a pixel wide, centred on the edge.
                edge += overlap(from, to, top - 0.5f, top + 0.5f) + overlap(from, to, bottom - 0.5f, bottom + 0.5f);
            }
            QRgb pixel = scaled(colourAt(x), uint(std::lround(cover / samplesPerColumn * 256)));
            const auto rimWeight = uint(std::lround(std::min(1.0f, edge / samplesPerColumn) * 256));
            if (rimWeight) {
                // The rim over the cloth, premultiplied: rim + cloth × (1 − rim's alpha).
                const QRgb over = scaled(rim, rimWeight);
                pixel = over + scaled(pixel, 256 - qAlpha(over));
            }
            line[x] = pixel;
        }
    }
    return m_image;
}
