#include "RootViewFixture.h"

#include "ControlPanel/ChartTooltip.h"
#include "ControlPanel/HistoryPage.h"
#include "ControlPanel/OverviewChartCard.h"
#include "ControlPanel/OverviewPage.h"
#include "Support/EventLoopWait.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QComboBox>
#include <QPaintEngine>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// A paint device that keeps the texts drawn on it and nothing else.
class TextRecorder final : public QPaintDevice {
public:
    explicit TextRecorder(QSize size) : m_size(size) {}
    QStringList texts() const { return m_engine.texts; }
    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
        case PdmHeightMM:
            return (metric == PdmWidthMM ? m_size.width() : m_size.height()) * 254 / 960;
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    class Engine final : public QPaintEngine {
    public:
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        QStringList texts;
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { texts.append(item.text()); }
        Type type() const override { return QPaintEngine::User; }
    };
    QSize m_size;
    mutable Engine m_engine;
};

// The texts the widget itself paints, without its children.
QStringList paintedTexts(QWidget* widget)
{
    TextRecorder recorder(widget->size().expandedTo(QSize(1, 1)));
    widget->render(&recorder, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return recorder.texts();
}

void collectReadable(QAccessibleInterface* iface, QString& into, bool children)
{
    for (QAccessible::Text kind : {QAccessible::Name, QAccessible::Description, QAccessible::Value})
        into += iface->text(kind) + QLatin1Char('\n');
    if (!children)
        return;
    // Items painted by the widget itself are its children without a widget of their own.
    for (int i = 0; i < iface->childCount(); ++i) {
        if (QAccessibleInterface* child = iface->child(i); child && !child->object())
            collectReadable(child, into, false);
    }
}

// What a screen reader can read of a widget: its name, description and value,
// and those of the items it paints itself.
QString readable(QWidget* widget)
{
    // A scroll area's viewport paints for the scroll area.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget->parentWidget()); area && area->viewport() == widget)
        widget = area;
    QString text;
    if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget))
        collectReadable(iface, text, true);
    return text.simplified();
}

QString normalized(QString text)
{
    text.remove(QChar(0x200B));
    text.replace(QChar(0x2026), QLatin1Char(' '));
    return text.replace(QChar(0x202F), u' ').replace(QChar(0x00A0), u' ').simplified();
}

bool isControl(const QWidget* widget)
{
    // A widget that hands its focus on (a scroll area's viewport) is not a control of its own.
    if (widget->focusProxy())
        return false;
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QComboBox*>(widget)
           || (widget->focusPolicy() & Qt::TabFocus);
}

// Every text painted anywhere in the view can be read by a screen reader, and every control has a name.
void expectEverythingReadable(QWidget* root, const std::string& scene)
{
    QCoreApplication::processEvents();
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    int checkedTexts = 0;
    for (QWidget* widget : widgets) {
        if (!widget->isVisibleTo(root) || (widget->isWindow() && widget != root))
            continue;
        const QString canRead = normalized(readable(widget));
        for (const QString& painted : paintedTexts(widget)) {
            const QString text = normalized(painted);
            if (text.isEmpty())
                continue;
            ++checkedTexts;
            EXPECT_TRUE(canRead.contains(text, Qt::CaseSensitive))
                << scene << ": " << widget->metaObject()->className() << " paints \"" << text.toStdString()
                << "\" but reads as \"" << canRead.toStdString() << "\"";
        }
        if (isControl(widget)) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
            EXPECT_FALSE(iface && iface->text(QAccessible::Name).trimmed().isEmpty())
                << scene << ": a " << widget->metaObject()->className() << " in a "
                << widget->parentWidget()->metaObject()->className() << " has no name";
        }
    }
    EXPECT_GT(checkedTexts, 0) << scene;
}

TaskList aWeekOfCompletions()
{
    TaskList tasks;
    for (int day = 1; day <= 7; ++day)
        for (int n = 0; n < day % 3; ++n)
            tasks.append(completedTask(QStringLiteral("A task done on day %1, number %2, with a title long enough to be cut short")
                                           .arg(day)
                                           .arg(n),
                                       localDate(RootFixture::zone, 2026, 12, day, 9 + n)));
    return tasks;
}
} // namespace

TEST(ControlPanelAccessibility, EveryPaintedTextOfEveryPageCanBeRead)
{
    RootFixture fixture(1280, aWeekOfCompletions());
    ControlPanelRootView& root = *fixture.root;
    expectEverythingReadable(&root, "overview");

    CompletionChartView* chart = root.overviewPage()->chartCard()->chartView();
    chart->hoverAt(chart->positionOf(5));
    ASSERT_TRUE(chart->tooltip()->isVisible());
    expectEverythingReadable(&root, "overview, a day hovered");
    chart->hoverAt(std::nullopt);
    root.setSelectedChartRange(ControlPanelViewModel::CompletionChartRange::ninetyDays);
    expectEverythingReadable(&root, "overview, 90 days");

    fixture.select(ControlPanelDestination::completed);
    expectEverythingReadable(&root, "history");
    fixture.select(ControlPanelDestination::settings);
    expectEverythingReadable(&root, "settings");
}

TEST(ControlPanelAccessibility, AnEmptyHistoryReadsAsItLooks)
{
    RootFixture fixture;
    fixture.select(ControlPanelDestination::completed);
    ASSERT_TRUE(fixture.root->historyPage()->isEmptyState());
    expectEverythingReadable(fixture.root.get(), "empty history");
    const QString page = readable(fixture.root->historyPage());
    EXPECT_TRUE(page.contains("No History Yet")) << page.toStdString();
}

TEST(ControlPanelAccessibility, TheOnboardingCounterAndEverySlideCanBeRead)
{
    RootFixture fixture;
    fixture.models.viewModel->setActiveModal(ControlPanelViewModel::ActiveModal::onboarding);
    fixture.root->syncNow();
    QWidget* onboarding = fixture.root->modalContent();
    ASSERT_NE(onboarding, nullptr);
    expectEverythingReadable(onboarding, "intro");
    QTest::mouseClick(fixture.onboardingButton("Learn How to Use"), Qt::LeftButton);
    const int slides = int(NotchTemplateConfiguration::defaults().content.onboardingSlides.size());
    for (int slide = 1; slide <= slides; ++slide) {
        const std::string scene = "slide " + std::to_string(slide);
        ASSERT_TRUE(waitUntil([&] { return !static_cast<ControlPanelOnboardingView*>(onboarding)->isTransitioning(); }));
        expectEverythingReadable(onboarding, scene);
        // The counter is drawn from a cached picture; look for it where the slide's text is read.
        const QString counter = QStringLiteral("%1 / %2").arg(slide, 2, 10, QLatin1Char('0')).arg(slides, 2, 10, QLatin1Char('0'));
        bool found = false;
        for (QWidget* widget : onboarding->findChildren<QWidget*>())
            found = found || (widget->isVisible() && readable(widget).contains(counter));
        EXPECT_TRUE(found) << scene << ": no one reads " << counter.toStdString();
        if (slide < slides)
            QTest::mouseClick(fixture.onboardingButton("Next Slide"), Qt::LeftButton);
    }
}
