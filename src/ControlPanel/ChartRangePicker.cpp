#include "ControlPanel/ChartRangePicker.h"

#include "ControlPanel/CompletionChartModel.h"
#include "ControlPanel/ControlPanelStyle.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

using namespace ControlPanelStyle;

ChartRangePicker::ChartRangePicker(QWidget* parent) : QWidget(parent)
{
    setFixedWidth(186);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    // Before anything asks for this widget's accessible interface.
    exposeToScreenReaders();
    setAccessibleName(QStringLiteral("Range"));
}

int ChartRangePicker::paintedItemCount() const
{
    return int(CompletionChartRanges::allCases.size());
}

PaintedItem ChartRangePicker::paintedItem(int index) const
{
    const Range range = CompletionChartRanges::allCases.at(index);
    return {QAccessible::RadioButton, CompletionChartModel::pickerLabel(range), QString(), segmentRect(range),
            range == selectedRange()};
}

QSize ChartRangePicker::sizeHint() const
{
    return {186, 32};
}

void ChartRangePicker::setSelection(Binding<Range> selection)
{
    m_selection = std::move(selection);
    setAccessibleDescription(CompletionChartModel::pickerLabel(selectedRange()));
    update();
}

QRect ChartRangePicker::segmentRect(Range range) const
{
    const int index = static_cast<int>(range);
    const int count = static_cast<int>(CompletionChartRanges::allCases.size());
    const int left = 2 + (width() - 4) * index / count;
    const int right = 2 + (width() - 4) * (index + 1) / count;
    return {left, 2, right - left, height() - 4};
}

void ChartRangePicker::choose(Range range)
{
    m_selection.setValue(range);
    setAccessibleDescription(CompletionChartModel::pickerLabel(selectedRange()));
    update();
}

void ChartRangePicker::mousePressEvent(QMouseEvent* event)
{
    for (Range range : CompletionChartRanges::allCases) {
        if (segmentRect(range).contains(event->position().toPoint())) {
            choose(range);
            return;
        }
    }
}

void ChartRangePicker::keyPressEvent(QKeyEvent* event)
{
    const int index = static_cast<int>(selectedRange());
    const int last = static_cast<int>(CompletionChartRanges::allCases.size()) - 1;
    if (event->key() == Qt::Key_Left && index > 0)
        choose(static_cast<Range>(index - 1));
    else if (event->key() == Qt::Key_Right && index < last)
        choose(static_cast<Range>(index + 1));
    else
        QWidget::keyPressEvent(event);
}

void ChartRangePicker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(primary(colors, hasFocus() ? 0.3 : 0.1), 1));
    painter.setBrush(primary(colors, 0.06));
    painter.drawRoundedRect(track, 8, 8);
    painter.setFont(textFont(TextStyle::subheadline, QFont::Medium));
    for (Range range : CompletionChartRanges::allCases) {
        const QRect segment = segmentRect(range);
        if (range == selectedRange()) {
            paintShadow(painter, segment, 6, QColor::fromRgbF(0, 0, 0, 0.12f), 3, 1);
            painter.setPen(Qt::NoPen);
            painter.setBrush(isDark(colors) ? primary(colors, 0.22) : QColor(Qt::white));
            painter.drawRoundedRect(segment, 6, 6);
        }
        painter.setPen(range == selectedRange() ? primary(colors) : secondary(colors));
        painter.drawText(segment, Qt::AlignCenter, CompletionChartModel::pickerLabel(range));
    }
}
