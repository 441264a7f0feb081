#pragma once

#include "Template/NotchTemplateConfiguration.h"

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QRectF>

class QPainter;

// The airplane at the head of a reminder flight: frames cut once from the
// sprite sheet and played against the wall clock. It paints into the flight's
// painter, because the flight rocks the whole towed group as one.
class TaskReminderAirplaneSpriteView {
public:
    static constexpr const char* sheetResource = ":/reminders/reminder_airplane_sprites.png";

    TaskReminderAirplaneSpriteView(const NotchTemplateConfiguration& configuration, bool reduceMotion);

    // The process-wide frames; empty when the sheet is missing or unreadable.
    static const QList<QImage>& frames();
    static QList<QImage> cutSheet(const QImage& sheet);

    int frameIndex(double now) const;
    // Whether the frame for `now` exists; a missing one leaves the area empty.
    bool hasFrame(double now) const;

    // Draws the frame for `now` fitted into `rect`, with its soft shadow when asked.
    // On whole pixels (for a painter that only moves) the frame and its shadow
    // are copied as they are, never resampled.
    void paint(QPainter& painter, const QRectF& rect, double now, bool withShadow, bool onWholePixels = false);
    // The tail, where a tow line is fastened, as a fraction of the frame.
    static QPointF towHook() { return {0.07, 0.46}; }

    // Replaces the shared frames for this view only (tests).
    void setFrames(QList<QImage> frames);

private:
    struct Prepared {
        QPixmap image;
        QImage shadow;
    };
    void prepare(const QSize& pixelSize, qreal devicePixelRatio);

    NotchTemplateConfiguration m_configuration;
    bool m_reduceMotion;
    QList<QImage> m_frames;
    QList<Prepared> m_prepared;
    QSize m_preparedSize;
    qreal m_preparedRatio = 0;
};
