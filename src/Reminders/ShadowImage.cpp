#include "Reminders/ShadowImage.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// One pass of a running-sum box blur along rows (step 1) or columns (step = width).
void boxBlur(std::vector<int>& alpha, int count, int lines, int step, int lineStep, int radius)
{
    std::vector<int> line(size_t(count), 0);
    const int window = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        int* base = alpha.data() + std::ptrdiff_t(l) * lineStep;
        for (int i = 0; i < count; ++i)
            line[size_t(i)] = base[std::ptrdiff_t(i) * step];
        int sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += (i >= 0 && i < count) ? line[size_t(i)] : 0;
        for (int i = 0; i < count; ++i) {
            base[std::ptrdiff_t(i) * step] = sum / window;
            const int out = i - radius;
            const int in = i + radius + 1;
            sum += (in < count ? line[size_t(in)] : 0) - (out >= 0 ? line[size_t(out)] : 0);
        }
    }
}
} // namespace

int ShadowImage::margin(double radius)
{
    return int(std::ceil(std::max(0.0, radius))) + 2;
}

QImage ShadowImage::make(const QImage& source, double radius, const QColor& color)
{
    const int m = margin(radius);
    const int width = source.width() + 2 * m;
    const int height = source.height() + 2 * m;
    const QImage src = source.convertToFormat(QImage::Format_ARGB32);
    std::vector<int> alpha(size_t(width) * size_t(height), 0);
    for (int y = 0; y < src.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x)
            alpha[size_t(y + m) * size_t(width) + size_t(x + m)] = qAlpha(row[x]);
    }
    // Three box passes come close to a Gaussian whose spread is about half the radius.
    const int box = std::max(1, int(std::lround(radius / 2)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(alpha, width, height, 1, width, box);
        boxBlur(alpha, height, width, width, 1, box);
    }
    QImage result(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int a = alpha[size_t(y) * size_t(width) + size_t(x)] * color.alpha() / 255;
            row[x] = qPremultiply(qRgba(color.red(), color.green(), color.blue(), a));
        }
    }
    return result;
}
