#include "ControlPanel/OverviewChartCard.h"

#include "ControlPanel/ChartRangePicker.h"
#include "ControlPanel/ChartTooltip.h"
#include "ControlPanel/ControlPanelStyle.h"
#include "Platform/LocalCalendar.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QGraphicsItem>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

using namespace ControlPanelStyle;

namespace {
// A Catmull-Rom curve (a cardinal spline of parameter 0.5) through the points,
// sampled densely enough to look smooth; the area and the line share it.
QList<QPointF> curveThrough(const QList<QPointF>& points)
{
    if (points.size() < 3)
        return points;
    const int samples = points.size() > 40 ? 3 : 10;
    // Kept within the days' own counts: a swing below the lowest (under the
    // plot, where it would be cut off) or above the highest shows no real day.
    const auto [lowest, highest] = std::minmax_element(points.cbegin(), points.cend(),
                                                       [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
    const double floor = lowest->y();
    const double ceiling = highest->y();
    QList<QPointF> curve;
    curve.reserve((points.size() - 1) * samples + 1);
    for (qsizetype i = 0; i + 1 < points.size(); ++i) {
        const QPointF p0 = points.at(std::max<qsizetype>(0, i - 1));
        const QPointF p1 = points.at(i);
        const QPointF p2 = points.at(i + 1);
        const QPointF p3 = points.at(std::min(points.size() - 1, i + 2));
        const QPointF m1 = (p2 - p0) * 0.5;
        const QPointF m2 = (p3 - p1) * 0.5;
        for (int s = 0; s < samples; ++s) {
            const double t = static_cast<double>(s) / samples;
            const double t2 = t * t;
            const double t3 = t2 * t;
            const QPointF value = p1 * (2 * t3 - 3 * t2 + 1) + m1 * (t3 - 2 * t2 + t) + p2 * (-2 * t3 + 3 * t2)
                                  + m2 * (t3 - t2);
            // Time runs forward: keep x on the straight line between the days.
            curve.append({p1.x() + (p2.x() - p1.x()) * t, std::clamp(value.y(), floor, ceiling)});
        }
    }
    curve.append(points.last());
    return curve;
}

QPen dashedPen(const QColor& color, double width, double on, double off)
{
    QPen pen(color, width);
    pen.setDashPattern({on / width, off / width});
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

double markerDiameter(double symbolSize)
{
    // A symbol size is an area in square points.
    return std::sqrt(symbolSize) * 1.15;
}

QChart* makeChart()
{
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setBackgroundVisible(false);
    chart->setPlotAreaBackgroundVisible(false);
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

// Room beside a centred axis label for what its text item adds around the glyphs.
constexpr double labelPadding = 6;
// Room above the plot for the top axis label and the largest dot.
constexpr int topMargin = 10;
// The least clear room between two date labels' texts: about a caption letter's
// height, and a pixel more for the chart placing each label on a whole pixel.
constexpr double labelSpacing = 12 + 1;

// Which of the labels centred at `centres` (left to right) with text `widths`
// to show: the last always, then, going back, each one that keeps
// `labelSpacing` clear of the next one shown.
QList<qsizetype> spacedLabels(const QList<double>& centres, const QList<double>& widths)
{
    QList<qsizetype> shown;
    double nextLeft = 0;
    for (qsizetype i = centres.size() - 1; i >= 0; --i) {
        const double right = centres.at(i) + widths.at(i) / 2;
        if (!shown.isEmpty() && right + labelSpacing > nextLeft)
            continue;
        shown.prepend(i);
        nextLeft = centres.at(i) - widths.at(i) / 2;
    }
    return shown;
}
} // namespace

// The days' dots, drawn over the curve at each day's place through the chart's
// own mapping. The chart's scatter markers are not used: they lose the dots at
// the top of the plot.
class PointMarksItem final : public QGraphicsItem {
public:
    struct Mark {
        QPointF value;
        double diameter = 0;
        QColor color;
    };

    PointMarksItem(QChart* chart, QAbstractSeries* series) : QGraphicsItem(chart), m_chart(chart), m_series(series)
    {
        // Above every series the chart draws.
        setZValue(1000);
    }

    void setMarks(QList<Mark> marks)
    {
        m_marks = std::move(marks);
        update();
    }
    const QList<Mark>& marks() const { return m_marks; }
    QPointF centreOf(const Mark& mark) const { return m_chart->mapToPosition(mark.value, m_series); }
    // The chart was laid out anew.
    void relayout()
    {
        prepareGeometryChange();
        update();
    }

    QRectF boundingRect() const override { return m_chart->boundingRect(); }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override
    {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        for (const Mark& mark : m_marks) {
            const double radius = mark.diameter / 2;
            painter->setBrush(mark.color);
            painter->drawEllipse(centreOf(mark), radius, radius);
        }
    }

private:
    QChart* m_chart;
    QAbstractSeries* m_series;
    QList<Mark> m_marks;
};

CompletionChartView::~CompletionChartView() = default;

CompletionChartView::CompletionChartView(const LocalCalendar& calendar, QWidget* parent)
    : QChartView(makeChart(), parent), m_calendar(calendar), m_areaUpper(new QLineSeries), m_line(new QLineSeries),
      m_rule(new QLineSeries), m_xAxis(new QCategoryAxis), m_yAxis(new QCategoryAxis),
      m_tooltip(new ChartTooltip(this)),
      m_animator(
          [this] {
              const double presence = m_tooltipPresence.value(Motion::animationClock());
              m_tooltip->setPresence(presence);
              if (!m_tooltipPresence.isMoving() && m_tooltipPresence.target() == 0)
                  m_tooltip->hide();
          },
          [this] { return m_tooltipPresence.isMoving(); })
{
    setFixedHeight(176);
    setRenderHint(QPainter::Antialiasing);
    setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    // The card shows through: no scene background, no viewport fill.
    setBackgroundBrush(Qt::NoBrush);
    viewport()->setAutoFillBackground(false);
    setAccessibleName(QStringLiteral("Completion chart"));

    QChart* chart = this->chart();
    m_area = new QAreaSeries(m_areaUpper);
    // The area does not own the curve it fills under.
    m_areaUpper->setParent(m_area);
    for (QAbstractSeries* series : std::initializer_list<QAbstractSeries*>{m_area, m_line, m_rule})
        chart->addSeries(series);
    for (QCategoryAxis* axis : {m_xAxis, m_yAxis}) {
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        axis->setLineVisible(false);
        axis->setLabelsFont(textFont(TextStyle::caption));
        axis->setTruncateLabels(false);
    }
    m_xAxis->setGridLineVisible(false);
    chart->addAxis(m_xAxis, Qt::AlignBottom);
    chart->addAxis(m_yAxis, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(m_xAxis);
        series->attachAxis(m_yAxis);
    }
    m_area->setPen(Qt::NoPen);
    m_marks = new PointMarksItem(chart, m_line);
    connect(chart, &QChart::plotAreaChanged, this, [this] {
        m_marks->relayout();
        spaceXAxisLabels();
    });
    m_tooltip->hide();
    applyColors();
    rebuildSeries();
}

QRectF CompletionChartView::plotRect() const
{
    const QRectF area = chart()->plotArea();
    return QRectF(mapFromScene(chart()->mapToScene(area.topLeft())), mapFromScene(chart()->mapToScene(area.bottomRight())));
}

QPointF CompletionChartView::positionOf(qsizetype index) const
{
    const auto& points = m_model.points();
    if (index < 0 || index >= points.size())
        return {};
    const QPointF value(points.at(index).date.secondsSinceReferenceDate, static_cast<double>(points.at(index).completedCount));
    return mapFromScene(chart()->mapToScene(chart()->mapToPosition(value, m_line)));
}

QList<CompletionChartView::PointMark> CompletionChartView::pointMarks() const
{
    QList<PointMark> marks;
    for (const PointMarksItem::Mark& mark : m_marks->marks())
        marks.append({mapFromScene(m_marks->mapToScene(m_marks->centreOf(mark))), mark.diameter, mark.color});
    return marks;
}

std::optional<qsizetype> CompletionChartView::hoveredIndex() const
{
    if (!m_hoveredPointID)
        return std::nullopt;
    const auto& points = m_model.points();
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (points.at(i).date == *m_hoveredPointID)
            return i;
    }
    return std::nullopt;
}

void CompletionChartView::setModel(const CompletionChartModel& model)
{
    m_model = model;
    rebuildSeries();
}

void CompletionChartView::rebuildSeries()
{
    const auto& points = m_model.points();
    QList<QPointF> values;
    values.reserve(points.size());
    for (const auto& point : points)
        values.append({point.date.secondsSinceReferenceDate, static_cast<double>(point.completedCount)});
    const QList<QPointF> curve = curveThrough(values);
    m_areaUpper->replace(curve);
    m_line->replace(curve);

    const double upper = static_cast<double>(m_model.yAxisUpperBound());
    for (const QString& label : m_yAxis->categoriesLabels())
        m_yAxis->remove(label);
    m_yAxis->setStartValue(0);
    for (qint64 value : m_model.yAxisValues())
        m_yAxis->append(QString::number(value), static_cast<double>(value));
    m_yAxis->setRange(0, upper);

    m_xAxisCandidates.clear();
    if (points.isEmpty()) {
        m_xAxis->setRange(0, 1);
    } else {
        const double first = points.first().date.secondsSinceReferenceDate;
        const double last = points.last().date.secondsSinceReferenceDate;
        for (qsizetype index : m_model.xAxisIndices()) {
            // Category labels must be unique; a zero-width space keeps equal texts apart.
            QString label = m_calendar.format(points.at(index).date, LocalCalendar::monthDay);
            while (std::any_of(m_xAxisCandidates.cbegin(), m_xAxisCandidates.cend(),
                               [&](const auto& candidate) { return candidate.second == label; }))
                label += QChar(0x200B);
            m_xAxisCandidates.append({points.at(index).date.secondsSinceReferenceDate, label});
        }
        // Half a day of room keeps the first and last dots whole.
        m_xAxis->setRange(first - 43200 * (last > first ? 1 : 2), last + 43200 * (last > first ? 1 : 2));
    }
    keepAxisLabelsWhole();
    spaceXAxisLabels();
    describe();
    applyHover();
}

void CompletionChartView::describe()
{
    // What the plot and its axes show, read out in words.
    QStringList marks;
    for (qint64 value : m_model.yAxisValues())
        marks.append(QString::number(value));
    QStringList days;
    for (const auto& point : m_model.points())
        days.append(QStringLiteral("%1: %2").arg(m_calendar.format(point.date, LocalCalendar::monthDay)).arg(point.completedCount));
    setAccessibleDescription(QStringLiteral("Tasks completed per day, on a scale marked %1. %2")
                                 .arg(marks.join(QStringLiteral(", ")),
                                      days.isEmpty() ? QStringLiteral("No days to show.") : days.join(QStringLiteral("; "))));
}

void CompletionChartView::keepAxisLabelsWhole()
{
    // The first and last date labels are centred on the outermost days, which
    // sit half a day inside the plot: on a long range their outer halves would
    // fall outside the view and be cut off. The y labels already keep room on
    // the left. The room is kept for the first date even where it is left out,
    // so that the plot's width, which decides what is left out, does not depend on it.
    const QFontMetricsF metrics(m_xAxis->labelsFont());
    double left = 0;
    double right = 0;
    if (!m_xAxisCandidates.isEmpty()) {
        double yLabels = 0;
        for (const QString& label : m_yAxis->categoriesLabels())
            yLabels = std::max(yLabels, metrics.horizontalAdvance(label));
        left = std::max(0.0, metrics.horizontalAdvance(m_xAxisCandidates.first().second) / 2 + labelPadding - yLabels);
        right = metrics.horizontalAdvance(m_xAxisCandidates.last().second) / 2 + labelPadding;
    }
    const QMargins margins(int(std::ceil(left)), topMargin, int(std::ceil(right)), 0);
    if (chart()->margins() != margins)
        chart()->setMargins(margins);
}

void CompletionChartView::spaceXAxisLabels()
{
    const QRectF plot = chart()->plotArea();
    const double span = m_xAxis->max() - m_xAxis->min();
    const QFontMetricsF metrics(m_xAxis->labelsFont());
    QList<double> centres;
    QList<double> widths;
    for (const auto& [value, label] : m_xAxisCandidates) {
        centres.append(span > 0 ? plot.left() + (value - m_xAxis->min()) / span * plot.width() : plot.left());
        widths.append(metrics.horizontalAdvance(label));
    }
    QList<std::pair<double, QString>> shown;
    for (qsizetype index : spacedLabels(centres, widths))
        shown.append(m_xAxisCandidates.at(index));
    QList<std::pair<double, QString>> current;
    for (const QString& label : m_xAxis->categoriesLabels())
        current.append({m_xAxis->endValue(label), label});
    // Only a change: setting the labels lays the chart out again.
    if (shown == current)
        return;
    for (const QString& label : m_xAxis->categoriesLabels())
        m_xAxis->remove(label);
    if (!m_xAxisCandidates.isEmpty())
        m_xAxis->setStartValue(m_xAxisCandidates.first().first);
    for (const auto& [value, label] : shown)
        m_xAxis->append(label, value);
}

QStringList CompletionChartView::xAxisLabels() const
{
    QStringList labels = m_xAxis->categoriesLabels();
    for (QString& label : labels)
        label.remove(QChar(0x200B));
    return labels;
}

void CompletionChartView::applyColors()
{
    const QPalette& colors = palette();
    const QColor labels = secondary(colors);
    for (QCategoryAxis* axis : {m_xAxis, m_yAxis})
        axis->setLabelsBrush(labels);
    m_yAxis->setGridLinePen(dashedPen(primary(colors, isDark(colors) ? 0.1 : 0.08), 0.8, 2, 4));
    m_rule->setPen(dashedPen(primary(colors, isDark(colors) ? 0.24 : 0.18), 1, 3, 4));
}

void CompletionChartView::applyHover()
{
    const std::optional<qsizetype> hovered = hoveredIndex();
    const QPalette& colors = palette();
    const bool hasHover = hovered.has_value();

    QLinearGradient fill(0, 0, 0, 1);
    fill.setCoordinateMode(QGradient::ObjectMode);
    fill.setColorAt(0, accent(colors, hasHover ? 0.24 : 0.18));
    fill.setColorAt(0.5, accent(colors, hasHover ? 0.12 : 0.08));
    fill.setColorAt(1, accent(colors, 0.01));
    m_area->setBrush(fill);

    QPen line(accent(colors, hasHover ? 0.88 : 0.78), hasHover ? 2.2 : 2.0);
    line.setCapStyle(Qt::RoundCap);
    line.setJoinStyle(Qt::RoundJoin);
    m_line->setPen(line);

    const auto& points = m_model.points();
    QList<PointMarksItem::Mark> marks;
    marks.reserve(points.size());
    for (qsizetype i = 0; i < points.size(); ++i) {
        const CompletionChartModel::PointStyle style = m_model.pointStyle(i, hovered);
        marks.append({{points.at(i).date.secondsSinceReferenceDate, static_cast<double>(points.at(i).completedCount)},
                      markerDiameter(style.symbolSize),
                      accent(colors, style.opacity)});
    }
    m_marks->setMarks(std::move(marks));

    const Motion::Animation presence = m_reduceMotion ? Motion::Animation::immediate()
                                                      : Motion::Animation::spring(0.28, 0.82);
    if (!hovered) {
        m_rule->clear();
        m_tooltipPresence.setTarget(0, presence, Motion::animationClock());
        if (m_tooltipPresence.isMoving())
            m_animator.start();
        else
            m_tooltip->hide();
        return;
    }
    const auto& point = points.at(*hovered);
    const double x = point.date.secondsSinceReferenceDate;
    m_rule->replace({{x, 0}, {x, static_cast<double>(m_model.yAxisUpperBound())}});

    m_tooltip->setContent(m_calendar.format(point.date, LocalCalendar::monthDay),
                          CompletionChartModel::countText(point.completedCount), m_model.tooltipInsight(*hovered));
    // Above the rule's top, centred on it, then kept inside the plot both ways.
    const QRectF plot = plotRect();
    const QSize size = m_tooltip->size();
    const QPointF dot = positionOf(*hovered);
    const double rightmost = std::max(plot.left(), plot.right() - size.width());
    double left = std::clamp(dot.x() - size.width() / 2.0, plot.left(), rightmost);
    const double top = std::clamp(plot.top() - 14 - size.height(), plot.top(), std::max(plot.top(), plot.bottom() - size.height()));
    // A day near the top would hide under the card: the card moves beside it.
    const QMargins margins = ChartTooltip::cardMargins();
    const double reach = markerDiameter(80) / 2 + 2;
    const QRectF card = QRectF(left, top, size.width(), size.height()).marginsRemoved(margins);
    if (card.adjusted(-reach, -reach, reach, reach).contains(dot)) {
        const double toTheRight = dot.x() + reach + 14 - margins.left();
        const double toTheLeft = dot.x() - reach - 14 - size.width() + margins.right();
        left = std::clamp(toTheRight <= rightmost ? toTheRight : toTheLeft, plot.left(), rightmost);
    }
    m_tooltip->move(static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)));
    m_tooltipPresence.setTarget(1, presence, Motion::animationClock());
    m_tooltip->setPresence(m_tooltipPresence.value(Motion::animationClock()));
    m_tooltip->show();
    m_tooltip->raise();
    if (m_tooltipPresence.isMoving())
        m_animator.start();
}

void CompletionChartView::hoverAt(std::optional<QPointF> position)
{
    std::optional<Date> hovered;
    const QRectF plot = plotRect();
    if (position && plot.contains(*position)) {
        const QPointF chartPosition = chart()->mapFromScene(mapToScene(position->toPoint()));
        const QPointF value = chart()->mapToValue(chartPosition, m_line);
        if (std::isfinite(value.x())) {
            if (const std::optional<qsizetype> nearest = m_model.nearestIndex(Date{value.x()}))
                hovered = m_model.points().at(*nearest).date;
        }
    }
    if (hovered == m_hoveredPointID)
        return;
    m_hoveredPointID = hovered;
    applyHover();
}

void CompletionChartView::mouseMoveEvent(QMouseEvent* event)
{
    hoverAt(event->position());
    QChartView::mouseMoveEvent(event);
}

void CompletionChartView::leaveEvent(QEvent* event)
{
    hoverAt(std::nullopt);
    QChartView::leaveEvent(event);
}

void CompletionChartView::resizeEvent(QResizeEvent* event)
{
    QChartView::resizeEvent(event);
    if (m_hoveredPointID)
        applyHover();
}

void CompletionChartView::changeEvent(QEvent* event)
{
    QChartView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyColors();
        applyHover();
    }
}

OverviewChartCard::OverviewChartCard(const LocalCalendar& calendar, QWidget* parent)
    : SurfaceCard(parent), m_calendar(calendar), m_summary(new QLabel), m_picker(new ChartRangePicker),
      m_chart(new CompletionChartView(calendar))
{
    setMinimumHeight(232 + SurfaceCard::shadowMargin * 2);
    content()->setSpacing(16);

    auto* header = new QHBoxLayout;
    header->setSpacing(16);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    auto* title = new QLabel(QStringLiteral("Task Completion"));
    title->setFont(textFont(TextStyle::title3, QFont::DemiBold));
    m_summary->setFont(textFont(TextStyle::subheadline));
    m_summary->setForegroundRole(QPalette::PlaceholderText);
    for (QLabel* label : {title, m_summary}) {
        label->setTextFormat(Qt::PlainText);
        texts->addWidget(label);
    }
    header->addLayout(texts);
    header->addStretch(1);
    header->addSpacing(16);
    header->addWidget(m_picker, 0, Qt::AlignTop);
    content()->addLayout(header);
    content()->addWidget(m_chart);
}

void OverviewChartCard::setInputs(QList<ProductInsights::DailyCompletionPoint> points,
                                  const Binding<Range>& selectedRange)
{
    const CompletionChartModel model(std::move(points), selectedRange.value());
    m_summary->setText(model.summaryText(m_calendar));
    m_picker->setSelection(selectedRange);
    m_chart->setModel(model);
}
