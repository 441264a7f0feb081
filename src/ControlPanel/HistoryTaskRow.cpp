#include "ControlPanel/HistoryTaskRow.h"

#include "ControlPanel/ControlPanelStyle.h"
#include "Platform/Text.h"

#include <QFontMetrics>
#include <QPainter>

using namespace ControlPanelStyle;

namespace {
constexpr int horizontalPadding = 14;
constexpr int verticalPadding = 7;
constexpr double hoverRadius = 12;
} // namespace

int HistoryTaskRow::height()
{
    const int text = QFontMetrics(textFont(TextStyle::body, QFont::Medium)).height() + 1
                     + QFontMetrics(textFont(TextStyle::caption)).height();
    return std::max(minimumHeight, text + 2 * verticalPadding);
}

void HistoryTaskRow::appear(double now, bool reduceMotion)
{
    // Only ever from hidden to shown, once per row.
    if (hasAppeared)
        return;
    hasAppeared = true;
    if (reduceMotion)
        appearance.jumpTo(1);
    else
        appearance.setTarget(1, Motion::Animation::spring(0.34, 0.86), now);
}

void HistoryTaskRow::setHovered(bool hovered, double now, bool reduceMotion)
{
    if (isHovered == hovered)
        return;
    isHovered = hovered;
    hover.setTarget(hovered ? 1 : 0,
                    reduceMotion ? Motion::Animation::immediate() : Motion::Animation::timed(Motion::Curve::EaseOut, 0.18),
                    now);
}

void HistoryTaskRow::paint(QPainter& painter, const QRectF& rect, const QPalette& palette, double now)
{
    const double shown = std::clamp(appearance.value(now), 0.0, 1.2);
    const double hovering = std::clamp(hover.value(now), 0.0, 1.0);
    if (shown <= 0)
        return;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(std::min(1.0, shown));
    painter.translate(0, 6.0 * (1.0 - shown));
    const bool dark = isDark(palette);

    if (hovering > 0) {
        const double scale = 1.0 + 0.003 * hovering;
        painter.translate(rect.center());
        painter.scale(scale, scale);
        painter.translate(-rect.center());
        QColor shadow(0, 0, 0);
        shadow.setAlphaF(static_cast<float>((dark ? 0.14 : 0.06) * hovering));
        paintShadow(painter, rect.adjusted(2, 1, -2, -3), hoverRadius, shadow, 6, 2);
        // The thin material: a veil of the text colour over the card.
        painter.setBrush(dark ? primary(palette, 0.07 * hovering) : QColor::fromRgbF(0.97f, 0.97f, 0.975f, static_cast<float>(hovering)));
        painter.setPen(QPen(primary(palette, (dark ? 0.08 : 0.07) * hovering), 0.8));
        painter.drawRoundedRect(rect, hoverRadius, hoverRadius);
    }

    double x = rect.left() + horizontalPadding;
    paintSymbol(painter, QStringLiteral("checkmark.circle"), QRectF(x, rect.center().y() - 12, 26, 24),
                secondary(palette, dark ? 0.72 : 0.62), 21, QFont::Light);
    x += 26 + 12;

    const QFont trailingFont = textFont(TextStyle::caption);
    const QFontMetrics trailingMetrics(trailingFont);
    const int trailingWidth = trailingMetrics.horizontalAdvance(trailingText);
    const double trailingLeft = rect.right() - horizontalPadding - 2 - trailingWidth;
    painter.setFont(trailingFont);
    painter.setPen(secondary(palette));
    painter.drawText(QRectF(trailingLeft, rect.top(), trailingWidth, rect.height()), Qt::AlignVCenter | Qt::AlignLeft,
                     trailingText);

    // Titles are the user's text: drawn as plain text, cut to one line.
    const QFont titleFont = textFont(TextStyle::body, QFont::Medium);
    const QFont subtitleFont = textFont(TextStyle::caption);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics subtitleMetrics(subtitleFont);
    const int textWidth = std::max(0, static_cast<int>(trailingLeft - 12 - x));
    const int blockHeight = titleMetrics.height() + 1 + subtitleMetrics.height();
    const double top = rect.top() + (rect.height() - blockHeight) / 2;
    painter.setFont(titleFont);
    painter.setPen(primary(palette, dark ? 0.84 : 0.8));
    painter.drawText(QRectF(x, top, textWidth, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(Text::displayPrefix(title).replace(u'\n', u' '), Qt::ElideRight,
                                             textWidth));
    painter.setFont(subtitleFont);
    painter.setPen(secondary(palette, 0.82));
    painter.drawText(QRectF(x, top + titleMetrics.height() + 1, textWidth, subtitleMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     subtitleMetrics.elidedText(Text::displayPrefix(subtitle).replace(u'\n', u' '), Qt::ElideRight,
                                                textWidth));
    painter.restore();
}
