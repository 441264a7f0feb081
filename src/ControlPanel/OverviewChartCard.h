#pragma once

#include "ControlPanel/CompletionChartModel.h"
#include "ControlPanel/SurfaceCard.h"
#include "UI/Binding.h"
#include "UI/Motion.h"

#include <QChartView>
#include <functional>
#include <optional>

class ChartRangePicker;
class ChartTooltip;
class LocalCalendar;
class QAreaSeries;
class QCategoryAxis;
class QLabel;
class QLineSeries;
class PointMarksItem;

// The completion chart's plot: a curved area and line through the days, one
// dot per day, and, for the day under the pointer, a dashed rule and a tooltip.
class CompletionChartView final : public QChartView {
    Q_OBJECT
public:
    // A day's dot as drawn: centre in this view's coordinates, diameter, colour.
    struct PointMark {
        QPointF centre;
        double diameter = 0;
        QColor color;
    };

    CompletionChartView(const LocalCalendar& calendar, QWidget* parent = nullptr);
    ~CompletionChartView() override;
    void setReduceMotion(bool reduceMotion) { m_reduceMotion = reduceMotion; }

    void setModel(const CompletionChartModel& model);
    const CompletionChartModel& model() const { return m_model; }

    // The hovered day, kept across new points while a point has its date.
    std::optional<Date> hoveredPointID() const { return m_hoveredPointID; }
    std::optional<qsizetype> hoveredIndex() const;
    // Hover at a position in this view's coordinates; none clears it.
    void hoverAt(std::optional<QPointF> position);
    // Where a day's dot is drawn, in this view's coordinates.
    QPointF positionOf(qsizetype index) const;
    // Every day's dot, oldest first.
    QList<PointMark> pointMarks() const;
    QRectF plotRect() const;
    ChartTooltip* tooltip() const { return m_tooltip; }
    // The date labels shown, in order.
    QStringList xAxisLabels() const;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuildSeries();
    void applyHover();
    void applyColors();
    void keepAxisLabelsWhole();
    void spaceXAxisLabels();
    void describe();

    const LocalCalendar& m_calendar;
    CompletionChartModel m_model{{}, ControlPanelViewModel::CompletionChartRange::sevenDays};
    std::optional<Date> m_hoveredPointID;
    // Every date the x axis may label, oldest first, with its label; the ones
    // shown are those that keep clear of each other at the plot's width.
    QList<std::pair<double, QString>> m_xAxisCandidates;
    QLineSeries* m_areaUpper;
    QAreaSeries* m_area;
    QLineSeries* m_line;
    PointMarksItem* m_marks;
    QLineSeries* m_rule;
    QCategoryAxis* m_xAxis;
    QCategoryAxis* m_yAxis;
    ChartTooltip* m_tooltip;
    bool m_reduceMotion = false;
    Motion::Value m_tooltipPresence{0};
    Motion::Animator m_animator;
};

// The overview's card with the completion chart, its summary and its range picker.
class OverviewChartCard final : public SurfaceCard {
    Q_OBJECT
public:
    using Range = ControlPanelViewModel::CompletionChartRange;

    OverviewChartCard(const LocalCalendar& calendar, QWidget* parent = nullptr);

    // The points of the selected range; the picker writes the range through the binding.
    void setInputs(QList<ProductInsights::DailyCompletionPoint> points, const Binding<Range>& selectedRange);

    CompletionChartView* chartView() const { return m_chart; }
    ChartRangePicker* rangePicker() const { return m_picker; }
    QLabel* summaryLabel() const { return m_summary; }

private:
    const LocalCalendar& m_calendar;
    QLabel* m_summary;
    ChartRangePicker* m_picker;
    CompletionChartView* m_chart;
};
