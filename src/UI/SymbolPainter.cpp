#include "UI/SymbolPainter.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cmath>
#include <functional>

namespace {

// Outlines are stroked with the weight's pen; solids are filled.
struct Shape {
    QPainterPath outline;
    QPainterPath solid;
};

void line(QPainterPath& path, QPointF from, QPointF to)
{
    path.moveTo(from);
    path.lineTo(to);
}

void polyline(QPainterPath& path, std::initializer_list<QPointF> points)
{
    auto it = points.begin();
    path.moveTo(*it);
    for (++it; it != points.end(); ++it)
        path.lineTo(*it);
}

void circle(QPainterPath& path, QPointF centre, qreal radius)
{
    path.addEllipse(centre, radius, radius);
}

// Four-pointed star with concave sides.
void star(QPainterPath& path, QPointF c, qreal r)
{
    const qreal pinch = r * 0.18;
    path.moveTo(c.x(), c.y() - r);
    path.quadTo(c.x() + pinch, c.y() - pinch, c.x() + r, c.y());
    path.quadTo(c.x() + pinch, c.y() + pinch, c.x(), c.y() + r);
    path.quadTo(c.x() - pinch, c.y() + pinch, c.x() - r, c.y());
    path.quadTo(c.x() - pinch, c.y() - pinch, c.x(), c.y() - r);
    path.closeSubpath();
}

void checkmark(QPainterPath& path, QPointF origin, qreal scale)
{
    polyline(path, {origin + QPointF(0, 5) * scale, origin + QPointF(5, 10) * scale, origin + QPointF(14, 0) * scale});
}

void timer(Shape& s)
{
    circle(s.outline, {12, 13.5}, 8);
    line(s.outline, {12, 13.5}, {12, 9});
    line(s.outline, {10, 3}, {14, 3});
    line(s.outline, {12, 3}, {12, 5.5});
}

void chevron(Shape& s, qreal direction)
{
    polyline(s.outline, {{12 + 3.5 * direction, 4}, {12 - 3.5 * direction, 12}, {12 + 3.5 * direction, 20}});
}

void dots(Shape& s, qreal spread, qreal radius)
{
    for (int i = -1; i <= 1; ++i)
        circle(s.solid, {12 + i * spread, 12}, radius);
}

using Builder = std::function<void(Shape&)>;

const QList<QPair<QString, Builder>>& builders()
{
    static const QList<QPair<QString, Builder>> list{
        {"checkmark", [](Shape& s) { checkmark(s.outline, {5, 7.5}, 1); }},
        {"checkmark.circle", [](Shape& s) {
             circle(s.outline, {12, 12}, 9.5);
             checkmark(s.outline, {7.8, 9}, 0.6);
         }},
        {"circle", [](Shape& s) { circle(s.outline, {12, 12}, 9.5); }},
        {"plus", [](Shape& s) {
             line(s.outline, {12, 4}, {12, 20});
             line(s.outline, {4, 12}, {20, 12});
         }},
        {"xmark", [](Shape& s) {
             line(s.outline, {5.5, 5.5}, {18.5, 18.5});
             line(s.outline, {18.5, 5.5}, {5.5, 18.5});
         }},
        {"chevron.left", [](Shape& s) { chevron(s, 1); }},
        {"chevron.right", [](Shape& s) { chevron(s, -1); }},
        {"ellipsis", [](Shape& s) { dots(s, 7, 2); }},
        {"ellipsis.circle", [](Shape& s) {
             circle(s.outline, {12, 12}, 9.5);
             dots(s, 4.2, 1.3);
         }},
        {"timer", [](Shape& s) { timer(s); }},
        {"timer.slash", [](Shape& s) {
             timer(s);
             line(s.outline, {3.5, 3.5}, {20.5, 21.5});
         }},
        {"clock", [](Shape& s) {
             circle(s.outline, {12, 12}, 9.5);
             polyline(s.outline, {{12, 6.5}, {12, 12}, {15.5, 14.5}});
         }},
        {"airplane", [](Shape& s) {
             s.solid.addPolygon(QPolygonF({{12, 2},    {13.6, 4},  {13.6, 9},  {21.5, 14}, {21.5, 16.2}, {13.6, 13.8},
                                           {13.6, 18}, {16.2, 20}, {16.2, 21.8}, {12, 20.8}, {7.8, 21.8}, {7.8, 20},
                                           {10.4, 18}, {10.4, 13.8}, {2.5, 16.2}, {2.5, 14}, {10.4, 9},  {10.4, 4}}));
             s.solid.closeSubpath();
         }},
        {"trash", [](Shape& s) {
             line(s.outline, {3.5, 6}, {20.5, 6});
             polyline(s.outline, {{9.5, 6}, {9.5, 3.5}, {14.5, 3.5}, {14.5, 6}});
             polyline(s.outline, {{6, 6}, {7, 20.5}, {17, 20.5}, {18, 6}});
             line(s.outline, {10, 10}, {10, 16.5});
             line(s.outline, {14, 10}, {14, 16.5});
         }},
        {"pencil", [](Shape& s) {
             s.outline.addPolygon(QPolygonF({{4, 20}, {5, 15.5}, {15.5, 5}, {19, 8.5}, {8.5, 19}}));
             s.outline.closeSubpath();
             line(s.outline, {13.5, 7}, {17, 10.5});
         }},
        {"sparkle", [](Shape& s) { star(s.solid, {12, 12}, 10); }},
        {"sparkles", [](Shape& s) {
             star(s.solid, {9.5, 13.5}, 8);
             star(s.solid, {18.5, 5.5}, 3.5);
             star(s.solid, {19, 18}, 2.5);
         }},
        {"sparkle.magnifyingglass", [](Shape& s) {
             circle(s.outline, {10, 10}, 7);
             line(s.outline, {15, 15}, {21, 21});
             star(s.solid, {10, 10}, 4);
         }},
        {"gearshape", [](Shape& s) {
             QPolygonF teeth;
             const int count = 8;
             for (int i = 0; i < count * 4; ++i) {
                 const qreal angle = (i - 0.5) * M_PI / (2 * count);
                 const qreal radius = (i % 4 < 2) ? 10.5 : 7.8;
                 teeth << QPointF(12 + radius * qCos(angle), 12 + radius * qSin(angle));
             }
             s.solid.addPolygon(teeth);
             s.solid.closeSubpath();
             circle(s.solid, {12, 12}, 3.6);
             s.solid.setFillRule(Qt::OddEvenFill);
         }},
        {"info.circle", [](Shape& s) {
             circle(s.outline, {12, 12}, 9.5);
             line(s.outline, {12, 10.5}, {12, 17});
             circle(s.solid, {12, 7.2}, 1.3);
         }},
        {"square.grid.2x2", [](Shape& s) {
             for (qreal x : {4.0, 13.0})
                 for (qreal y : {4.0, 13.0})
                     s.outline.addRoundedRect(QRectF(x, y, 7, 7), 1.6, 1.6);
         }},
        {"desktopcomputer", [](Shape& s) {
             s.outline.addRoundedRect(QRectF(3, 4, 18, 12), 1.6, 1.6);
             line(s.outline, {12, 16}, {12, 20});
             line(s.outline, {8, 20}, {16, 20});
         }},
        {"paintpalette", [](Shape& s) {
             s.outline.moveTo(12, 3);
             s.outline.cubicTo(6, 3, 3, 7.5, 3, 12);
             s.outline.cubicTo(3, 17, 7, 21, 12, 21);
             s.outline.cubicTo(13.8, 21, 14.2, 19.6, 13.4, 18.4);
             s.outline.cubicTo(12.5, 17, 13.4, 15.3, 15.2, 15.3);
             s.outline.lineTo(17, 15.3);
             s.outline.cubicTo(19.5, 15.3, 21, 13.5, 21, 11);
             s.outline.cubicTo(21, 6.5, 17, 3, 12, 3);
             circle(s.solid, {7.5, 11}, 1.4);
             circle(s.solid, {10, 7}, 1.4);
             circle(s.solid, {15, 7}, 1.4);
         }},
        {"photo", [](Shape& s) {
             s.outline.addRoundedRect(QRectF(3, 5, 18, 14), 2, 2);
             polyline(s.outline, {{3.5, 17}, {9, 11.5}, {13, 15.5}, {15.5, 13}, {20.5, 17.5}});
             circle(s.solid, {16, 9}, 1.5);
         }},
        {"briefcase", [](Shape& s) {
             s.outline.addRoundedRect(QRectF(3, 7.5, 18, 12.5), 2, 2);
             polyline(s.outline, {{9, 7.5}, {9, 4.5}, {15, 4.5}, {15, 7.5}});
             line(s.outline, {3, 13}, {21, 13});
         }},
        {"person", [](Shape& s) {
             circle(s.outline, {12, 8}, 4);
             s.outline.moveTo(4.5, 21);
             s.outline.cubicTo(4.5, 16.5, 8, 14, 12, 14);
             s.outline.cubicTo(16, 14, 19.5, 16.5, 19.5, 21);
             s.outline.closeSubpath();
         }},
        {"house", [](Shape& s) {
             polyline(s.outline, {{2.5, 12}, {12, 3.5}, {21.5, 12}});
             polyline(s.outline, {{5.5, 9.5}, {5.5, 20.5}, {18.5, 20.5}, {18.5, 9.5}});
             polyline(s.outline, {{10, 20.5}, {10, 15}, {14, 15}, {14, 20.5}});
         }},
        {"heart", [](Shape& s) {
             s.outline.moveTo(12, 20.5);
             s.outline.cubicTo(6, 16, 2.5, 12.5, 3, 8.5);
             s.outline.cubicTo(3.5, 5, 8.5, 3.5, 12, 7.5);
             s.outline.cubicTo(15.5, 3.5, 20.5, 5, 21, 8.5);
             s.outline.cubicTo(21.5, 12.5, 18, 16, 12, 20.5);
             s.outline.closeSubpath();
         }},
        {"folder", [](Shape& s) {
             polyline(s.outline, {{3, 19}, {3, 5.5}, {9.5, 5.5}, {11.5, 8}, {21, 8}, {21, 19}});
             s.outline.closeSubpath();
         }},
    };
    return list;
}

const QHash<QString, Builder>& builderIndex()
{
    static const QHash<QString, Builder> index = [] {
        QHash<QString, Builder> result;
        for (const auto& [name, builder] : builders())
            result.insert(name, builder);
        return result;
    }();
    return index;
}

// Stroke width on the 24-unit grid, following the font weight.
qreal strokeWidth(QFont::Weight weight)
{
    const int w = int(weight);
    if (w <= QFont::ExtraLight)
        return 0.9;
    if (w <= QFont::Light)
        return 1.4;
    if (w <= QFont::Normal)
        return 1.8;
    if (w <= QFont::Medium)
        return 2.1;
    if (w <= QFont::DemiBold)
        return 2.4;
    if (w <= QFont::Bold)
        return 2.8;
    return 3.2;
}

} // namespace

QStringList SymbolPainter::supportedNames()
{
    QStringList names;
    for (const auto& entry : builders())
        names << entry.first;
    return names;
}

bool SymbolPainter::isSupported(const QString& name)
{
    return builderIndex().contains(name);
}

void SymbolPainter::paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color,
                          QFont::Weight weight)
{
    const auto found = builderIndex().constFind(name);
    const qreal side = std::min(rect.width(), rect.height());
    if (found == builderIndex().constEnd() || !(side > 0))
        return;
    Shape shape;
    (*found)(shape);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / 24, side / 24);
    if (!shape.outline.isEmpty()) {
        painter.setPen(QPen(color, strokeWidth(weight), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape.outline);
    }
    if (!shape.solid.isEmpty())
        painter.fillPath(shape.solid, color);
    painter.restore();
}

QPixmap SymbolPainter::pixmap(const QString& name, int side, const QColor& color, QFont::Weight weight,
                              qreal devicePixelRatio)
{
    const int pixels = std::max(1, int(std::ceil(side * devicePixelRatio)));
    QPixmap result(pixels, pixels);
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    paint(painter, name, QRectF(0, 0, side, side), color, weight);
    return result;
}

QIcon SymbolPainter::icon(const QString& name, int side, const QColor& color, QFont::Weight weight)
{
    QIcon result;
    result.addPixmap(pixmap(name, side, color, weight, 1));
    result.addPixmap(pixmap(name, side, color, weight, 2));
    return result;
}
