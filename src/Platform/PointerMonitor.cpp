#include "Platform/PointerMonitor.h"

#include <QGuiApplication>
#include <QScreen>

QPointF PointerMonitor::pointFromPixel(QPoint pixel)
{
    // Bottom-left coordinates are anchored at the primary screen's bottom edge;
    // the pixel row y covers [edge - 1 - y, edge - y), so the top row is inside.
    const QScreen* primary = QGuiApplication::primaryScreen();
    const int bottomEdge = primary ? primary->geometry().y() + primary->geometry().height() : 0;
    return QPointF(pixel.x(), bottomEdge - 1 - pixel.y());
}
