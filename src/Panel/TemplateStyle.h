#pragma once

#include "Overlay/NotchHeaderWidthRequirements.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

// The one place where template colours, fonts and lengths become Qt values.
// A template point is a logical pixel.
class TemplateStyle {
public:
    // Label colours are taken from the palette so that they follow the desktop's scheme.
    static QColor color(const NotchTemplateConfiguration::Color& color,
                        const QPalette& palette = QGuiApplication::palette());
    static QFont font(const NotchTemplateConfiguration::Font& font);

    // Width of the text in the font, rounded up to a whole point.
    static double textWidth(const QString& text, const NotchTemplateConfiguration::Font& font);
    static TextWidthFunction textWidthFunction();

    // A template length as a widget size: "no limit" and anything beyond what a
    // widget can take become QWIDGETSIZE_MAX; negative and NaN lengths become 0.
    static int widgetExtent(double points);
};
