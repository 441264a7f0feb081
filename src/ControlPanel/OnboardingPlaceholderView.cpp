#include "ControlPanel/OnboardingPlaceholderView.h"

#include "UI/SymbolPainter.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {
constexpr double spacing = 14;
constexpr double textMaximumWidth = 420;
constexpr double padding = 32;
constexpr double symbolSize = 28;
} // namespace

OnboardingPlaceholderView::OnboardingPlaceholderView(const QString& title, const QString& message, QWidget* parent)
    : QWidget(parent), m_title(title), m_message(message)
{
    setAccessibleName(title);
    setAccessibleDescription(message);
    // It fills itself, standing in for a video: nothing under it needs drawing.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void OnboardingPlaceholderView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = palette().color(QPalette::Window).lightnessF() < 0.5;
    painter.fillRect(rect(), dark ? Qt::black : Qt::white);

    const QColor primary = dark ? QColor(255, 255, 255, 235) : QColor(0, 0, 0, 220);
    const QColor secondary = dark ? QColor(255, 255, 255, 140) : QColor(0, 0, 0, 128);
    QFont titleFont = font();
    titleFont.setPixelSize(20);
    titleFont.setWeight(QFont::DemiBold);
    QFont bodyFont = font();
    bodyFont.setPixelSize(13);

    const double width = std::max(0.0, std::min(textMaximumWidth, this->width() - 2 * padding));
    const int flags = Qt::AlignHCenter | Qt::TextWordWrap;
    const QRectF titleBox = QFontMetricsF(titleFont).boundingRect(QRectF(0, 0, width, 1e6), flags, m_title);
    const QRectF bodyBox = QFontMetricsF(bodyFont).boundingRect(QRectF(0, 0, width, 1e6), flags, m_message);
    const double total = symbolSize + spacing + titleBox.height() + spacing + bodyBox.height();
    double y = (height() - total) / 2;
    const double left = (this->width() - width) / 2;

    SymbolPainter::paint(painter, QStringLiteral("photo"),
                         QRectF(this->width() / 2.0 - symbolSize / 2, y, symbolSize, symbolSize), secondary);
    y += symbolSize + spacing;
    painter.setPen(primary);
    painter.setFont(titleFont);
    painter.drawText(QRectF(left, y, width, titleBox.height()), flags, m_title);
    y += titleBox.height() + spacing;
    painter.setPen(secondary);
    painter.setFont(bodyFont);
    painter.drawText(QRectF(left, y, width, bodyBox.height()), flags, m_message);
}
