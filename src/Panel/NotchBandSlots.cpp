#include "Panel/NotchBandSlots.h"

#include <QtMath>

namespace {
QRect pixels(const Rect& rect)
{
    return QRectF(rect.x, rect.y, rect.width, rect.height).toAlignedRect();
}
} // namespace

NotchBandSlots::NotchBandSlots(QWidget* left, QWidget* right, QWidget* parent)
    : QWidget(parent), m_left(left), m_right(right)
{
    setAccessibleName(QStringLiteral("Notch header"));
    m_left->setParent(this);
    m_right->setParent(this);
}

void NotchBandSlots::setLayout(const NotchBandLayout& layout)
{
    m_layout = layout;
    resize(pixels({0, 0, layout.frame.width, layout.frame.height}).size());
    m_left->setGeometry(pixels(layout.leftSlotFrame));
    m_right->setGeometry(pixels(layout.rightSlotFrame));
}
