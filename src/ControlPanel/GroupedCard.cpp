#include "ControlPanel/GroupedCard.h"

#include "ControlPanel/ControlPanelStyle.h"

#include <QPainter>

using namespace ControlPanelStyle;

GroupedCard::GroupedCard(Look look, QWidget* parent) : QWidget(parent), m_look(look), m_rows(new QVBoxLayout(this))
{
    const int inset = look == Look::history ? 10 : 0;
    m_rows->setContentsMargins(shadowMargin + inset, shadowMargin / 2 + inset, shadowMargin + inset,
                               shadowMargin + shadowMargin / 2 + inset);
    m_rows->setSpacing(look == Look::history ? 6 : 0);
}

QRectF GroupedCard::cardRect() const
{
    return QRectF(rect()).adjusted(shadowMargin, shadowMargin / 2.0, -shadowMargin, -(shadowMargin * 1.5));
}

QPainterPath GroupedCard::cardShape() const
{
    QPainterPath path;
    path.addRoundedRect(cardRect(), cardRadius, cardRadius);
    return path;
}

QPainterPath GroupedCard::cardShapeFor(const QWidget* child) const
{
    return cardShape().translated(-QPointF(child->mapTo(this, QPoint(0, 0))));
}

void GroupedCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colors = palette();
    if (m_look == Look::history) {
        const bool dark = isDark(colors);
        const QColor fill = dark ? controlBackground(colors).lighter(108) : QColor(Qt::white);
        paintCard(painter, cardRect(), fill, primary(colors, dark ? 0.06 : 0.08), cardShadowColor(colors), 12, 3);
    } else {
        paintCard(painter, cardRect(), controlBackground(colors), primary(colors, 0.08), cardShadowColor(colors), 14, 4);
    }
}
