#include "ControlPanel/ControlPanelStyle.h"

#include "UI/SymbolPainter.h"
#include "UI/TemplateStyle.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <cmath>

namespace ControlPanelStyle {
QFont systemFont(double pixelSize, QFont::Weight weight)
{
    return TemplateStyle::systemFont(pixelSize, weight);
}

QFont textFont(TextStyle style, QFont::Weight weight)
{
    switch (style) {
    case TextStyle::title3:
        return systemFont(17, weight);
    case TextStyle::headline:
        return systemFont(14, weight == QFont::Normal ? QFont::DemiBold : weight);
    case TextStyle::body:
        return systemFont(14, weight);
    case TextStyle::subheadline:
        return systemFont(13, weight);
    case TextStyle::caption:
        return systemFont(12, weight);
    }
    return systemFont(14, weight);
}

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

static QColor withOpacity(const QColor& color, double opacity)
{
    return TemplateStyle::withOpacity(color, opacity);
}

QColor primary(const QPalette& palette, double opacity)
{
    return withOpacity(SystemColors::label(palette), opacity);
}

QColor secondary(const QPalette& palette, double opacity)
{
    return withOpacity(SystemColors::secondaryLabel(palette), opacity);
}

QColor tertiary(const QPalette& palette)
{
    return SystemColors::tertiaryLabel(palette);
}

QColor accent(const QPalette& palette, double opacity)
{
    return withOpacity(palette.color(QPalette::Highlight), opacity);
}

QColor controlBackground(const QPalette& palette)
{
    return SystemColors::controlBackground(palette);
}

QColor cardShadowColor(const QPalette& palette)
{
    return QColor::fromRgbF(0, 0, 0, isDark(palette) ? 0.18f : 0.08f);
}

TintColors tint(ControlPanelStatusTint tint, const QPalette& palette)
{
    auto fixed = [](double r, double g, double b) {
        const QColor base = QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b));
        return TintColors{base, withOpacity(base, 0.1), withOpacity(base, 0.22)};
    };
    switch (tint) {
    case ControlPanelStatusTint::accent:
        return {accent(palette), accent(palette, 0.08), accent(palette, 0.22)};
    case ControlPanelStatusTint::success:
        return fixed(0.17, 0.54, 0.34);
    case ControlPanelStatusTint::warning:
        return fixed(0.72, 0.46, 0.04);
    case ControlPanelStatusTint::critical:
        return fixed(0.74, 0.18, 0.18);
    case ControlPanelStatusTint::neutral:
        break;
    }
    return {primary(palette), Qt::transparent, primary(palette, 0.12)};
}

QPalette palette(AppAppearanceMode mode, const QPalette& desktop)
{
    if (mode == AppAppearanceMode::system)
        return desktop;
    const bool dark = mode == AppAppearanceMode::dark;
    const QColor window = dark ? QColor(30, 30, 32) : QColor(246, 246, 247);
    const QColor base = dark ? QColor(44, 44, 46) : QColor(255, 255, 255);
    const QColor text = dark ? QColor(236, 236, 238) : QColor(28, 28, 30);
    const QColor button = dark ? QColor(58, 58, 60) : QColor(236, 236, 238);
    QPalette result(desktop);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const double textOpacity = group == QPalette::Disabled ? 0.4 : 1.0;
        result.setColor(group, QPalette::Window, window);
        result.setColor(group, QPalette::Base, base);
        result.setColor(group, QPalette::AlternateBase, window);
        result.setColor(group, QPalette::Button, button);
        result.setColor(group, QPalette::Mid, dark ? QColor(72, 72, 74) : QColor(200, 200, 204));
        result.setColor(group, QPalette::Midlight, dark ? QColor(64, 64, 66) : QColor(226, 226, 230));
        result.setColor(group, QPalette::Dark, dark ? QColor(20, 20, 22) : QColor(160, 160, 164));
        result.setColor(group, QPalette::Light, dark ? QColor(84, 84, 86) : QColor(255, 255, 255));
        result.setColor(group, QPalette::Shadow, QColor(0, 0, 0));
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            result.setColor(group, role, withOpacity(text, textOpacity));
        result.setColor(group, QPalette::PlaceholderText, withOpacity(text, 0.5));
        result.setColor(group, QPalette::ToolTipBase, base);
        result.setColor(group, QPalette::ToolTipText, text);
        result.setColor(group, QPalette::Highlight, QColor(10, 122, 255));
        result.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    return result;
}

void followParentAppearance(QWidget* window)
{
    window->setAttribute(Qt::WA_WindowPropagation);
}

void markDestructive(QAbstractButton* button)
{
    QPalette destructive = button->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        destructive.setColor(group, QPalette::ButtonText, SystemColors::red());
    button->setPalette(destructive);
}

void paintShadow(QPainter& painter, const QRectF& rect, double radius, const QColor& color, double blur,
                 double offsetY)
{
    if (color.alpha() == 0 || blur <= 0)
        return;
    painter.save();
    painter.setPen(Qt::NoPen);
    constexpr int layers = 6;
    const QRectF shifted = rect.translated(0, offsetY);
    for (int i = layers; i >= 1; --i) {
        const double spread = blur * static_cast<double>(i) / layers;
        QColor layer = color;
        layer.setAlphaF(static_cast<float>(color.alphaF() * 1.6 / layers));
        painter.setBrush(layer);
        painter.drawRoundedRect(shifted.adjusted(-spread / 2, -spread / 2, spread / 2, spread / 2),
                                radius + spread / 2, radius + spread / 2);
    }
    painter.restore();
}

void paintCard(QPainter& painter, const QRectF& rect, const QColor& fill, const QColor& border, const QColor& shadow,
               double shadowBlur, double shadowOffsetY)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    paintShadow(painter, rect, cardRadius, shadow, shadowBlur, shadowOffsetY);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, cardRadius, cardRadius);
    QPen pen(border, 0.8);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(0.4, 0.4, -0.4, -0.4), cardRadius, cardRadius);
    painter.restore();
}
} // namespace ControlPanelStyle

namespace ControlPanelStyle {
void paintSymbol(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color, double pointSize,
                 QFont::Weight weight)
{
    // A symbol beside text of a size is about as tall as that text's capitals and descenders.
    const double side = std::min({rect.width(), rect.height(), pointSize * 1.15});
    const QRectF square(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    SymbolPainter::paint(painter, name, square, color, weight);
}
} // namespace ControlPanelStyle
