#include "ControlPanel/SidebarListRow.h"

#include "ControlPanel/ControlPanelStyle.h"

#include <QFontMetrics>
#include <QPainter>

using namespace ControlPanelStyle;

SidebarListRow::SidebarListRow(ControlPanelDestination destination, QWidget* parent)
    : QAbstractButton(parent), m_destination(destination)
{
    setCheckable(true);
    setAutoExclusive(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setAccessibleName(title(destination));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QString SidebarListRow::title(ControlPanelDestination destination)
{
    switch (destination) {
    case ControlPanelDestination::overview:
        return QStringLiteral("Overview");
    case ControlPanelDestination::completed:
        return QStringLiteral("History");
    case ControlPanelDestination::settings:
        return QStringLiteral("Settings");
    }
    return {};
}

QString SidebarListRow::symbol(ControlPanelDestination destination)
{
    switch (destination) {
    case ControlPanelDestination::overview:
        return QStringLiteral("square.grid.2x2");
    case ControlPanelDestination::completed:
        return QStringLiteral("clock");
    case ControlPanelDestination::settings:
        return QStringLiteral("gearshape");
    }
    return {};
}

QSize SidebarListRow::sizeHint() const
{
    return {220, QFontMetrics(textFont(TextStyle::body)).height() + 2 * 6 + 8};
}

void SidebarListRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    const QRectF bounds = QRectF(rect()).adjusted(0, 1, 0, -1);
    if (isChecked()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(primary(colors, isDark(colors) ? 0.14 : 0.09));
        painter.drawRoundedRect(bounds, 7, 7);
    } else if (underMouse() || hasFocus()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(primary(colors, 0.04));
        painter.drawRoundedRect(bounds, 7, 7);
    }
    const double x = 10;
    paintSymbol(painter, symbol(m_destination), QRectF(x, (height() - 18) / 2.0, 18, 18), secondary(colors), 15);
    painter.setFont(textFont(TextStyle::body));
    painter.setPen(primary(colors));
    const QRectF text(x + 18 + 10, 0, width() - x - 28 - 8, height());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(painter.font()).elidedText(title(m_destination), Qt::ElideRight, static_cast<int>(text.width())));
}
