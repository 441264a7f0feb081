#pragma once

#include "Platform/Rect.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QList>
#include <QPointF>
#include <QRect>
#include <optional>

// The numbers of a reminder flight, apart from any drawing: where the towed
// group is at a given moment, which airplane frame shows, the banner's cloth
// and the screen the flight goes to. Times are wall-clock seconds since
// 2001-01-01 00:00:00 UTC; lengths are points.
class TaskReminderFlightGeometry {
public:
    // The group waits this long at its start before it moves.
    static constexpr double startDelay = 0.05;
    // Added to the flight so the group is surely off screen when it ends.
    static constexpr double endSlack = 0.08;
    static constexpr int spriteFrameCount = 12;

    // Where the group is laid out on a screen of width × height.
    struct Layout {
        double centreY = 0;
        double groupWidth = 0;  // airplane + lead spacing + banner cloth
        double groupHeight = 0; // the tallest of airplane, pole and cloth
        double startX = 0;      // fully off the left edge
        double endX = 0;        // fully off the right edge
    };
    static Layout layout(const NotchTemplateConfiguration& configuration, double width, double height,
                         double flagWidth);

    static double duration(const NotchTemplateConfiguration& configuration, bool reduceMotion);
    // Linear from startX to endX over the duration; startX before the flight starts.
    static double x(const Layout& layout, std::optional<double> flightStart, double duration, double now);
    // Wall-clock bob (points) and rocking (degrees); none before the start or under reduced motion.
    static double bob(const NotchTemplateConfiguration& configuration, bool reduceMotion, bool started, double now);
    static double jiggle(const NotchTemplateConfiguration& configuration, bool reduceMotion, bool started,
                         double now);
    // From the moment the flight appears to its end.
    static double completionDelay(double duration) { return startDelay + duration + endSlack; }

    // Seconds between redraws at a rate, never shorter than `shortest`.
    static double tickInterval(double framesPerSecond, double shortest);
    // The time quantised to a rate, so a part drawn more often still changes only at its own rate.
    static double quantised(double now, double framesPerSecond);
    // Frames fall due on a grid of the wall clock, `interval` apart and half
    // an interval off its whole multiples, so that a part quantised to the
    // same rate changes once a frame however late the frame is drawn. The due
    // time nearest to `now`, and the whole milliseconds from `now` to `due`,
    // never fewer (a timer then fires at or just after it).
    static double frameDue(double now, double interval);
    static int millisecondsUntil(double now, double due);

    static int spriteFrameIndex(double now, double framesPerSecond, bool reduceMotion);
    // Twelve equal frames side by side; columns beyond the last whole frame are dropped.
    static QList<QRect> spriteFrameRects(int sheetWidth, int sheetHeight);

    enum class AttachmentSide { leading, trailing };
    // Between the minimum and the maximum width, room for the text and its padding.
    static double clothWidth(const NotchTemplateConfiguration& configuration, double textWidth);
    // The waving cloth in a width × height box: 55 points, the first and last joined on closing.
    static QList<QPointF> clothOutline(double width, double height, double phase, AttachmentSide side,
                                       double amplitude, double frequency, double trailingBoost);

    // The screen holding the pointer (left and bottom edges inside, right and top
    // outside), else the main one, else the first; none without screens.
    static std::optional<qsizetype> screenIndex(const QList<Rect>& frames, Point pointer,
                                                std::optional<qsizetype> mainIndex);
};
