#pragma once

#include "Reminders/TaskReminderFlightGeometry.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QSizeF>
#include <QString>
#include <functional>

class QPainter;

// The towed banner: a cream cloth with a pointed free end, waving, with the
// title on one line, hung on a thin pole with a round knob. It sizes the
// cloth to the title and reports that width. Like the airplane it paints into
// the flight's painter.
class TaskReminderBannerFlagView {
public:
    using AttachmentSide = TaskReminderFlightGeometry::AttachmentSide;

    // Reports the cloth width at once and whenever the message changes it.
    TaskReminderBannerFlagView(const NotchTemplateConfiguration& configuration, const QString& message,
                               AttachmentSide attachmentSide, std::function<void(double)> onWidthChange,
                               bool reduceMotion);

    void setMessage(const QString& message);
    const QString& message() const { return m_message; }
    double clothWidth() const;
    // Cloth and pole side by side.
    QSizeF size() const;
    QFont titleFont() const { return m_font; }

    void paint(QPainter& painter, const QPointF& topLeft, double now, bool withShadow);
    // The pole and its knob, with the pole's faint shadow when asked.
    void paintPole(QPainter& painter, const QPointF& topLeft, bool withShadow) const;
    // The pole's top and bottom ends, where tow lines are fastened.
    QPointF poleTop(const QPointF& topLeft) const;
    QPointF poleBottom(const QPointF& topLeft) const;

    // The parts, for drawing the banner from pieces made once: the cloth's
    // box and its waving outline at `now`, the column of pole and knob, and
    // the cloth's fill over a box of the given size.
    QRectF clothRect(const QPointF& topLeft) const;
    QPolygonF clothOutline(const QPointF& topLeft, double now) const;
    QRectF poleColumn(const QPointF& topLeft) const;
    static QLinearGradient clothFill(const QSizeF& size);
    // The still cloth's soft shadow at a device pixel ratio, made once per
    // cloth width, and where it lies for a banner at `topLeft`.
    const QImage& clothShadow(qreal devicePixelRatio);
    QRectF clothShadowRect(const QPointF& topLeft, qreal devicePixelRatio);

private:
    QList<QPointF> clothPoints(double now) const;
    QPainterPath clothPath(double now) const;
    void measure();

    NotchTemplateConfiguration m_configuration;
    QString m_message;
    AttachmentSide m_side;
    std::function<void(double)> m_onWidthChange;
    bool m_reduceMotion;
    QFont m_font;
    double m_measuredTextWidth = 0;
    QImage m_clothShadow; // the still cloth, blurred; made once per width
    double m_clothShadowWidth = -1;
    qreal m_clothShadowRatio = 0;
};
