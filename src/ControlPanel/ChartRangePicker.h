#pragma once

#include "ControlPanel/ControlPanelViewModel.h"

#include <QWidget>
#include <functional>

// The segmented 7D / 30D / 90D control above the completion chart.
class ChartRangePicker final : public QWidget {
    Q_OBJECT
public:
    using Range = ControlPanelViewModel::CompletionChartRange;

    explicit ChartRangePicker(QWidget* parent = nullptr);

    Range selectedRange() const { return m_selected; }
    void setSelectedRange(Range range);
    std::function<void(Range)> onSelect;

    QRect segmentRect(Range range) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(Range range);

    Range m_selected = Range::sevenDays;
};
