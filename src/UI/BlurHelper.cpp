#include "UI/BlurHelper.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One running-sum box pass over rows (or columns) of premultiplied pixels;
// edges are extended so the total stays put away from the border.
void boxPass(QImage& image, int radius, bool horizontal)
{
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    const int window = 2 * radius + 1;
    std::vector<QRgb> line(static_cast<size_t>(length));
    // One detach up front; scanLine() on every pixel would check for sharing each time.
    QRgb* const bits = reinterpret_cast<QRgb*>(image.bits());
    const qsizetype stride = image.bytesPerLine() / qsizetype(sizeof(QRgb));
    const qsizetype step = horizontal ? 1 : stride;
    for (int l = 0; l < lines; ++l) {
        QRgb* const first = horizontal ? bits + l * stride : bits + l;
        for (int i = 0; i < length; ++i)
            line[size_t(i)] = first[i * step];
        auto at = [&](int i) { return line[size_t(std::clamp(i, 0, length - 1))]; };
        int sum[4] = {0, 0, 0, 0};
        for (int i = -radius; i <= radius; ++i) {
            const QRgb p = at(i);
            sum[0] += qAlpha(p), sum[1] += qRed(p), sum[2] += qGreen(p), sum[3] += qBlue(p);
        }
        for (int i = 0; i < length; ++i) {
            first[i * step] = qRgba((sum[1] + radius) / window, (sum[2] + radius) / window,
                                    (sum[3] + radius) / window, (sum[0] + radius) / window);
            const QRgb in = at(i + radius + 1);
            const QRgb out = at(i - radius);
            sum[0] += qAlpha(in) - qAlpha(out);
            sum[1] += qRed(in) - qRed(out);
            sum[2] += qGreen(in) - qGreen(out);
            sum[3] += qBlue(in) - qBlue(out);
        }
    }
}

} // namespace

QImage BlurHelper::blurred(const QImage& source, qreal radius, int downscale)
{
    if (source.isNull())
        return {};
    QImage full = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!(radius > 0))
        return full;
    downscale = std::max(1, downscale);
    const QSize smallSize(std::max(1, full.width() / downscale), std::max(1, full.height() / downscale));
    QImage small = full.scaled(smallSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Three box passes of radius r spread like a Gaussian of sigma ≈ r.
    const int boxRadius = std::max(1, int(std::lround(radius / downscale)));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(small, boxRadius, true);
        boxPass(small, boxRadius, false);
    }
    return small.scaled(full.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage BlurHelper::render(QSize size, const std::function<void(QPainter&)>& draw, qreal radius, int downscale)
{
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        if (draw)
            draw(painter);
    }
    return blurred(image, radius, downscale);
}
