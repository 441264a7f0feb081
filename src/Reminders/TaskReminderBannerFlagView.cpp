#include "Reminders/TaskReminderBannerFlagView.h"

#include "Platform/Text.h"
#include "UI/TemplateStyle.h"
#include "Reminders/ShadowImage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
constexpr double poleWidth = 2;
constexpr double knobDiameter = 4;
// The pole's column is as wide as its knob.
constexpr double columnWidth = std::max(poleWidth, knobDiameter);
constexpr double clothShadowRadius = 12;
constexpr double clothShadowOffsetY = 6;

// What the cloth carries of a title: a bounded prefix (no screen shows more),
// on one line.
QString shownLine(const QString& message)
{
    return Text::displayPrefix(message).replace(QLatin1Char('\n'), QLatin1Char(' '));
}
} // namespace

TaskReminderBannerFlagView::TaskReminderBannerFlagView(const NotchTemplateConfiguration& configuration,
                                                       const QString& message, AttachmentSide attachmentSide,
                                                       std::function<void(double)> onWidthChange, bool reduceMotion)
    : m_configuration(configuration),
      m_message(message),
      m_side(attachmentSide),
      m_onWidthChange(std::move(onWidthChange)),
      m_reduceMotion(reduceMotion),
      m_font(TemplateStyle::font(NotchTemplateConfiguration::Font::system(
          configuration.layout.reminderFlightFlagTextSize, NotchTemplateConfiguration::Font::Weight::Semibold,
          NotchTemplateConfiguration::Font::Design::Rounded)))
{
    measure();
}

void TaskReminderBannerFlagView::setMessage(const QString& message)
{
    if (message == m_message)
        return;
    m_message = message;
    measure();
}

void TaskReminderBannerFlagView::measure()
{
    // One line: line breaks in a title read as spaces, as they are drawn.
    const QString line = shownLine(m_message);
    m_measuredTextWidth = std::ceil(QFontMetricsF(m_font).horizontalAdvance(line));
    if (m_onWidthChange)
        m_onWidthChange(clothWidth());
}

double TaskReminderBannerFlagView::clothWidth() const
{
    return TaskReminderFlightGeometry::clothWidth(m_configuration, m_measuredTextWidth);
}

QSizeF TaskReminderBannerFlagView::size() const
{
    const auto& l = m_configuration.layout;
    return {clothWidth() + columnWidth, std::max(l.reminderFlightFlagHeight, l.reminderFlightFlagPoleHeight)};
}

QRectF TaskReminderBannerFlagView::clothRect(const QPointF& topLeft) const
{
    const double height = m_configuration.layout.reminderFlightFlagHeight;
    const double y = topLeft.y() + (size().height() - height) / 2;
    // Nudged a point away from the pole so the two overlap without a seam.
    if (m_side == AttachmentSide::trailing)
        return {topLeft.x() - 1, y, clothWidth(), height};
    return {topLeft.x() + columnWidth + 1, y, clothWidth(), height};
}

QRectF TaskReminderBannerFlagView::poleColumn(const QPointF& topLeft) const
{
    const double x = m_side == AttachmentSide::trailing ? topLeft.x() + clothWidth() : topLeft.x();
    const double height = m_configuration.layout.reminderFlightFlagPoleHeight;
    return {x, topLeft.y() + (size().height() - height) / 2, columnWidth, height};
}

QPointF TaskReminderBannerFlagView::poleTop(const QPointF& topLeft) const
{
    const QRectF column = poleColumn(topLeft);
    return {column.center().x(), column.top() + knobDiameter / 2};
}

QPointF TaskReminderBannerFlagView::poleBottom(const QPointF& topLeft) const
{
    const QRectF column = poleColumn(topLeft);
    return {column.center().x(), column.bottom()};
}

QPolygonF TaskReminderBannerFlagView::clothOutline(const QPointF& topLeft, double now) const
{
    QPolygonF outline(clothPoints(now));
    outline.translate(clothRect(topLeft).topLeft());
    return outline;
}

QLinearGradient TaskReminderBannerFlagView::clothFill(const QSizeF& size)
{
    QLinearGradient fill(0, 0, size.width(), size.height());
    fill.setColorAt(0, QColor::fromRgbF(0.99f, 0.96f, 0.84f));
    fill.setColorAt(1, QColor::fromRgbF(0.97f, 0.92f, 0.76f));
    return fill;
}

QList<QPointF> TaskReminderBannerFlagView::clothPoints(double now) const
{
    const auto& l = m_configuration.layout;
    const auto& i = m_configuration.interaction;
    const double amplitude = m_reduceMotion ? 0 : i.reminderFlightFlagWaveAmplitude;
    // The cloth moves at its own rate, however often the flight repaints.
    const double phase = m_reduceMotion ? 0
                                        : TaskReminderFlightGeometry::quantised(now, i.reminderFlightFlagFramesPerSecond)
                                              * i.reminderFlightFlagWaveSpeed;
    return TaskReminderFlightGeometry::clothOutline(clothWidth(), l.reminderFlightFlagHeight, phase, m_side, amplitude,
                                                    i.reminderFlightFlagWaveFrequency,
                                                    i.reminderFlightFlagTrailingWaveBoost);
}

QPainterPath TaskReminderBannerFlagView::clothPath(double now) const
{
    const QList<QPointF> points = clothPoints(now);
    QPainterPath path;
    path.moveTo(points.first());
    for (qsizetype k = 1; k < points.size(); ++k)
        path.lineTo(points[k]);
    path.closeSubpath();
    return path;
}

const QImage& TaskReminderBannerFlagView::clothShadow(qreal devicePixelRatio)
{
    const QSizeF cloth = clothRect(QPointF()).size();
    if (m_clothShadowWidth == cloth.width() && m_clothShadowRatio == devicePixelRatio)
        return m_clothShadow;
    // The shadow of the still cloth: the wave is a few points, the blur twelve.
    QImage still((cloth * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    still.fill(Qt::transparent);
    QPainter p(&still);
    p.scale(devicePixelRatio, devicePixelRatio);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath stillCloth;
    stillCloth.addPolygon(
        QPolygonF(TaskReminderFlightGeometry::clothOutline(cloth.width(), cloth.height(), 0, m_side, 0, 1, 1)));
    p.fillPath(stillCloth, Qt::black);
    p.end();
    m_clothShadow = ShadowImage::make(still, clothShadowRadius * devicePixelRatio, QColor(0, 0, 0, int(0.14 * 255)));
    m_clothShadow.setDevicePixelRatio(devicePixelRatio);
    m_clothShadowWidth = cloth.width();
    m_clothShadowRatio = devicePixelRatio;
    return m_clothShadow;
}

QRectF TaskReminderBannerFlagView::clothShadowRect(const QPointF& topLeft, qreal devicePixelRatio)
{
    const double margin = ShadowImage::margin(clothShadowRadius * devicePixelRatio) / devicePixelRatio;
    return {clothRect(topLeft).topLeft() + QPointF(-margin, clothShadowOffsetY - margin),
            clothShadow(devicePixelRatio).deviceIndependentSize()};
}

void TaskReminderBannerFlagView::paint(QPainter& painter, const QPointF& topLeft, double now, bool withShadow)
{
    const auto& l = m_configuration.layout;
    const QRectF cloth = clothRect(topLeft);
    const QPainterPath outline = clothPath(now);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    if (withShadow) {
        const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1;
        painter.drawImage(clothShadowRect(topLeft, ratio).topLeft(), clothShadow(ratio));
    }

    // Cloth.
    painter.translate(cloth.topLeft());
    painter.setBrush(clothFill(cloth.size()));
    painter.setPen(QPen(QColor(0, 0, 0, int(0.1 * 255)), 1));
    painter.drawPath(outline);

    // The title: plain text on one line, cut at its end only when the cloth is capped.
    const QRectF textRect(l.reminderFlightFlagHorizontalPadding, l.reminderFlightFlagVerticalPadding,
                          std::max(0.0, cloth.width() - 2 * l.reminderFlightFlagHorizontalPadding),
                          std::max(0.0, cloth.height() - 2 * l.reminderFlightFlagVerticalPadding));
    const QString shown = QFontMetricsF(m_font).elidedText(shownLine(m_message), Qt::ElideRight, textRect.width() + 0.5);
    painter.setFont(m_font);
    painter.setPen(QColor(0, 0, 0, int(0.82 * 255)));
    painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, shown);
    painter.restore();

    paintPole(painter, topLeft, withShadow);
}

void TaskReminderBannerFlagView::paintPole(QPainter& painter, const QPointF& topLeft, bool withShadow) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF column = poleColumn(topLeft);
    if (withShadow) {
        painter.setBrush(QColor(0, 0, 0, int(0.08 * 255)));
        painter.drawRoundedRect(QRectF(column.center().x() - poleWidth, column.top() + 1, 2 * poleWidth, column.height()),
                                poleWidth, poleWidth);
    }
    painter.setBrush(QColor(255, 255, 255, int(0.84 * 255)));
    painter.drawRect(QRectF(column.center().x() - poleWidth / 2, column.top(), poleWidth, column.height()));
    painter.setBrush(QColor(255, 255, 255, int(0.92 * 255)));
    painter.drawEllipse(QRectF(column.right() - knobDiameter, column.top(), knobDiameter, knobDiameter));
    painter.restore();
}
