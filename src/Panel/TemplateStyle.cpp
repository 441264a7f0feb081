#include "Panel/TemplateStyle.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QWidget>
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
