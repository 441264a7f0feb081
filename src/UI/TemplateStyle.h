#pragma once

#include "Model/TaskPriority.h"
#include "Model/TaskSection.h"
#include "Template/NotchHeaderWidthRequirements.h"
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
    // The desktop's system font at a template size (points are pixels).
    static QFont systemFont(double points, QFont::Weight weight = QFont::Normal);

    // sectionAccentRed … sectionAccentGray.
    static QColor accentColor(const NotchTemplateConfiguration::Appearance& appearance, TaskSectionAccent accent);
    // The accent's colour, or the fallback when there is no accent.
    static QColor accentColor(const NotchTemplateConfiguration::Appearance& appearance,
                              std::optional<TaskSectionAccent> accent,
                              const NotchTemplateConfiguration::Color& fallback);
    // high/medium/lowPriorityColor.
    static QColor priorityColor(const NotchTemplateConfiguration::Appearance& appearance, TaskPriority priority);
    // A colour at a fraction of its own opacity ("colour at opacity 0.9").
    static QColor withOpacity(QColor color, double opacity);

    // Width of the text in the font, rounded up to a whole point.
    static double textWidth(const QString& text, const NotchTemplateConfiguration::Font& font);
    static TextWidthFunction textWidthFunction();

    // A template length as a widget size: "no limit" and anything beyond what a
    // widget can take become QWIDGETSIZE_MAX; negative and NaN lengths become 0.
    static int widgetExtent(double points);
};

// The few desktop colours the views name that the template does not carry.
// Label shades follow the palette; the rest are fixed.
struct SystemColors {
    static QColor red();                      // destructive actions
    static QColor selectedContentBackground(); // hovered menu rows
    static QColor label(const QPalette& palette = QGuiApplication::palette());
    static QColor secondaryLabel(const QPalette& palette = QGuiApplication::palette());
    static QColor tertiaryLabel(const QPalette& palette = QGuiApplication::palette());
    static QColor controlBackground(const QPalette& palette = QGuiApplication::palette());
    static QColor separator(const QPalette& palette = QGuiApplication::palette());
};
