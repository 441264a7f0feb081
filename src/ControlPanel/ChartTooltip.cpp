#include "ControlPanel/ChartTooltip.h"

#include "ControlPanel/ControlPanelStyle.h"

#include <QFontMetrics>
#include <QPainter>

using namespace ControlPanelStyle;

namespace {
constexpr int horizontalPadding = 14;
constexpr int verticalPadding = 12;
constexpr int spacing = 6;
constexpr int shadowRoom = 8;
} // namespace

ChartTooltip::ChartTooltip(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ChartTooltip::setContent(const QString& dateText, const QString& countText, const std::optional<QString>& insight)
{
    m_dateText = dateText;
    m_countText = countText;
    m_insight = insight;
    setAccessibleName(countText);
    setAccessibleDescription(insight ? QStringLiteral("%1. %2").arg(dateText, *insight) : dateText);
    resize(sizeHint());
    update();
}

QMargins ChartTooltip::cardMargins()
{
    // The shadow falls a little below the card.
    return {shadowRoom, shadowRoom - 2, shadowRoom, shadowRoom + 2};
}

QSize ChartTooltip::sizeHint() const
{
    const QFontMetrics caption(textFont(TextStyle::caption));
    const QFontMetrics headline(textFont(TextStyle::headline));
    int width = std::max(caption.horizontalAdvance(m_dateText), headline.horizontalAdvance(m_countText));
    int height = caption.height() + spacing + headline.height();
    if (m_insight) {
        width = std::max(width, caption.height() + 6 + caption.horizontalAdvance(*m_insight));
        height += spacing + caption.height();
    }
    return {width + 2 * horizontalPadding + 2 * shadowRoom, height + 2 * verticalPadding + 2 * shadowRoom};
}

void ChartTooltip::setPresence(double presence)
{
    presence = std::clamp(presence, 0.0, 1.0);
    if (presence == m_presence)
        return;
    m_presence = presence;
    update();
}

void ChartTooltip::paintEvent(QPaintEvent*)
{
    if (m_presence <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_presence);
    const double scale = 0.96 + 0.04 * m_presence;
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
    const QPalette& colors = palette();
    const QRectF card = QRectF(rect()).marginsRemoved(cardMargins());
    paintShadow(painter, card, 14, QColor::fromRgbF(0, 0, 0, 0.06f), 8, 3);
    QColor fill = controlBackground(colors);
    fill.setAlphaF(0.96f);
    painter.setBrush(fill);
    painter.setPen(QPen(primary(colors, 0.08), 0.8));
    painter.drawRoundedRect(card, 14, 14);

    const QFont captionFont = textFont(TextStyle::caption);
    const QFont headlineFont = textFont(TextStyle::headline);
    const QFontMetrics caption(captionFont);
    const QFontMetrics headline(headlineFont);
    double y = card.top() + verticalPadding;
    const double x = card.left() + horizontalPadding;
    painter.setFont(captionFont);
    painter.setPen(secondary(colors));
    painter.drawText(QPointF(x, y + caption.ascent()), m_dateText);
    y += caption.height() + spacing;
    painter.setFont(headlineFont);
    painter.setPen(primary(colors));
    painter.drawText(QPointF(x, y + headline.ascent()), m_countText);
    y += headline.height() + spacing;
    if (m_insight) {
        paintSymbol(painter, QStringLiteral("sparkle"), QRectF(x, y, caption.height(), caption.height()),
                    secondary(colors), 11);
        painter.setFont(captionFont);
        painter.setPen(secondary(colors));
        painter.drawText(QPointF(x + caption.height() + 6, y + caption.ascent()), *m_insight);
    }
}
