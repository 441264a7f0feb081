#include "Panel/AISortButton.h"

#include "Sorting/TaskSortingError.h"
#include "UI/SymbolPainter.h"
#include "UI/TemplateStyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <numbers>

namespace {
constexpr int spokes = 12;
constexpr double turnSeconds = 1.0;
constexpr double labelSpacing = 6;
} // namespace

AISortButton::AISortButton(QWidget* parent, std::function<double()> clock)
    : NotchSlotButton(parent),
      m_clock(std::move(clock)),
      m_spinner(
          [this] {
              // Twelve spokes a second: repaint only when the leading one moves on.
              const int spoke = leadingSpoke(m_clock());
              if (spoke != m_paintedSpoke)
                  update();
          },
          [this] { return m_inputs.isSorting && isVisible(); })
{
    setAccessibleName(m_inputs.configuration.content.aiSortTitle);
    setAccessibleDescription(
        QStringLiteral("Classifies new or changed tasks, keeps existing priorities stable, and reorders the full list."));
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
    setInputs(m_inputs);
}

void AISortButton::setInputs(const Inputs& inputs)
{
    const bool resize = inputs.isSorting != m_inputs.isSorting
        || inputs.configuration.content.aiSortTitle != m_inputs.configuration.content.aiSortTitle
        || inputs.configuration.content.sortingStatusTitle != m_inputs.configuration.content.sortingStatusTitle;
    // Most panel updates change nothing here; a repaint would also repaint the surface below.
    const bool repaint = inputs.isSorting != m_inputs.isSorting || inputs.accentColor != m_inputs.accentColor
        || inputs.configuration != m_inputs.configuration;
    m_inputs = inputs;
    setConfiguration(inputs.configuration);
    setAccessibleName(inputs.configuration.content.aiSortTitle);
    setEnabled(!inputs.isSorting && inputs.hasCompletedOnboarding && inputs.aiTaskRankingEnabled);
    setToolTip(inputs.aiTaskRankingEnabled ? QString() : TaskSortingError::rankingTurnedOffMessage());
    if (resize)
        updateGeometry();
    updateSpinner();
    if (repaint)
        update();
}

QString AISortButton::title() const
{
    const auto& content = m_inputs.configuration.content;
    return m_inputs.isSorting ? content.sortingStatusTitle : content.aiSortTitle;
}

int AISortButton::leadingSpoke(double seconds)
{
    const double turns = seconds / turnSeconds;
    const double fraction = turns - std::floor(turns);
    return std::clamp(int(fraction * spokes), 0, spokes - 1);
}

QFont AISortButton::titleFont() const
{
    return TemplateStyle::font(NotchTemplateConfiguration::Font::system(
        m_inputs.configuration.layout.notchControlFontSize, NotchTemplateConfiguration::Font::Weight::Semibold,
        NotchTemplateConfiguration::Font::Design::Rounded));
}

QSizeF AISortButton::labelSize() const
{
    const double side = NotchSlotButtonStyle::labelSide(m_inputs.configuration.layout);
    const QFontMetricsF metrics(titleFont());
    const double text = std::ceil(metrics.horizontalAdvance(title()));
    return {side + labelSpacing + text, std::max(side, std::ceil(metrics.height()))};
}

void AISortButton::paintLabel(QPainter& painter, const QRectF& rect, const QColor& foreground)
{
    const auto& layout = m_inputs.configuration.layout;
    const double side = NotchSlotButtonStyle::labelSide(layout);
    const QRectF square(rect.left(), rect.center().y() - side / 2, side, side);
    if (m_inputs.isSorting) {
        const QColor tint = TemplateStyle::color(m_inputs.configuration.appearance.primaryTextColor);
        const int lead = leadingSpoke(m_clock());
        m_paintedSpoke = lead;
        const QPointF centre = square.center();
        const double outer = side / 2, inner = side / 4;
        painter.save();
        for (int i = 0; i < spokes; ++i) {
            // Spokes fade behind the leading one as it goes round.
            const int age = (lead - i + spokes) % spokes;
            QColor color = tint;
            color.setAlphaF(float(tint.alphaF() * (1.0 - 0.75 * age / double(spokes - 1))));
            painter.setPen(QPen(color, std::max(1.0, side / 9), Qt::SolidLine, Qt::RoundCap));
            const double angle = 2 * std::numbers::pi * i / spokes - std::numbers::pi / 2;
            painter.drawLine(centre + QPointF(std::cos(angle), std::sin(angle)) * inner,
                             centre + QPointF(std::cos(angle), std::sin(angle)) * outer);
        }
        painter.restore();
    } else {
        const double symbol = std::max(0.0, layout.notchControlSymbolSize);
        const QRectF symbolRect(square.center().x() - symbol / 2, square.center().y() - symbol / 2, symbol, symbol);
        SymbolPainter::paint(painter, QStringLiteral("sparkles"), symbolRect,
                             m_inputs.accentColor.value_or(foreground), QFont::DemiBold);
    }
    painter.setFont(titleFont());
    painter.setPen(foreground);
    const QRectF textRect(square.right() + labelSpacing, rect.top(), rect.right() - square.right() - labelSpacing,
                          rect.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title());
}

void AISortButton::updateSpinner()
{
    if (m_inputs.isSorting && isVisible())
        m_spinner.start();
    else
        m_spinner.stop();
}

void AISortButton::showEvent(QShowEvent* event)
{
    NotchSlotButton::showEvent(event);
    updateSpinner();
}

void AISortButton::hideEvent(QHideEvent* event)
{
    NotchSlotButton::hideEvent(event);
    m_spinner.stop();
}
