#include "ControlPanel/OverviewMetricCard.h"

#include "ControlPanel/ControlPanelStyle.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

using namespace ControlPanelStyle;

namespace {
QFont valueFont()
{
    return systemFont(36, QFont::Normal);
}

QColor white(double opacity)
{
    return QColor::fromRgbF(1, 1, 1, static_cast<float>(opacity));
}
} // namespace

OverviewMetricCard::OverviewMetricCard(Inputs inputs, QWidget* parent) : QWidget(parent), m_inputs(std::move(inputs))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(m_inputs.subtitle);
    describe();
}

void OverviewMetricCard::describe()
{
    // The value, then the tile's title when it has one.
    setAccessibleDescription(m_inputs.title ? QStringLiteral("%1, %2").arg(m_inputs.value, *m_inputs.title)
                                            : m_inputs.value);
}

void OverviewMetricCard::setValue(const QString& value)
{
    if (m_inputs.value == value)
        return;
    m_inputs.value = value;
    describe();
    update();
}

QSize OverviewMetricCard::sizeHint() const
{
    const int content = QFontMetrics(valueFont()).height()
                        + (m_inputs.title ? QFontMetrics(textFont(TextStyle::subheadline)).height() + 1 : 0);
    return {400, std::max(92, content + 32)};
}

QSize OverviewMetricCard::minimumSizeHint() const
{
    return {280, sizeHint().height()};
}

void OverviewMetricCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.4, 0.4, -0.4, -0.4);
    const bool completed = m_inputs.accentStyle == AccentStyle::completed;
    QLinearGradient gradient(bounds.topLeft() + QPointF(bounds.width() / 2, 0), bounds.bottomRight());
    gradient.setColorAt(0, completed ? QColor::fromRgbF(0.42f, 0.66f, 0.95f) : QColor::fromRgbF(0.91f, 0.50f, 0.50f));
    gradient.setColorAt(1, completed ? QColor::fromRgbF(0.25f, 0.40f, 0.65f) : QColor::fromRgbF(0.76f, 0.37f, 0.37f));
    painter.setBrush(gradient);
    painter.setPen(QPen(white(0.16), 0.8));
    painter.drawRoundedRect(bounds, cardRadius, cardRadius);

    int x = 22;
    paintSymbol(painter, m_inputs.systemImage, QRectF(x, (height() - 34) / 2.0, 34, 34), white(0.96), 24,
                QFont::ExtraLight);
    x += 34 + 14;

    const QFont number = valueFont();
    const QFont caption = textFont(TextStyle::subheadline);
    const QFontMetrics numberMetrics(number);
    const QFontMetrics captionMetrics(caption);
    const int titleHeight = m_inputs.title ? captionMetrics.height() + 1 : 0;
    const int top = (height() - titleHeight - numberMetrics.height()) / 2;
    if (m_inputs.title) {
        painter.setFont(caption);
        painter.setPen(white(0.82));
        painter.drawText(QPointF(x, top + captionMetrics.ascent()), *m_inputs.title);
    }
    // Value and caption share the last baseline.
    const double baseline = top + titleHeight + numberMetrics.ascent();
    painter.setFont(number);
    painter.setPen(white(1));
    painter.drawText(QPointF(x, baseline), m_inputs.value);
    painter.setFont(caption);
    painter.setPen(white(0.88));
    painter.drawText(QPointF(x + numberMetrics.horizontalAdvance(m_inputs.value) + 10, baseline), m_inputs.subtitle);
}
