#include "ControlPanel/CompletionChartModel.h"

#include "Platform/LocalCalendar.h"

#include <cmath>
#include <cstdlib>

CompletionChartModel::CompletionChartModel(QList<Point> points, Range range)
    : m_points(std::move(points)), m_range(range)
{
}

QString CompletionChartModel::pickerLabel(Range range)
{
    switch (range) {
    case Range::sevenDays:
        return QStringLiteral("7D");
    case Range::thirtyDays:
        return QStringLiteral("30D");
    case Range::ninetyDays:
        return QStringLiteral("90D");
    }
    return {};
}

int CompletionChartModel::labelStride(Range range)
{
    switch (range) {
    case Range::sevenDays:
        return 1;
    case Range::thirtyDays:
        return 5;
    case Range::ninetyDays:
        return 14;
    }
    return 1;
}

qint64 CompletionChartModel::yAxisUpperBound() const
{
    qint64 upper = 4;
    for (const Point& point : m_points)
        upper = std::max(upper, point.completedCount);
    return upper;
}

QList<qint64> CompletionChartModel::yAxisValues() const
{
    const qint64 upper = yAxisUpperBound();
    const qint64 middle = std::max<qint64>(1, std::llround(static_cast<double>(upper) / 2.0));
    QList<qint64> values{0};
    for (qint64 value : {middle, upper}) {
        if (value != values.last())
            values.append(value);
    }
    return values;
}

QList<qsizetype> CompletionChartModel::xAxisIndices() const
{
    QList<qsizetype> indices;
    const int stride = labelStride(m_range);
    for (qsizetype i = 0; i < m_points.size(); ++i) {
        if (i % stride == 0 || i == m_points.size() - 1)
            indices.append(i);
    }
    return indices;
}

std::optional<qsizetype> CompletionChartModel::mostProductiveIndex() const
{
    std::optional<qsizetype> best;
    for (qsizetype i = 0; i < m_points.size(); ++i) {
        // Scanning oldest to newest, an equal count moves to the later day.
        if (!best || m_points.at(i).completedCount >= m_points.at(*best).completedCount)
            best = i;
    }
    return best;
}

QString CompletionChartModel::summaryText(const LocalCalendar& calendar) const
{
    const std::optional<qsizetype> best = mostProductiveIndex();
    if (best && m_points.at(*best).completedCount >= 1)
        return QStringLiteral("Most productive day: ") + calendar.format(m_points.at(*best).date, LocalCalendar::monthDay);
    return QStringLiteral("Most productive day: No completed tasks yet");
}

std::optional<QString> CompletionChartModel::tooltipInsight(qsizetype index) const
{
    const std::optional<qsizetype> best = mostProductiveIndex();
    if (!best || index < 0 || index >= m_points.size())
        return std::nullopt;
    const Point& point = m_points.at(index);
    if (m_points.at(*best).date != point.date || point.completedCount < 1)
        return std::nullopt;
    return QStringLiteral("Most productive day this ")
           + (m_range == Range::sevenDays ? QStringLiteral("week") : QStringLiteral("period"));
}

QString CompletionChartModel::countText(qint64 count)
{
    return QString::number(count) + QStringLiteral(" Task") + (count == 1 ? QString() : QStringLiteral("s"))
           + QStringLiteral(" Completed");
}

std::optional<qsizetype> CompletionChartModel::nearestIndex(Date date) const
{
    std::optional<qsizetype> nearest;
    double nearestDistance = 0;
    for (qsizetype i = 0; i < m_points.size(); ++i) {
        const double distance = std::abs(m_points.at(i).date.secondsSince(date));
        if (!nearest || distance < nearestDistance) {
            nearest = i;
            nearestDistance = distance;
        }
    }
    return nearest;
}

CompletionChartModel::PointStyle CompletionChartModel::pointStyle(qsizetype index,
                                                                  std::optional<qsizetype> hoveredIndex) const
{
    const bool hasCompletions = index >= 0 && index < m_points.size() && m_points.at(index).completedCount > 0;
    if (!hoveredIndex)
        return hasCompletions ? PointStyle{24, 0.82} : PointStyle{14, 0.58};
    if (index == *hoveredIndex)
        return {80, 1.0};
    if (std::abs(index - *hoveredIndex) <= 1)
        return {26, 0.62};
    return hasCompletions ? PointStyle{18, 0.34} : PointStyle{12, 0.34};
}
