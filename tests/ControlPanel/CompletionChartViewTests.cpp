#include "ControlPanelFixture.h"
#include "RootViewFixture.h"

#include "ControlPanel/ChartTooltip.h"
#include "ControlPanel/ControlPanelStyle.h"
#include "ControlPanel/OverviewChartCard.h"
#include "ControlPanel/OverviewPage.h"

#include <QAbstractSeries>
#include <QAreaSeries>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QPointer>
#include <gtest/gtest.h>

namespace {
using Range = ControlPanelViewModel::CompletionChartRange;
using Point = ProductInsights::DailyCompletionPoint;
const char* const zone = "America/New_York";

QList<Point> daysEndingDecember7(const QList<qint64>& counts)
{
    const Date last = localDate(zone, 2026, 12, 7);
    QList<Point> points;
    for (qsizetype i = 0; i < counts.size(); ++i) {
        const qsizetype daysBefore = counts.size() - 1 - i;
        const QDate day = QDate(2026, 12, 7).addDays(-daysBefore);
        points.append({daysBefore == 0 ? last : localDate(zone, day.year(), day.month(), day.day()), counts[i]});
    }
    return points;
}

QList<qint64> countsFor(int days)
{
    QList<qint64> counts;
    for (int i = 0; i < days; ++i)
        counts.append((i * 7 + 3) % 6);
    return counts;
}

// A chart the width it has on the overview page of the default window.
struct ChartFixture {
    explicit ChartFixture(Range range, QList<qint64> counts)
    {
        view.setReduceMotion(true);
        view.resize(904, 176);
        view.show();
        view.setModel(CompletionChartModel(daysEndingDecember7(counts), range));
        QCoreApplication::processEvents();
    }

    // Where the chart itself places a day.
    QPointF placeOfDay(qsizetype index) const
    {
        const Point& point = view.model().points().at(index);
        const QPointF value(point.date.secondsSinceReferenceDate, double(point.completedCount));
        QChart* chart = view.chart();
        return view.mapFromScene(chart->mapToScene(chart->mapToPosition(value, chart->series().first())));
    }

    LocalCalendar calendar{QString::fromLatin1(zone), QStringLiteral("en_US")};
    CompletionChartView view{calendar};
};

struct Blob {
    QPointF centre;
    double width = 0;
};

// The accent-coloured spots of an image drawn with only the dots over white, left to right.
QList<Blob> accentBlobs(const QImage& image)
{
    auto isAccent = [&](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        return c.blue() - c.red() > 30;
    };
    QImage seen(image.size(), QImage::Format_Mono);
    seen.fill(0);
    QList<Blob> blobs;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (seen.pixelIndex(x, y) || !isAccent(x, y))
                continue;
            QList<QPoint> stack{{x, y}};
            seen.setPixel(x, y, 1);
            double sumX = 0, sumY = 0;
            int count = 0, left = x, right = x;
            while (!stack.isEmpty()) {
                const QPoint p = stack.takeLast();
                sumX += p.x();
                sumY += p.y();
                ++count;
                left = std::min(left, p.x());
                right = std::max(right, p.x());
                for (const QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                    const QPoint next = p + step;
                    if (image.rect().contains(next) && !seen.pixelIndex(next.x(), next.y()) && isAccent(next.x(), next.y())) {
                        seen.setPixel(next.x(), next.y(), 1);
                        stack.append(next);
                    }
                }
            }
            blobs.append({QPointF(sumX / count + 0.5, sumY / count + 0.5), double(right - left + 1)});
        }
    }
    std::sort(blobs.begin(), blobs.end(), [](const Blob& a, const Blob& b) { return a.centre.x() < b.centre.x(); });
    return blobs;
}

// The view drawn over white with the area and the line hidden: what is left in
// the accent colour are the dots.
QImage dotsOnly(CompletionChartView& view)
{
    for (QAbstractSeries* series : view.chart()->series())
        series->setVisible(false);
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    static_cast<QWidget&>(view).render(&image);
    for (QAbstractSeries* series : view.chart()->series())
        series->setVisible(true);
    return image;
}
} // namespace

TEST(CompletionChartView, EveryDayHasItsDotAtTheDaysPlaceSizedByTheHover)
{
    // The fourth day reaches the top of the scale, where the chart's own markers went missing.
    ChartFixture chart(Range::sevenDays, {2, 0, 3, 1, 4, 2, 3});
    const QColor accent = ControlPanelStyle::accent(chart.view.palette());
    struct Case {
        std::optional<qsizetype> hovered;
        // Relative diameter (square root of the symbol size) and opacity, day by day.
        QList<std::pair<double, double>> styles;
    };
    const Case cases[] = {
        {std::nullopt, {{24, 0.82}, {14, 0.58}, {24, 0.82}, {24, 0.82}, {24, 0.82}, {24, 0.82}, {24, 0.82}}},
        {3, {{18, 0.34}, {12, 0.34}, {26, 0.62}, {80, 1.0}, {26, 0.62}, {18, 0.34}, {18, 0.34}}},
    };
    for (const Case& c : cases) {
        chart.view.hoverAt(c.hovered ? std::optional<QPointF>(chart.placeOfDay(*c.hovered)) : std::nullopt);
        ASSERT_EQ(chart.view.hoveredIndex(), c.hovered);
        const QList<CompletionChartView::PointMark> marks = chart.view.pointMarks();
        ASSERT_EQ(marks.size(), 7);
        const double unit = marks[0].diameter / std::sqrt(c.styles[0].first);
        for (qsizetype i = 0; i < marks.size(); ++i) {
            EXPECT_NEAR(QLineF(marks[i].centre, chart.placeOfDay(i)).length(), 0, 0.01) << i;
            EXPECT_NEAR(marks[i].diameter, unit * std::sqrt(c.styles[i].first), 1e-9) << i;
            EXPECT_NEAR(marks[i].color.alphaF(), c.styles[i].second, 0.01) << i;
            EXPECT_EQ(marks[i].color.rgb(), accent.rgb()) << i;
        }

        // Drawn: one spot per day at the day's place, none elsewhere.
        const QList<Blob> blobs = accentBlobs(dotsOnly(chart.view));
        ASSERT_EQ(blobs.size(), 7) << "hovered " << c.hovered.value_or(-1);
        for (qsizetype i = 0; i < blobs.size(); ++i) {
            EXPECT_NEAR(QLineF(blobs[i].centre, chart.placeOfDay(i)).length(), 0, 1.0) << i;
            EXPECT_NEAR(blobs[i].width, marks[i].diameter, 2.0) << i;
        }
    }
}

TEST(CompletionChartView, DotsFollowTheDaysOfEveryRange)
{
    for (const auto& [range, days] : {std::pair{Range::thirtyDays, 30}, std::pair{Range::ninetyDays, 90}}) {
        ChartFixture chart(range, countsFor(days));
        const QList<CompletionChartView::PointMark> marks = chart.view.pointMarks();
        ASSERT_EQ(marks.size(), days);
        for (qsizetype i = 0; i < marks.size(); ++i)
            EXPECT_NEAR(QLineF(marks[i].centre, chart.placeOfDay(i)).length(), 0, 0.01) << days << " days, " << i;
        // Dots of neighbouring days stay apart even on the longest range.
        EXPECT_EQ(accentBlobs(dotsOnly(chart.view)).size(), days);
    }
}

TEST(CompletionChartView, EveryDateLabelShowsWholeInsideTheView)
{
    for (const auto& [range, days] :
         {std::pair{Range::sevenDays, 7}, std::pair{Range::thirtyDays, 30}, std::pair{Range::ninetyDays, 90}}) {
        ChartFixture chart(range, countsFor(days));
        QStringList expected = chart.view.xAxisLabels();
        ASSERT_FALSE(expected.isEmpty());
        QStringList shown;
        for (QGraphicsItem* item : chart.view.scene()->items(Qt::AscendingOrder)) {
            auto* label = dynamic_cast<QGraphicsTextItem*>(item);
            if (!label || !label->isVisible())
                continue;
            const QString text = label->toPlainText().remove(QChar(0x200B));
            if (!expected.contains(text))
                continue;
            shown.append(text);
            const QRectF rect = chart.view.mapFromScene(label->sceneBoundingRect()).boundingRect();
            EXPECT_TRUE(QRectF(chart.view.rect()).contains(rect))
                << text.toStdString() << " at " << rect.left() << ".." << rect.right() << " in a view "
                << chart.view.width() << " wide";
        }
        std::sort(shown.begin(), shown.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(shown, expected) << days << " days";
    }
}

TEST(CompletionChartView, DateLabelsKeepClearOfEachOtherAndTheLastDayIsAlwaysLabelled)
{
    // The least clear room between two labels' texts.
    constexpr double spacing = 12;
    const std::tuple<Range, int, qsizetype> cases[] = {
        // Range, days, and how many of the stride's labels may go at the window's smallest width.
        {Range::sevenDays, 7, 0},
        {Range::thirtyDays, 30, 0},
        {Range::ninetyDays, 90, 1},
    };
    for (int width : {1040, 1280}) {
        RootFixture fixture(width);
        CompletionChartView& view = *fixture.root->overviewPage()->chartCard()->chartView();
        for (const auto& [range, days, leftOut] : cases) {
            fixture.root->setSelectedChartRange(range);
            QCoreApplication::processEvents();
            const auto& points = view.model().points();
            ASSERT_EQ(points.size(), days);
            QStringList strideLabels;
            for (qsizetype index : view.model().xAxisIndices())
                strideLabels.append(fixture.models.calendar.format(points.at(index).date, LocalCalendar::monthDay));

            // The labels as the chart draws them, left to right, by the extent of their text.
            QList<std::pair<double, double>> extents;
            QStringList shown;
            for (QGraphicsItem* item : view.scene()->items()) {
                auto* label = dynamic_cast<QGraphicsTextItem*>(item);
                const QString text = label ? label->toPlainText().remove(QChar(0x200B)) : QString();
                if (!label || !label->isVisible() || !strideLabels.contains(text))
                    continue;
                const double centre = view.viewportTransform().mapRect(label->sceneBoundingRect()).center().x();
                const double half = QFontMetricsF(label->font()).horizontalAdvance(text) / 2;
                extents.append({centre - half, centre + half});
                shown.append(text);
            }
            std::sort(extents.begin(), extents.end());
            const std::string what = std::to_string(days) + " days at " + std::to_string(width);
            ASSERT_FALSE(extents.isEmpty()) << what;
            for (qsizetype i = 1; i < extents.size(); ++i)
                EXPECT_GE(extents[i].first - extents[i - 1].second, spacing) << what << ", labels " << i - 1 << " and " << i;
            EXPECT_TRUE(shown.contains(strideLabels.last())) << what;
            EXPECT_EQ(shown.size(), view.xAxisLabels().size()) << what;
            if (width == 1040) {
                EXPECT_EQ(shown.size(), strideLabels.size() - leftOut) << what;
            }
        }
    }
}

TEST(CompletionChartView, NothingOfTheChartOutlivesTheView)
{
    LocalCalendar calendar(QString::fromLatin1(zone), QStringLiteral("en_US"));
    auto view = std::make_unique<CompletionChartView>(calendar);
    QPointer<QChart> chart = view->chart();
    QList<QPointer<QObject>> parts;
    for (QAbstractSeries* series : chart->series()) {
        parts.append(series);
        // The area's curve is a series the chart never holds itself.
        if (auto* area = qobject_cast<QAreaSeries*>(series))
            parts.append(area->upperSeries());
    }
    ASSERT_GE(parts.size(), 4);
    view.reset();
    EXPECT_TRUE(chart.isNull());
    for (const QPointer<QObject>& part : parts)
        EXPECT_TRUE(part.isNull()) << (part ? part->metaObject()->className() : "");
}

TEST(CompletionChartView, TheTooltipNeverHidesTheHoveredDay)
{
    // Days high on the scale, where the card sits, at either end and in the middle.
    ChartFixture chart(Range::sevenDays, {3, 1, 0, 3, 2, 1, 4});
    for (qsizetype day : {0, 3, 6, 1}) {
        chart.view.hoverAt(chart.placeOfDay(day));
        ASSERT_EQ(chart.view.hoveredIndex(), day);
        const CompletionChartView::PointMark mark = chart.view.pointMarks().at(day);
        const QRectF dot(mark.centre - QPointF(mark.diameter / 2, mark.diameter / 2), QSizeF(mark.diameter, mark.diameter));
        const QRectF card = QRectF(chart.view.tooltip()->geometry()).marginsRemoved(ChartTooltip::cardMargins());
        EXPECT_FALSE(card.intersects(dot)) << "day " << day;
        EXPECT_TRUE(chart.view.plotRect().contains(card)) << "day " << day;
    }
}
