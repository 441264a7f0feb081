#include "UI/TemplateStyle.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QWidget>
#include <algorithm>
#include <cmath>

QColor TemplateStyle::color(const NotchTemplateConfiguration::Color& color, const QPalette& palette)
{
    using Role = NotchTemplateConfiguration::Color::Role;
    switch (color.role) {
    case Role::Label:
        return palette.color(QPalette::WindowText);
    case Role::SecondaryLabel: {
        QColor text = palette.color(QPalette::WindowText);
        text.setAlphaF(text.alphaF() * 0.5f);
        return text;
    }
    case Role::Fixed:
        break;
    }
    return QColor::fromRgbF(float(color.red), float(color.green), float(color.blue), float(color.alpha));
}

QFont TemplateStyle::font(const NotchTemplateConfiguration::Font& font)
{
    using Weight = NotchTemplateConfiguration::Font::Weight;
    // The rounded design has no counterpart among the desktop's system fonts; the
    // system font stands in for it.
    QFont result = font.family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont) : QFont(font.family);
    result.setPixelSize(std::max(1, widgetExtent(font.pointSize)));
    switch (font.weight) {
    case Weight::Regular: result.setWeight(QFont::Normal); break;
    case Weight::Medium: result.setWeight(QFont::Medium); break;
    case Weight::Semibold: result.setWeight(QFont::DemiBold); break;
    case Weight::Bold: result.setWeight(QFont::Bold); break;
    }
    return result;
}

QFont TemplateStyle::systemFont(double points, QFont::Weight weight)
{
    QFont result = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    result.setPixelSize(std::max(1, widgetExtent(points)));
    result.setWeight(weight);
    return result;
}

QColor TemplateStyle::accentColor(const NotchTemplateConfiguration::Appearance& appearance, TaskSectionAccent accent)
{
    switch (accent) {
    case TaskSectionAccent::red: return color(appearance.sectionAccentRed);
    case TaskSectionAccent::orange: return color(appearance.sectionAccentOrange);
    case TaskSectionAccent::yellow: return color(appearance.sectionAccentYellow);
    case TaskSectionAccent::green: return color(appearance.sectionAccentGreen);
    case TaskSectionAccent::blue: return color(appearance.sectionAccentBlue);
    case TaskSectionAccent::purple: return color(appearance.sectionAccentPurple);
    case TaskSectionAccent::gray: break;
    }
    return color(appearance.sectionAccentGray);
}

QColor TemplateStyle::accentColor(const NotchTemplateConfiguration::Appearance& appearance,
                                  std::optional<TaskSectionAccent> accent,
                                  const NotchTemplateConfiguration::Color& fallback)
{
    return accent ? accentColor(appearance, *accent) : color(fallback);
}

QColor TemplateStyle::priorityColor(const NotchTemplateConfiguration::Appearance& appearance, TaskPriority priority)
{
    switch (priority) {
    case TaskPriority::high: return color(appearance.highPriorityColor);
    case TaskPriority::medium: return color(appearance.mediumPriorityColor);
    case TaskPriority::low: break;
    }
    return color(appearance.lowPriorityColor);
}

QColor TemplateStyle::withOpacity(QColor color, double opacity)
{
    color.setAlphaF(float(color.alphaF() * std::clamp(opacity, 0.0, 1.0)));
    return color;
}

double TemplateStyle::textWidth(const QString& text, const NotchTemplateConfiguration::Font& font)
{
    return std::ceil(QFontMetricsF(TemplateStyle::font(font)).horizontalAdvance(text));
}

TextWidthFunction TemplateStyle::textWidthFunction()
{
    return [](const QString& text, const NotchTemplateConfiguration::Font& font) { return textWidth(text, font); };
}

int TemplateStyle::widgetExtent(double points)
{
    if (!(points > 0))
        return 0;
    if (points >= double(QWIDGETSIZE_MAX))
        return QWIDGETSIZE_MAX;
    return int(std::lround(points));
}

QColor SystemColors::red()
{
    return QColor(255, 69, 58);
}

QColor SystemColors::selectedContentBackground()
{
    return QColor(0, 100, 225);
}

QColor SystemColors::label(const QPalette& palette)
{
    return palette.color(QPalette::WindowText);
}

QColor SystemColors::secondaryLabel(const QPalette& palette)
{
    return TemplateStyle::withOpacity(label(palette), 0.5);
}

QColor SystemColors::tertiaryLabel(const QPalette& palette)
{
    return TemplateStyle::withOpacity(label(palette), 0.26);
}

QColor SystemColors::controlBackground(const QPalette& palette)
{
    return palette.color(QPalette::Base);
}

QColor SystemColors::separator(const QPalette& palette)
{
    return TemplateStyle::withOpacity(label(palette), 0.1);
}
