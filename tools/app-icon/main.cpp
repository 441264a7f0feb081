// Draws the program's icon for desktop launchers: a rounded square of deep
// evening blue, the black notch at its top edge, and under it an eighth note
// whose stem and flag run on as threads across a small loom.
//
//   cmake --build build --target make_app_icon
//   QT_QPA_PLATFORM=offscreen build/tools/make_app_icon assets/icons
// writes assets/icons/<size>x<size>/quaverloom.png for each launcher size.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {
// Drawn on a 256-unit canvas and scaled to each size.
constexpr double canvas = 256;

void drawBackground(QPainter& p)
{
    const QRectF tile(12, 12, 232, 232);
    QLinearGradient evening(tile.topLeft(), tile.bottomRight());
    evening.setColorAt(0, QColor(52, 66, 120));
    evening.setColorAt(1, QColor(132, 96, 150));
    p.setPen(Qt::NoPen);
    p.setBrush(evening);
    p.drawRoundedRect(tile, 52, 52);
    // A soft light from above, as on the panel's glass.
    QRadialGradient light(QPointF(128, 40), 190);
    light.setColorAt(0, QColor(255, 255, 255, 46));
    light.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(light);
    p.drawRoundedRect(tile, 52, 52);
}

void drawNotch(QPainter& p)
{
    // Hangs from the tile's top edge with rounded lower corners, as the collapsed notch does.
    QPainterPath notch;
    notch.moveTo(78, 12);
    notch.lineTo(178, 12);
    notch.lineTo(178, 34);
    notch.quadTo(178, 50, 162, 50);
    notch.lineTo(94, 50);
    notch.quadTo(78, 50, 78, 34);
    notch.closeSubpath();
    QPainterPath tile;
    tile.addRoundedRect(QRectF(12, 12, 232, 232), 52, 52);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(8, 8, 10));
    p.drawPath(notch.intersected(tile));
}

void drawLoom(QPainter& p)
{
    // Warp threads the note's flag is woven into.
    p.setPen(QPen(QColor(255, 255, 255, 70), 5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
        const double y = 112 + i * 22;
        p.drawLine(QPointF(150, y), QPointF(214, y));
    }
}

void drawNote(QPainter& p)
{
    const QColor ink(250, 248, 252);
    // The head: an ellipse tilted up to the right.
    p.save();
    p.translate(102, 190);
    p.rotate(-22);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(0, 0), 30, 21);
    p.restore();
    // The stem rises from the head's right side.
    p.setPen(QPen(ink, 11, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(127, 182), QPointF(127, 76));
    // The flag sweeps down to the right and runs out as a thread over the loom.
    QPainterPath flag;
    flag.moveTo(127, 76);
    flag.cubicTo(136, 102, 178, 104, 176, 140);
    flag.cubicTo(175, 158, 196, 166, 214, 156);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(flag);
}

QImage icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / canvas, size / canvas);
    drawBackground(p);
    drawNotch(p);
    drawLoom(p);
    drawNote(p);
    return image;
}
} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_app_icon OUTPUT_DIRECTORY\n");
        return 2;
    }
    const QString directory = QString::fromLocal8Bit(argv[1]);
    for (const int size : {32, 48, 64, 128, 256}) {
        const QString folder = directory + QStringLiteral("/%1x%1").arg(size);
        const QString file = folder + QStringLiteral("/quaverloom.png");
        if (!QDir().mkpath(folder) || !icon(size).save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
