#pragma once

#include "ControlPanel/ControlPanelViewModel.h"
#include "ControlPanel/PaintedItemsAccessible.h"
#include "UI/Binding.h"

#include <QWidget>
#include <functional>

// The segmented 7D / 30D / 90D control above the completion chart.
class ChartRangePicker final : public QWidget, public PaintedItemsSource {
    Q_OBJECT
public:
    using Range = ControlPanelViewModel::CompletionChartRange;

    explicit ChartRangePicker(QWidget* parent = nullptr);

    // The range is the parent's; choosing a segment writes it.
    void setSelection(Binding<Range> selection);
    Range selectedRange() const { return m_selection.value(); }

    QRect segmentRect(Range range) const;
    QSize sizeHint() const override;

    // For screen readers: the segments, the selected one checked.
    int paintedItemCount() const override;
    PaintedItem paintedItem(int index) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(Range range);

    Binding<Range> m_selection = Binding<Range>::stored(Range::sevenDays);
};
