#pragma once

#include "ControlPanel/ControlPanelViewModel.h"

#include <QList>
#include <QString>
#include <optional>

class LocalCalendar;

// What the completion chart shows for a list of daily points: axes, summary,
// tooltip texts and the hover pick. Independent of any drawing.
class CompletionChartModel {
public:
    using Point = ProductInsights::DailyCompletionPoint;
    using Range = ControlPanelViewModel::CompletionChartRange;

    struct PointStyle {
        double symbolSize = 0;
        double opacity = 1;
        friend bool operator==(const PointStyle&, const PointStyle&) = default;
    };

    CompletionChartModel(QList<Point> points, Range range);

    const QList<Point>& points() const { return m_points; }
    Range range() const { return m_range; }

    static QString pickerLabel(Range range);
    static int labelStride(Range range);

    qint64 yAxisUpperBound() const;
    QList<qint64> yAxisValues() const;
    // Indices of the labelled points: every stride-th and the last.
    QList<qsizetype> xAxisIndices() const;
    std::optional<qsizetype> mostProductiveIndex() const;
    QString summaryText(const LocalCalendar& calendar) const;
    std::optional<QString> tooltipInsight(qsizetype index) const;
    static QString countText(qint64 count);

    // The point nearest in time; a tie keeps the earlier one.
    std::optional<qsizetype> nearestIndex(Date date) const;
    // The hovered point's neighbours are the adjacent days by position, so a
    // 25-hour day does not lose its neighbour.
    PointStyle pointStyle(qsizetype index, std::optional<qsizetype> hoveredIndex) const;

private:
    QList<Point> m_points;
    Range m_range;
};
