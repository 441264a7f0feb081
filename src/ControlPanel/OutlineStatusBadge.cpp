#include "ControlPanel/OutlineStatusBadge.h"

#include "ControlPanel/ControlPanelStyle.h"

#include <QFontMetrics>
#include <QPainter>

using namespace ControlPanelStyle;

namespace {
QFont badgeFont()
{
    return textFont(TextStyle::subheadline, QFont::Medium);
}
} // namespace

OutlineStatusBadge::OutlineStatusBadge(QString title, ControlPanelStatusTint tint, QWidget* parent)
    : QWidget(parent), m_title(std::move(title)), m_tint(tint)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(m_title);
}

void OutlineStatusBadge::setTitle(const QString& title, ControlPanelStatusTint tint)
{
    m_title = title;
    m_tint = tint;
    setAccessibleName(title);
    updateGeometry();
    update();
}

QSize OutlineStatusBadge::sizeFor(const QString& title)
{
    const QFontMetrics metrics(badgeFont());
    return {metrics.horizontalAdvance(title) + 28, metrics.height() + 16};
}

QSize OutlineStatusBadge::sizeHint() const
{
    return sizeFor(m_title);
}

void OutlineStatusBadge::paint(QPainter& painter, const QRectF& rect, const QString& title,
                               ControlPanelStatusTint tint, const QPalette& palette)
{
    const TintColors colors = ControlPanelStyle::tint(tint, palette);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = rect.height() / 2;
    painter.setPen(QPen(colors.stroke, 0.8));
    painter.setBrush(colors.fill);
    painter.drawRoundedRect(rect.adjusted(0.4, 0.4, -0.4, -0.4), radius, radius);
    painter.setFont(badgeFont());
    painter.setPen(colors.text);
    painter.drawText(rect, Qt::AlignCenter, title);
    painter.restore();
}

void OutlineStatusBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, rect(), m_title, m_tint, palette());
}
