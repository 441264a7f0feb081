#include "Reminders/BannerClothRaster.h"
#include "Reminders/TaskReminderFlightGeometry.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <gtest/gtest.h>
#include <cstdlib>

namespace {
// The cloth waving at its full default amplitude, rocked a little and set off the pixel grid.
QPolygonF wavingCloth()
{
    QTransform placed;
    placed.translate(30.4, 20.7);
    placed.rotate(0.3);
    return placed.map(QPolygonF(TaskReminderFlightGeometry::clothOutline(
        236, 80, 1.3, TaskReminderFlightGeometry::AttachmentSide::trailing, 4.2, 1.2, 1.35)));
}

const QRgb cream = qRgba(250, 240, 210, 255);

QImage solid(QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

// The pixel of a cut at a point of the full picture; nothing outside the cut.
QRgb at(const QImage& cut, int x, int y)
{
    const QPoint p = QPoint(x, y) - cut.offset();
    return cut.rect().contains(p) ? cut.pixel(p) : 0;
}
} // namespace

TEST(BannerClothRaster, CoversWhatASmoothFillOfTheOutlineCovers)
{
    const QPolygonF outline = wavingCloth();
    const QImage fill = solid({320, 140}, cream);
    BannerClothRaster raster;
    const QImage& cut = raster.render(outline, fill, QPoint(0, 0), 0);
    ASSERT_FALSE(cut.isNull());
    EXPECT_TRUE(QRect(cut.offset(), cut.size()).contains(outline.boundingRect().toAlignedRect()));

    QImage reference = solid(fill.size(), 0);
    QPainter painter(&reference);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addPolygon(outline);
    path.closeSubpath();
    painter.fillPath(path, QColor::fromRgba(cream));
    painter.end();

    double coverCut = 0, coverReference = 0;
    int worst = 0;
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            const int expected = qAlpha(reference.pixel(x, y));
            const QRgb pixel = at(cut, x, y);
            coverCut += qAlpha(pixel);
            coverReference += expected;
            worst = std::max(worst, std::abs(qAlpha(pixel) - expected));
            if (expected == 255 || expected == 0) {
                bool settled = true; // the neighbours agree: well inside or well outside
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        settled = settled && QRect(QPoint(), reference.size()).contains(x + dx, y + dy)
                                  && qAlpha(reference.pixel(x + dx, y + dy)) == expected;
                if (settled) {
                    ASSERT_EQ(pixel, expected ? cream : 0u) << x << "," << y;
                }
            }
            // Covered pixels keep the picture's colour, only scaled by their coverage.
            if (qAlpha(pixel)) {
                ASSERT_NEAR(qRed(qUnpremultiply(pixel)), 250, 6) << x << "," << y;
            }
        }
    }
    EXPECT_NEAR(coverCut / coverReference, 1.0, 0.005);
    EXPECT_LE(worst, 100) << "no edge pixel far from its true coverage";
}

TEST(BannerClothRaster, RimsTheWavingEdgesFaintlyAndTakesTheColoursFromThePicture)
{
    const QPolygonF outline = wavingCloth();
    // A picture with a dark spot where the title would be: copied, not smeared or moved.
    QImage fill = solid({320, 140}, cream);
    fill.setPixel(150, 60, qRgba(20, 20, 20, 255));
    const QRgb rim = qRgba(0, 0, 0, 25);
    BannerClothRaster raster;
    const QImage plain = raster.render(outline, fill, QPoint(0, 0), 0).copy();
    const QImage& rimmed = raster.render(outline, fill, QPoint(0, 0), rim);
    ASSERT_EQ(rimmed.offset(), plain.offset());
    EXPECT_EQ(at(rimmed, 150, 60), qRgba(20, 20, 20, 255));
    EXPECT_EQ(at(rimmed, 150, 59), cream);

    // Down the middle column: the rim darkens the pixels on the cloth's top and
    // bottom edges, half a pixel either side of them, and nothing else.
    int darkened = 0;
    for (int y = 0; y < 140; ++y) {
        const QRgb a = at(plain, 150, y), b = at(rimmed, 150, y);
        if (a == b)
            continue;
        ++darkened;
        EXPECT_TRUE(y < 40 || y > 90) << "rim inside the cloth at row " << y;
        EXPECT_LE(qRed(b), qRed(a));
        EXPECT_LE(qAlpha(b) - qAlpha(a), 25);
        EXPECT_GE(qAlpha(b), qAlpha(a));
    }
    EXPECT_GE(darkened, 2);
    EXPECT_LE(darkened, 6);

    // The next frame, moved by whole pixels, reuses the buffer and moves with it.
    const QImage first = rimmed.copy();
    const QPoint firstOffset = rimmed.offset();
    const QImage& moved = raster.render(outline.translated(5, 3), fill.copy(), QPoint(5, 3), rim);
    EXPECT_EQ(moved.offset(), firstOffset + QPoint(5, 3));
    EXPECT_EQ(moved.copy(), first);
}

TEST(BannerClothRaster, RimsTheWholeOutlineAsAStrokeOfItDoes)
{
    // The cloth rimmed by the raster against the outline filled and stroked a
    // point wide by Qt's painter, as where no compositor runs: top and bottom
    // edges, the pole's side and the pointed end's upright stretches alike.
    const QRgb rim = qRgba(0, 0, 0, 25);
    for (const qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        const QPolygonF outline = QTransform::fromScale(ratio, ratio).map(wavingCloth());
        const QImage fill = solid(QSize(320, 140) * ratio, cream);
        BannerClothRaster raster;
        const QImage& cut = raster.render(outline, fill, QPoint(0, 0), rim, ratio);

        QImage reference = solid(fill.size(), 0);
        QPainter painter(&reference);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addPolygon(outline);
        path.closeSubpath();
        painter.fillPath(path, QColor::fromRgba(cream));
        painter.strokePath(path, QPen(QColor(0, 0, 0, 25), ratio, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter.end();

        // Where the outline turns (the upright stretches' ends, the tip) the
        // joins are drawn each their own way.
        QList<QPointF> corners;
        for (qsizetype i = 0; i < outline.size(); ++i) {
            const QPointF a = outline[(i + outline.size() - 1) % outline.size()], b = outline[i],
                          c = outline[(i + 1) % outline.size()];
            const QLineF in(a, b), out(b, c);
            const double turn = std::min(in.angleTo(out), 360 - in.angleTo(out));
            if (std::abs(b.y() - a.y()) > std::abs(b.x() - a.x()) || std::abs(c.y() - b.y()) > std::abs(c.x() - b.x())
                || turn > 30)
                corners << b;
        }
        ASSERT_EQ(corners.size(), 8) << "both ends of the pole's side, the pointed end's six";
        const auto nearCorner = [&](int x, int y) {
            return std::any_of(corners.cbegin(), corners.cend(), [&](const QPointF& c) {
                return std::abs(x + 0.5 - c.x()) < 2 && std::abs(y + 0.5 - c.y()) < 2;
            });
        };

        // Seen over white, where the rim is all that darkens the red.
        const auto redOverWhite = [](QRgb p) { return qRed(p) + 255 - qAlpha(p); };
        int worst = 0, worstAtCorner = 0, rimmed = 0;
        for (int y = 0; y < reference.height(); ++y) {
            for (int x = 0; x < reference.width(); ++x) {
                const int expected = redOverWhite(reference.pixel(x, y));
                const int difference = std::abs(redOverWhite(at(cut, x, y)) - expected);
                int& limit = nearCorner(x, y) ? worstAtCorner : worst;
                limit = std::max(limit, difference);
                rimmed += expected < 245;
            }
        }
        EXPECT_GT(rimmed, 2 * (236 + 80) * ratio) << "the reference is rimmed all round";
        EXPECT_LE(worst, 5);
        EXPECT_LE(worstAtCorner, 12);
    }
}
