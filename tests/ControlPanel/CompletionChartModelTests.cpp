#include "ControlPanelFixture.h"

#include "ControlPanel/ChartTooltip.h"
#include "ControlPanel/CompletionChartModel.h"
#include "ControlPanel/OverviewChartCard.h"

#include <QCoreApplication>
#include <QLineSeries>
#include <gtest/gtest.h>

namespace {
using Range = ControlPanelViewModel::CompletionChartRange;
using Point = ProductInsights::DailyCompletionPoint;

QList<Point> pointsWithCounts(const QList<qint64>& counts, Date start = Date{0})
{
    QList<Point> points;
    for (qsizetype i = 0; i < counts.size(); ++i)
        points.append({start.addingSeconds(86400.0 * static_cast<double>(i)), counts[i]});
    return points;
}
} // namespace

TEST(CompletionChartModel, YAxisNeverBelowFourAndDropsRepeats)
{
    const std::pair<QList<qint64>, QList<qint64>> cases[] = {
        {{}, {0, 2, 4}},       {{0, 0}, {0, 2, 4}}, {{1, 3}, {0, 2, 4}},     {{5}, {0, 3, 5}},
        {{9, 2}, {0, 5, 9}},   {{6}, {0, 3, 6}},    {{7}, {0, 4, 7}},
    };
    for (const auto& [counts, expected] : cases)
        EXPECT_EQ(CompletionChartModel(pointsWithCounts(counts), Range::sevenDays).yAxisValues(), expected);
}

TEST(CompletionChartModel, XAxisLabelsEveryStrideAndTheLastPoint)
{
    const std::tuple<Range, int, QList<qsizetype>> cases[] = {
        {Range::sevenDays, 7, {0, 1, 2, 3, 4, 5, 6}},
        {Range::thirtyDays, 30, {0, 5, 10, 15, 20, 25, 29}},
        {Range::ninetyDays, 90, {0, 14, 28, 42, 56, 70, 84, 89}},
        {Range::thirtyDays, 0, {}},
    };
    for (const auto& [range, days, expected] : cases)
        EXPECT_EQ(CompletionChartModel(pointsWithCounts(QList<qint64>(days, 0)), range).xAxisIndices(), expected);
}

TEST(CompletionChartModel, SummaryAndInsightNameTheLaterOfTiedDays)
{
    LocalCalendar calendar(QStringLiteral("America/New_York"), QStringLiteral("en_US"));
    const Date march1 = localDate("America/New_York", 2026, 3, 1);

    CompletionChartModel tied(pointsWithCounts({0, 3, 1, 3, 0}, march1), Range::sevenDays);
    EXPECT_EQ(tied.summaryText(calendar), "Most productive day: Mar 4");
    EXPECT_EQ(tied.tooltipInsight(1), std::nullopt);
    EXPECT_EQ(tied.tooltipInsight(3), "Most productive day this week");
    EXPECT_EQ(CompletionChartModel(pointsWithCounts({0, 2}, march1), Range::ninetyDays).tooltipInsight(1),
              "Most productive day this period");

    for (const QList<qint64>& counts : {QList<qint64>{}, QList<qint64>{0, 0, 0}}) {
        CompletionChartModel none(pointsWithCounts(counts, march1), Range::thirtyDays);
        EXPECT_EQ(none.summaryText(calendar), "Most productive day: No completed tasks yet");
        for (qsizetype i = 0; i < counts.size(); ++i)
            EXPECT_EQ(none.tooltipInsight(i), std::nullopt);
    }
}

TEST(CompletionChartModel, TooltipCountIsSingularOnlyForOne)
{
    EXPECT_EQ(CompletionChartModel::countText(0), "0 Tasks Completed");
    EXPECT_EQ(CompletionChartModel::countText(1), "1 Task Completed");
    EXPECT_EQ(CompletionChartModel::countText(3), "3 Tasks Completed");
}

TEST(CompletionChartModel, HoverPicksTheNearestDayAndTiesKeepTheEarlier)
{
    CompletionChartModel model(pointsWithCounts({1, 2, 3}), Range::sevenDays);
    EXPECT_EQ(model.nearestIndex(Date{43200}), 0);
    EXPECT_EQ(model.nearestIndex(Date{43201}), 1);
    EXPECT_EQ(model.nearestIndex(Date{-1e6}), 0);
    EXPECT_EQ(model.nearestIndex(Date{1e7}), 2);
    EXPECT_EQ(CompletionChartModel({}, Range::sevenDays).nearestIndex(Date{0}), std::nullopt);
}

TEST(CompletionChartModel, PointStylesFollowTheHoveredDayByPosition)
{
    // The second day lasts 25 hours: its neighbour is still the adjacent point.
    QList<Point> points = pointsWithCounts({0, 2, 0, 1, 0});
    for (qsizetype i = 2; i < points.size(); ++i)
        points[i].date = points[i].date.addingSeconds(3600);
    CompletionChartModel model(points, Range::sevenDays);
    using Style = CompletionChartModel::PointStyle;
    const std::tuple<qsizetype, std::optional<qsizetype>, Style> cases[] = {
        {1, std::nullopt, {24, 0.82}}, {0, std::nullopt, {14, 0.58}}, {1, 1, {80, 1.0}},
        {2, 1, {26, 0.62}},            {0, 1, {26, 0.62}},            {3, 1, {18, 0.34}},
        {4, 1, {12, 0.34}},
    };
    for (const auto& [index, hovered, expected] : cases)
        EXPECT_EQ(model.pointStyle(index, hovered), expected) << index;
}

TEST(CompletionChartView, HoverHighlightsTheNearestDayAndTheAxisLabelsClearIt)
{
    LocalCalendar calendar(QStringLiteral("America/New_York"), QStringLiteral("en_US"));
    CompletionChartView view(calendar);
    view.setReduceMotion(true);
    view.resize(800, 176);
    view.show();
    const Date start = localDate("America/New_York", 2026, 11, 8);
    view.setModel(CompletionChartModel(pointsWithCounts({0, 1, 3, 0, 2, 3, 1}, start), Range::sevenDays));
    QCoreApplication::processEvents();

    view.hoverAt(view.positionOf(5) + QPointF(10, 0));
    EXPECT_EQ(view.hoveredIndex(), 5);
    ASSERT_TRUE(view.tooltip()->isVisible());
    EXPECT_EQ(view.tooltip()->dateText(), "Nov 13");
    EXPECT_EQ(view.tooltip()->countText(), "3 Tasks Completed");
    EXPECT_EQ(view.tooltip()->insight(), "Most productive day this week");
    EXPECT_TRUE(view.plotRect().contains(QRectF(view.tooltip()->geometry()).center()));

    view.hoverAt(view.positionOf(1));
    EXPECT_EQ(view.tooltip()->countText(), "1 Task Completed");
    EXPECT_EQ(view.tooltip()->insight(), std::nullopt);

    // Below the plot, among the axis labels, nothing is highlighted.
    view.hoverAt(QPointF(view.positionOf(3).x(), view.plotRect().bottom() + 6));
    EXPECT_EQ(view.hoveredIndex(), std::nullopt);
    EXPECT_FALSE(view.tooltip()->isVisible());
}

TEST(CompletionChartView, TheCurveStaysWithinTheDaysCountsSoThePlotNeverCutsIt)
{
    LocalCalendar calendar(QStringLiteral("America/New_York"), QStringLiteral("en_US"));
    CompletionChartView view(calendar);
    // A climb after flat days would swing the curve below zero, where the plot ends.
    for (const QList<qint64>& counts : {QList<qint64>{0, 0, 0, 0, 0, 0, 3}, QList<qint64>{4, 4, 0, 0, 4, 1, 4}}) {
        view.setModel(CompletionChartModel(pointsWithCounts(counts), Range::sevenDays));
        const qint64 highest = *std::max_element(counts.begin(), counts.end());
        for (QAbstractSeries* series : view.chart()->series()) {
            auto* line = qobject_cast<QLineSeries*>(series);
            if (!line || line->count() < 2 * counts.size()) // the curve, not the rule
                continue;
            for (const QPointF& point : line->points()) {
                EXPECT_GE(point.y(), 0.0);
                EXPECT_LE(point.y(), double(highest));
            }
        }
    }
}
