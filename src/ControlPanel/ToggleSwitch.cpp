#include "ControlPanel/ToggleSwitch.h"

#include "ControlPanel/ControlPanelStyle.h"

#include <QPainter>

using namespace ControlPanelStyle;

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    return {38, 22};
}

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const double radius = track.height() / 2;
    painter.setPen(hasFocus() ? QPen(accent(colors, 0.6), 1.5) : QPen(primary(colors, 0.12), 0.8));
    painter.setBrush(isChecked() ? accent(colors) : primary(colors, 0.14));
    painter.drawRoundedRect(track, radius, radius);
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    paintShadow(painter, QRectF(x, track.top() + 2, knob, knob), knob / 2, QColor::fromRgbF(0, 0, 0, 0.2f), 2, 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}
