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
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        runs.clear();
        int runStart = -1;
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = line[x];
            // At least half covered: the alpha byte's top bit.
            if (pixel & 0x80000000u) {
                if (pixel < 0xff000000u)
                    line[x] = qUnpremultiply(pixel) | 0xff000000u;
                if (runStart < 0)
                    runStart = x;
            } else {
                if (pixel)
                    line[x] = 0;
                if (runStart >= 0)
                    runs.append({runStart, x - 1});
                runStart = -1;
            }
        }
        if (runStart >= 0)
            runs.append({runStart, width - 1});
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
