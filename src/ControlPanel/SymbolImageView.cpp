#include "ControlPanel/SymbolImageView.h"

#include "ControlPanel/ControlPanelStyle.h"

#include <QPainter>

SymbolImageView::SymbolImageView(QString name, double pointSize, QSize frame, ColorFunction color, QWidget* parent,
                                 QFont::Weight weight)
    : QWidget(parent), m_name(std::move(name)), m_pointSize(pointSize), m_color(std::move(color)), m_weight(weight)
{
    setFixedSize(frame);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const double side = std::min<double>(m_pointSize * 1.2, std::min(width(), height()));
    const QRectF box((width() - side) / 2, (height() - side) / 2, side, side);
    ControlPanelStyle::paintSymbol(painter, m_name, box, m_color(palette()), m_pointSize, m_weight);
}
