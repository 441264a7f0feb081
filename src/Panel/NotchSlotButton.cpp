#include "Panel/NotchSlotButton.h"

#include "UI/SymbolPainter.h"
#include "UI/TemplateStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

double NotchSlotButtonStyle::labelSide(const NotchTemplateConfiguration::Layout& layout)
{
    return std::max(0.0, std::ceil(std::max(layout.notchControlFontSize, layout.notchControlSymbolSize)));
}

double NotchSlotButtonStyle::minimumHeight(const NotchTemplateConfiguration::Layout& layout)
{
    return std::max(0.0, std::ceil(2 * layout.notchControlVerticalPadding
                                   + std::max(layout.notchControlFontSize, layout.notchControlSymbolSize)));
}

QColor NotchSlotButtonStyle::foreground(const NotchTemplateConfiguration& configuration, bool pressed)
{
    QColor color = TemplateStyle::color(configuration.appearance.primaryTextColor);
    color.setAlphaF(color.alphaF() * (pressed ? 0.82f : 0.95f));
    return color;
}

QColor NotchSlotButtonStyle::fill(const NotchTemplateConfiguration& configuration, bool pressed, bool hovered)
{
    const auto& appearance = configuration.appearance;
    if (pressed) {
        QColor color = TemplateStyle::color(appearance.buttonHoverFillColor);
        color.setAlphaF(color.alphaF() * 0.9f);
        return color;
    }
    return TemplateStyle::color(hovered ? appearance.buttonHoverFillColor : appearance.buttonFillColor);
}

void NotchSlotButtonStyle::paintBackground(QPainter& painter, const QRectF& rect,
                                           const NotchTemplateConfiguration& configuration, bool pressed, bool hovered)
{
    const double radius = std::min(configuration.appearance.buttonCornerRadius, rect.height() / 2);
    const QRectF inner = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(TemplateStyle::color(configuration.appearance.buttonBorderColor), 1));
    painter.setBrush(fill(configuration, pressed, hovered));
    painter.drawRoundedRect(inner, radius, radius);
}

NotchSlotButton::NotchSlotButton(QWidget* parent)
    : HoverButton(parent), m_configuration(NotchTemplateConfiguration::defaults())
{
    setCursor(Qt::ArrowCursor);
}

void NotchSlotButton::setConfiguration(const NotchTemplateConfiguration& configuration)
{
    if (configuration.layout == m_configuration.layout && configuration.appearance == m_configuration.appearance
        && configuration.typography == m_configuration.typography && configuration.content == m_configuration.content)
        return;
    m_configuration = configuration;
    updateGeometry();
    update();
}

void NotchSlotButton::setSymbol(const QString& name)
{
    if (name == m_symbol)
        return;
    m_symbol = name;
    update();
}

QSizeF NotchSlotButton::labelSize() const
{
    const double side = NotchSlotButtonStyle::labelSide(m_configuration.layout);
    return {side, side};
}

void NotchSlotButton::paintLabel(QPainter& painter, const QRectF& rect, const QColor& foreground)
{
    const double symbol = std::max(0.0, m_configuration.layout.notchControlSymbolSize);
    const QRectF square(rect.center().x() - symbol / 2, rect.center().y() - symbol / 2, symbol, symbol);
    SymbolPainter::paint(painter, m_symbol, square, foreground, QFont::DemiBold);
}

QSize NotchSlotButton::sizeHint() const
{
    const auto& layout = m_configuration.layout;
    const QSizeF label = labelSize();
    const double width = label.width() + 2 * std::max(0.0, layout.notchControlHorizontalPadding);
    const double height = std::max(NotchSlotButtonStyle::minimumHeight(layout),
                                   label.height() + 2 * std::max(0.0, layout.notchControlVerticalPadding));
    return {int(std::ceil(width)), int(std::ceil(height))};
}

void NotchSlotButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool pressed = isDown();
    if (!isEnabled())
        painter.setOpacity(0.45);
    const double scale = NotchSlotButtonStyle::scale(pressed);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
    NotchSlotButtonStyle::paintBackground(painter, rect(), m_configuration, pressed, isHovered() && isEnabled());
    const QSizeF label = labelSize();
    const QRectF labelRect(centre.x() - label.width() / 2, centre.y() - label.height() / 2, label.width(),
                           label.height());
    paintLabel(painter, labelRect, NotchSlotButtonStyle::foreground(m_configuration, pressed));
}

void NotchSlotButton::changeEvent(QEvent* event)
{
    HoverButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}
