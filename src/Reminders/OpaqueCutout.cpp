#include "Reminders/OpaqueCutout.h"

#include <QList>
#include <QRect>

QRegion OpaqueCutout::cut(QImage& image)
{
    Q_ASSERT(image.format() == QImage::Format_ARGB32_Premultiplied);
    // Rows with the same runs as the row above widen its band, so the region
    // comes out in the banded order QRegion::setRects() wants.
    QList<QRect> rects;
    QList<QPair<int, int>> runs;
    QList<QPair<int, int>> bandRuns;
    int bandTop = 0;
    const auto closeBand = [&](int bottom) {
        for (const auto& [left, right] : bandRuns)
            rects.append(QRect(QPoint(left, bandTop), QPoint(right, bottom)));
    };
    const int width = image.width();
    const int height = image.height();
    // At least half covered: the alpha byte's top bit. Most of a frame is
    // clear or opaque; those stretches are passed four pixels at a time.
    constexpr QRgb half = 0x80000000u, opaque = 0xff000000u;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        runs.clear();
        int x = 0;
        while (x < width) {
            for (;;) {
                while (x + 4 <= width && ((line[x] | line[x + 1] | line[x + 2] | line[x + 3]) & half) == 0) {
                    line[x] = line[x + 1] = line[x + 2] = line[x + 3] = 0;
                    x += 4;
                }
                if (x == width || (line[x] & half))
                    break;
                line[x++] = 0;
            }
            if (x == width)
                break;
            const int start = x;
            for (;;) {
                while (x + 4 <= width && (line[x] & line[x + 1] & line[x + 2] & line[x + 3]) >= opaque)
                    x += 4;
                if (x == width || !(line[x] & half))
                    break;
                if (line[x] < opaque)
                    line[x] = qUnpremultiply(line[x]) | opaque;
                ++x;
            }
            runs.append({start, x - 1});
        }
        if (runs != bandRuns) {
            closeBand(y - 1);
            bandRuns = runs;
            bandTop = y;
        }
    }
    closeBand(height - 1);
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}
