#include "Reminders/TaskReminderFlightGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

using Geometry = TaskReminderFlightGeometry;

Geometry::Layout Geometry::layout(const NotchTemplateConfiguration& configuration, double width, double height,
                                  double flagWidth)
{
    const auto& l = configuration.layout;
    Layout result;
    result.centreY = height / 2;
    result.groupWidth = l.reminderFlightAirplaneWidth + l.reminderFlightLeadSpacing
                        + std::max(flagWidth, l.reminderFlightFlagMinWidth);
    result.groupHeight = std::max({l.reminderFlightAirplaneHeight, l.reminderFlightFlagPoleHeight,
                                   l.reminderFlightFlagHeight});
    result.startX = -result.groupWidth - l.reminderFlightOffscreenInset;
    result.endX = width + l.reminderFlightOffscreenInset;
    return result;
}

double Geometry::duration(const NotchTemplateConfiguration& configuration, bool reduceMotion)
{
    return reduceMotion ? configuration.interaction.reminderFlightReducedMotionDuration
                        : configuration.interaction.reminderFlightDuration;
}

double Geometry::x(const Layout& layout, std::optional<double> flightStart, double duration, double now)
{
    if (!flightStart)
        return layout.startX;
    if (!(duration > 0))
        return layout.endX;
    const double progress = std::clamp((now - *flightStart) / duration, 0.0, 1.0);
    return layout.startX + (layout.endX - layout.startX) * progress;
}

namespace {
double wave(double amplitude, double period, bool still, double now)
{
    if (still || !(period > 0))
        return 0;
    return amplitude * std::sin(2 * std::numbers::pi * now / period);
}
} // namespace

double Geometry::bob(const NotchTemplateConfiguration& configuration, bool reduceMotion, bool started, double now)
{
    const auto& i = configuration.interaction;
    return wave(i.reminderFlightGroupBobAmplitude, i.reminderFlightGroupBobPeriod, reduceMotion || !started, now);
}

double Geometry::jiggle(const NotchTemplateConfiguration& configuration, bool reduceMotion, bool started, double now)
{
    const auto& i = configuration.interaction;
    return wave(i.reminderFlightGroupJiggleAngle, i.reminderFlightGroupJigglePeriod, reduceMotion || !started, now);
}

double Geometry::tickInterval(double framesPerSecond, double shortest)
{
    if (!(framesPerSecond > 0))
        return shortest;
    return std::max(1 / framesPerSecond, shortest);
}

double Geometry::quantised(double now, double framesPerSecond)
{
    if (!(framesPerSecond > 0) || !std::isfinite(now))
        return now;
    return std::floor(now * framesPerSecond) / framesPerSecond;
}

double Geometry::frameDue(double now, double interval)
{
    if (!(interval > 0) || !std::isfinite(now))
        return now;
    return (std::round(now / interval - 0.5) + 0.5) * interval;
}

int Geometry::millisecondsUntil(double now, double due)
{
    const double milliseconds = std::ceil((due - now) * 1000);
    return int(std::clamp(std::isfinite(milliseconds) ? milliseconds : 0.0, 0.0, 60000.0));
}

int Geometry::spriteFrameIndex(double now, double framesPerSecond, bool reduceMotion)
{
    if (reduceMotion)
        return 0;
    const double frames = std::floor(now * framesPerSecond);
    // Wall-clock seconds times the rate outgrow 32 bits; the count is kept in 64.
    constexpr double limit = 9.0e18;
    if (!std::isfinite(frames) || std::abs(frames) > limit)
        return 0;
    const auto count = static_cast<std::int64_t>(frames) % spriteFrameCount;
    return int(count < 0 ? count + spriteFrameCount : count);
}

QList<QRect> Geometry::spriteFrameRects(int sheetWidth, int sheetHeight)
{
    QList<QRect> rects;
    const int frameWidth = sheetWidth / spriteFrameCount;
    if (frameWidth <= 0 || sheetHeight <= 0)
        return rects;
    for (int i = 0; i < spriteFrameCount; ++i)
        rects.append(QRect(i * frameWidth, 0, frameWidth, sheetHeight));
    return rects;
}

double Geometry::clothWidth(const NotchTemplateConfiguration& configuration, double textWidth)
{
    const auto& l = configuration.layout;
    const double wanted = std::max(l.reminderFlightFlagMinWidth, 2 * l.reminderFlightFlagHorizontalPadding + textWidth);
    return std::min(wanted, l.reminderFlightFlagMaxWidth);
}

QList<QPointF> Geometry::clothOutline(double width, double height, double phase, AttachmentSide side,
                                      double amplitude, double frequency, double trailingBoost)
{
    const double pi = std::numbers::pi;
    // Distances run from the pole's edge towards the free end.
    const double x0 = side == AttachmentSide::leading ? 0 : width;
    const double s = side == AttachmentSide::leading ? 1 : -1;
    const auto at = [&](double distance, double y) { return QPointF(x0 + s * distance, y); };
    const double tipDepth = std::min(0.12 * width, 20.0);
    const double lowerInset = std::min(0.28 * height, 12.0);
    const auto offset = [&](double distance, double extraPhase) {
        const double p = width <= 1 ? std::clamp(distance, 0.0, 1.0) : std::clamp(distance / width, 0.0, 1.0);
        // Still at the pole, strongest at the free end.
        return amplitude * std::pow(p, 1.35) * (1 + (trailingBoost - 1) * p)
               * std::sin(2 * pi * frequency * p + phase + extraPhase);
    };

    QList<QPointF> points;
    points.reserve(55);
    points.append(at(0, 8));
    const double run = width - tipDepth;
    for (int i = 0; i <= 24; ++i) {
        const double d = run * i / 24;
        points.append(at(d, 8 + offset(d, 0)));
    }
    points.append(at(run, 0.34 * height));
    points.append(at(width, 0.5 * height + amplitude * trailingBoost * std::sin(2 * pi * frequency + phase + 0.45)));
    points.append(at(run, 0.66 * height));
    points.append(at(run, height - lowerInset));
    for (int j = 24; j >= 0; --j) {
        const double d = run * j / 24;
        points.append(at(d, height - 8 + offset(d, pi / 3)));
    }
    return points;
}

std::optional<qsizetype> Geometry::screenIndex(const QList<Rect>& frames, Point pointer,
                                               std::optional<qsizetype> mainIndex)
{
    for (qsizetype i = 0; i < frames.size(); ++i) {
        if (frames[i].contains(pointer))
            return i;
    }
    if (mainIndex && *mainIndex >= 0 && *mainIndex < frames.size())
        return mainIndex;
    if (!frames.isEmpty())
        return 0;
    return std::nullopt;
}
