#include "Reminders/ShadowImage.h"

#include "UI/BlurHelper.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

int ShadowImage::margin(double radius)
{
    return int(std::ceil(std::max(0.0, radius))) + 2;
}

QImage ShadowImage::make(const QImage& source, double radius, const QColor& color)
{
    const int m = margin(radius);
    const QSize size = source.size() + QSize(2 * m, 2 * m);
    // A shadow's radius is its reach; the blur's spread is about half of it.
    return BlurHelper::render(size, [&](QPainter& painter) {
        QImage silhouette = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter tint(&silhouette);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(silhouette.rect(), color);
        tint.end();
        painter.drawImage(m, m, silhouette);
    }, radius / 2, 2);
}
