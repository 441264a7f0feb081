// Draws the reminder airplane's sprite sheet: twelve frames side by side of a
// small right-facing plane whose propeller turns a twelfth of a half turn per
// frame (the two blades look alike after half a turn).
//
//   cmake --build build --target make_airplane_sprites
//   QT_QPA_PLATFORM=offscreen build/tools/make_airplane_sprites assets/reminders/reminder_airplane_sprites.png

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {
// One frame in points; drawn at twice the size for sharp edges on dense screens.
constexpr double frameWidth = 112;
constexpr double frameHeight = 62;
constexpr double scale = 2;
constexpr int frameCount = 12;

const QColor outline(40, 30, 40, 110);

void drawTail(QPainter& p)
{
    QPainterPath fin;
    fin.moveTo(11, 27);
    fin.lineTo(7, 9);
    fin.quadTo(8, 7, 11, 7.5);
    fin.lineTo(29, 25);
    fin.closeSubpath();
    QLinearGradient shade(0, 7, 0, 27);
    shade.setColorAt(0, QColor(196, 58, 52));
    shade.setColorAt(1, QColor(226, 78, 66));
    p.setBrush(shade);
    p.setPen(QPen(outline, 0.6));
    p.drawPath(fin);
    // A white band across the fin.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    QPainterPath band;
    band.moveTo(8.6, 14);
    band.lineTo(16.5, 14);
    band.lineTo(18.6, 16.4);
    band.lineTo(9.2, 16.4);
    band.closeSubpath();
    p.drawPath(band);
}

QPainterPath fuselagePath()
{
    QPainterPath body;
    body.moveTo(9, 26);
    body.cubicTo(26, 23, 44, 20, 58, 20);
    body.cubicTo(72, 19.5, 86, 22, 94, 26.5);
    body.cubicTo(98, 29, 98, 35, 94, 37.5);
    body.cubicTo(84, 42.5, 66, 43, 52, 42.5);
    body.cubicTo(36, 41.5, 22, 37, 12, 33);
    body.cubicTo(8, 31.5, 7.5, 27, 9, 26);
    body.closeSubpath();
    return body;
}

void drawFuselage(QPainter& p)
{
    const QPainterPath body = fuselagePath();
    QLinearGradient shade(0, 19, 0, 43);
    shade.setColorAt(0, QColor(250, 110, 92));
    shade.setColorAt(0.45, QColor(232, 76, 64));
    shade.setColorAt(1, QColor(178, 46, 44));
    p.setBrush(shade);
    p.setPen(QPen(outline, 0.7));
    p.drawPath(body);

    // A cream stripe along the side, clipped to the body.
    p.save();
    p.setClipPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 244, 222));
    QPainterPath stripe;
    stripe.moveTo(8, 29.5);
    stripe.cubicTo(40, 31, 70, 32, 100, 30);
    stripe.lineTo(100, 33.2);
    stripe.cubicTo(70, 35.5, 40, 34.8, 8, 32.6);
    stripe.closeSubpath();
    p.drawPath(stripe);
    p.restore();

    // Canopy.
    QPainterPath canopy;
    canopy.moveTo(58, 21);
    canopy.cubicTo(62, 14.5, 72, 14, 79, 20);
    canopy.cubicTo(80.5, 21.5, 81, 23, 80, 24.5);
    canopy.lineTo(58, 24.5);
    canopy.closeSubpath();
    QLinearGradient glass(60, 14, 78, 25);
    glass.setColorAt(0, QColor(214, 240, 255));
    glass.setColorAt(1, QColor(92, 156, 210));
    p.setBrush(glass);
    p.setPen(QPen(QColor(60, 60, 80, 150), 0.6));
    p.drawPath(canopy);
    p.setPen(QPen(QColor(255, 255, 255, 200), 0.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(63, 19), QPointF(68, 17.2));
    p.setPen(QPen(QColor(60, 60, 80, 150), 0.6));
    p.drawLine(QPointF(69, 15.6), QPointF(69, 24.5));
}

void drawWingAndStabiliser(QPainter& p)
{
    // Low wing seen from the side: a slim aerofoil under the cockpit.
    QPainterPath wing;
    wing.moveTo(40, 36.5);
    wing.cubicTo(50, 32.5, 70, 32.5, 78, 35.5);
    wing.cubicTo(79.5, 36.5, 78.5, 38.5, 76, 38.8);
    wing.cubicTo(64, 40, 50, 40, 41, 38.8);
    wing.cubicTo(39, 38.4, 38.8, 37.2, 40, 36.5);
    wing.closeSubpath();
    QLinearGradient shade(0, 33, 0, 40);
    shade.setColorAt(0, QColor(255, 250, 238));
    shade.setColorAt(1, QColor(214, 200, 178));
    p.setBrush(shade);
    p.setPen(QPen(outline, 0.6));
    p.drawPath(wing);

    QPainterPath stabiliser;
    stabiliser.moveTo(6, 27.5);
    stabiliser.cubicTo(12, 25.5, 22, 26, 26, 27.6);
    stabiliser.cubicTo(22, 29.4, 12, 29.8, 6, 28.8);
    stabiliser.closeSubpath();
    p.setBrush(QColor(196, 58, 52));
    p.drawPath(stabiliser);
}

void drawGear(QPainter& p)
{
    p.setPen(QPen(QColor(70, 70, 80), 1.1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(62, 41), QPointF(60, 49));
    p.drawLine(QPointF(15, 33.5), QPointF(16, 37));
    QRadialGradient tyre(QPointF(59.4, 49.6), 4.2);
    tyre.setColorAt(0, QColor(120, 120, 130));
    tyre.setColorAt(0.45, QColor(60, 60, 68));
    tyre.setColorAt(1, QColor(26, 26, 32));
    p.setPen(Qt::NoPen);
    p.setBrush(tyre);
    p.drawEllipse(QPointF(60, 50), 4.2, 4.2);
    p.setBrush(QColor(30, 30, 36));
    p.drawEllipse(QPointF(16.2, 38), 1.8, 1.8);
}

void drawPropeller(QPainter& p, int frame)
{
    const QPointF hub(100, 32);
    // The blur of the turning disc.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 100, 40));
    p.drawEllipse(hub, 2.6, 14.5);

    // Two blades seen edge-on: their visible length follows the cosine of the turn.
    const double angle = std::numbers::pi * frame / frameCount;
    const double reach = 14 * std::cos(angle);
    const double width = 1.6 + 1.4 * std::abs(std::sin(angle));
    QPen blade(QColor(54, 52, 60), width, Qt::SolidLine, Qt::RoundCap);
    p.setPen(blade);
    p.drawLine(hub, hub + QPointF(0.6 * std::sin(angle), -reach));
    p.drawLine(hub, hub + QPointF(-0.6 * std::sin(angle), reach));
    // Painted tips.
    p.setPen(QPen(QColor(250, 206, 74), width, Qt::SolidLine, Qt::RoundCap));
    if (std::abs(reach) > 3) {
        const double tip = reach > 0 ? 1 : -1;
        p.drawLine(hub + QPointF(0, -reach + tip * 2.5), hub + QPointF(0, -reach));
        p.drawLine(hub + QPointF(0, reach - tip * 2.5), hub + QPointF(0, reach));
    }

    // Spinner.
    QRadialGradient spinner(QPointF(98.6, 30.6), 4.5);
    spinner.setColorAt(0, QColor(250, 250, 252));
    spinner.setColorAt(1, QColor(150, 150, 162));
    p.setBrush(spinner);
    p.setPen(QPen(outline, 0.5));
    QPainterPath cone;
    cone.moveTo(95.5, 27.6);
    cone.cubicTo(99.5, 28, 102, 30.5, 102.4, 32);
    cone.cubicTo(102, 33.5, 99.5, 36, 95.5, 36.4);
    cone.closeSubpath();
    p.drawPath(cone);
}

void drawFrame(QPainter& p, int frame)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    drawTail(p);
    drawGear(p);
    drawFuselage(p);
    drawWingAndStabiliser(p);
    drawPropeller(p, frame);
    p.restore();
}
} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.png\n", argv[0]);
        return 2;
    }
    const QSize framePixels(int(frameWidth * scale), int(frameHeight * scale));
    QImage sheet(framePixels.width() * frameCount, framePixels.height(), QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::transparent);
    QPainter painter(&sheet);
    for (int i = 0; i < frameCount; ++i) {
        painter.save();
        painter.translate(i * framePixels.width(), 0);
        painter.scale(scale, scale);
        drawFrame(painter, i);
        painter.restore();
    }
    painter.end();
    if (!sheet.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
