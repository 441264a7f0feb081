#include "Reminders/TaskReminderAirplaneSpriteView.h"

#include "Reminders/ShadowImage.h"
#include "Reminders/TaskReminderFlightGeometry.h"

#include <QPainter>
#include <cmath>

namespace {
constexpr double shadowRadius = 8;
constexpr double shadowOffsetY = 4;
const QColor shadowColor(0, 0, 0, int(0.16 * 255));
} // namespace

TaskReminderAirplaneSpriteView::TaskReminderAirplaneSpriteView(const NotchTemplateConfiguration& configuration,
                                                               bool reduceMotion)
    : m_configuration(configuration), m_reduceMotion(reduceMotion), m_frames(frames())
{
}

const QList<QImage>& TaskReminderAirplaneSpriteView::frames()
{
    static const QList<QImage> shared = [] {
        Q_INIT_RESOURCE(reminders);
        return cutSheet(QImage(QString::fromLatin1(sheetResource)));
    }();
    return shared;
}

QList<QImage> TaskReminderAirplaneSpriteView::cutSheet(const QImage& sheet)
{
    QList<QImage> result;
    if (sheet.isNull())
        return result;
    for (const QRect& rect : TaskReminderFlightGeometry::spriteFrameRects(sheet.width(), sheet.height())) {
        QImage frame = sheet.copy(rect);
        if (!frame.isNull())
            result.append(frame.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    return result;
}

void TaskReminderAirplaneSpriteView::setFrames(QList<QImage> frames)
{
    m_frames = std::move(frames);
    m_prepared.clear();
    m_preparedSize = QSize();
}

int TaskReminderAirplaneSpriteView::frameIndex(double now) const
{
    return TaskReminderFlightGeometry::spriteFrameIndex(
        now, m_configuration.interaction.reminderFlightSpriteFramesPerSecond, m_reduceMotion);
}

bool TaskReminderAirplaneSpriteView::hasFrame(double now) const
{
    return frameIndex(now) < m_frames.size();
}

void TaskReminderAirplaneSpriteView::prepare(const QSize& pixelSize, qreal devicePixelRatio)
{
    if (pixelSize == m_preparedSize && devicePixelRatio == m_preparedRatio)
        return;
    m_preparedSize = pixelSize;
    m_preparedRatio = devicePixelRatio;
    m_prepared.clear();
    // Scaled once to the size on screen: each tick only picks a prepared frame.
    for (const QImage& frame : m_frames) {
        const QImage scaled = frame.scaled(pixelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        Prepared prepared;
        prepared.image = QPixmap::fromImage(scaled);
        prepared.image.setDevicePixelRatio(devicePixelRatio);
        prepared.shadow = ShadowImage::make(scaled, shadowRadius * devicePixelRatio, shadowColor);
        prepared.shadow.setDevicePixelRatio(devicePixelRatio);
        m_prepared.append(prepared);
    }
}

void TaskReminderAirplaneSpriteView::paint(QPainter& painter, const QRectF& rect, double now, bool withShadow,
                                           bool onWholePixels)
{
    const int index = frameIndex(now);
    if (index >= m_frames.size())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1;
    prepare((rect.size() * ratio).toSize(), ratio);
    const Prepared& frame = m_prepared[index];
    const QSizeF shown = frame.image.deviceIndependentSize();
    QPointF origin(rect.x() + (rect.width() - shown.width()) / 2, rect.y() + (rect.height() - shown.height()) / 2);
    if (onWholePixels)
        origin = QPointF((origin * ratio).toPoint()) / ratio;
    if (withShadow) {
        // A whole number of device pixels away from the frame.
        const QPointF offset(-ShadowImage::margin(shadowRadius * ratio), std::round(shadowOffsetY * ratio)
                                                                              - ShadowImage::margin(shadowRadius * ratio));
        painter.drawImage(origin + offset / ratio, frame.shadow);
    }
    painter.drawPixmap(origin, frame.image);
}
