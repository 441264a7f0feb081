#pragma once

#include "UI/Motion.h"

#include <QRectF>
#include <QString>

class QPainter;
class QPalette;

// One completed task in the history: check symbol, title, section and time.
// The history list draws thousands of these, so a row is a value the list
// paints, not a widget. It fades and rises in once, after its appearance
// delay, and lifts a little under the pointer.
struct HistoryTaskRow {
    QString title;
    QString subtitle;
    QString trailingText;
    double appearanceDelay = 0;

    bool isHovered = false;
    bool hasAppeared = false;
    Motion::Value appearance{0};
    Motion::Value hover{0};

    static constexpr int minimumHeight = 56;
    static int height();

    // Starts the spring to shown at `now`; reduced motion shows at once.
    void appear(double now, bool reduceMotion);
    void setHovered(bool hovered, double now, bool reduceMotion);
    bool isMoving() const { return appearance.isMoving() || hover.isMoving(); }

    void paint(QPainter& painter, const QRectF& rect, const QPalette& palette, double now);
};
