#include "ControlPanel/SurfaceCard.h"

#include "ControlPanel/ControlPanelStyle.h"

#include <QPainter>

using namespace ControlPanelStyle;

SurfaceCard::SurfaceCard(QWidget* parent) : QWidget(parent), m_content(new QVBoxLayout(this))
{
    m_content->setContentsMargins(shadowMargin + 28, shadowMargin / 2 + 28, shadowMargin + 28,
                                  shadowMargin + shadowMargin / 2 + 28);
}

QRectF SurfaceCard::cardRect() const
{
    return QRectF(rect()).adjusted(shadowMargin, shadowMargin / 2.0, -shadowMargin, -(shadowMargin * 1.5));
}

void SurfaceCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colors = palette();
    paintCard(painter, cardRect(), controlBackground(colors), primary(colors, 0.08), cardShadowColor(colors), 14, 4);
}
