#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// The few symbols the onboarding draws, as our own paths.
namespace OnboardingSymbols {
void drawPhoto(QPainter& painter, const QRectF& box, const QColor& color);
void drawXmark(QPainter& painter, const QRectF& box, const QColor& color, double lineWidth);
// Points left when `left`, else right.
void drawChevron(QPainter& painter, const QRectF& box, bool left, const QColor& color, double lineWidth);
} // namespace OnboardingSymbols
