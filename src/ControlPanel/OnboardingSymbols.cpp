#include "ControlPanel/OnboardingSymbols.h"

#include <QPainter>
#include <QPainterPath>

namespace OnboardingSymbols {

namespace {
QPen strokePen(const QColor& color, double lineWidth)
{
    return QPen(color, lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}
} // namespace

void drawPhoto(QPainter& painter, const QRectF& box, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double line = box.width() * 0.07;
    const QRectF frame = box.adjusted(line, box.height() * 0.14, -line, -box.height() * 0.14);
    painter.setPen(strokePen(color, line));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame, box.width() * 0.12, box.width() * 0.12);
    QPainterPath hills;
    hills.moveTo(frame.left() + line, frame.bottom() - line);
    hills.lineTo(frame.left() + frame.width() * 0.38, frame.top() + frame.height() * 0.45);
    hills.lineTo(frame.left() + frame.width() * 0.6, frame.top() + frame.height() * 0.7);
    hills.lineTo(frame.left() + frame.width() * 0.74, frame.top() + frame.height() * 0.56);
    hills.lineTo(frame.right() - line, frame.bottom() - line);
    painter.drawPath(hills);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const double sun = frame.width() * 0.16;
    painter.drawEllipse(QPointF(frame.left() + frame.width() * 0.72, frame.top() + frame.height() * 0.3), sun / 2,
                        sun / 2);
    painter.restore();
}

void drawXmark(QPainter& painter, const QRectF& box, const QColor& color, double lineWidth)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(strokePen(color, lineWidth));
    painter.drawLine(box.topLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomLeft());
    painter.restore();
}

void drawChevron(QPainter& painter, const QRectF& box, bool left, const QColor& color, double lineWidth)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(strokePen(color, lineWidth));
    painter.setBrush(Qt::NoBrush);
    const double tipX = left ? box.left() : box.right();
    const double tailX = left ? box.right() : box.left();
    QPainterPath path;
    path.moveTo(tailX, box.top());
    path.lineTo(tipX, box.center().y());
    path.lineTo(tailX, box.bottom());
    painter.drawPath(path);
    painter.restore();
}

} // namespace OnboardingSymbols
