#include "ControlPanel/OverviewActionRow.h"

#include "ControlPanel/ControlPanelStyle.h"
#include "ControlPanel/GroupedCard.h"
#include "ControlPanel/OutlineStatusBadge.h"

#include <QFontMetrics>
#include <QPainter>

using namespace ControlPanelStyle;

namespace {
constexpr int rowHeight = 68;
constexpr int padding = 24;
constexpr int chevronWidth = 8 + 10;
} // namespace

OverviewActionRow::OverviewActionRow(Inputs inputs, std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), m_inputs(std::move(inputs))
{
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(m_inputs.title);
    setAccessibleDescription(m_inputs.subtitle);
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action)
            action();
    });
}

void OverviewActionRow::setInputs(const Inputs& inputs)
{
    m_inputs = inputs;
    setAccessibleName(inputs.title);
    setAccessibleDescription(inputs.subtitle);
    update();
}

QSize OverviewActionRow::sizeHint() const
{
    return {480, rowHeight};
}

QRect OverviewActionRow::badgeRect() const
{
    if (!m_inputs.badgeTitle)
        return {};
    const QSize size = OutlineStatusBadge::sizeFor(*m_inputs.badgeTitle);
    const int right = width() - padding - chevronWidth;
    return {right - size.width(), (height() - size.height()) / 2, size.width(), size.height()};
}

void OverviewActionRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    if (m_isHovered || hasFocus()) {
        painter.save();
        if (const auto* card = qobject_cast<const GroupedCard*>(parentWidget()))
            painter.setClipPath(card->cardShapeFor(this));
        painter.fillRect(rect(), primary(colors, 0.035));
        painter.restore();
    }

    int x = padding;
    paintSymbol(painter, m_inputs.systemImage, QRectF(x, (height() - 22) / 2.0, 22, 22), secondary(colors), 17);
    x += 22 + 16;

    const QRect badge = badgeRect();
    const int textRight = (badge.isNull() ? width() - padding - chevronWidth : badge.left()) - 16;
    const QFont titleFont = textFont(TextStyle::headline);
    const QFont subtitleFont = textFont(TextStyle::subheadline);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics subtitleMetrics(subtitleFont);
    const int textWidth = std::max(0, textRight - x);
    const int blockHeight = titleMetrics.height() + 4 + subtitleMetrics.height();
    const int top = (height() - blockHeight) / 2;
    painter.setFont(titleFont);
    painter.setPen(primary(colors));
    painter.drawText(QRect(x, top, textWidth, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(m_inputs.title, Qt::ElideRight, textWidth));
    painter.setFont(subtitleFont);
    painter.setPen(secondary(colors));
    painter.drawText(QRect(x, top + titleMetrics.height() + 4, textWidth, subtitleMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     subtitleMetrics.elidedText(m_inputs.subtitle, Qt::ElideRight, textWidth));

    if (m_inputs.badgeTitle)
        OutlineStatusBadge::paint(painter, badge, *m_inputs.badgeTitle, m_inputs.badgeTint, colors);

    paintSymbol(painter, QStringLiteral("chevron.right"),
                QRectF(width() - padding - 10, (height() - 13) / 2.0, 10, 13), tertiary(colors), 13, QFont::DemiBold);

    if (m_inputs.showsDivider) {
        painter.setPen(QPen(primary(colors, 0.1), 1));
        painter.drawLine(QPointF(66, height() - 0.5), QPointF(width(), height() - 0.5));
    }
}

void OverviewActionRow::enterEvent(QEnterEvent* event)
{
    m_isHovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void OverviewActionRow::leaveEvent(QEvent* event)
{
    m_isHovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}
