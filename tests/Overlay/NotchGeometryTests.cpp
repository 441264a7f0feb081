#include "Overlay/NotchOverlayMetrics.h"
#include "Platform/QtScreenInfoProvider.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

using Font = NotchTemplateConfiguration::Font;

// Measures "AI Sort" at a fixed width and records what it was asked.
struct FakeTextWidth {
    double width = 40;
    std::shared_ptr<std::vector<std::pair<QString, Font>>> calls = std::make_shared<std::vector<std::pair<QString, Font>>>();

    TextWidthFunction function() const
    {
        return [w = width, c = calls](const QString& text, const Font& font) {
            c->emplace_back(text, font);
            return w;
        };
    }
};

ScreenInfo plainScreen(double width, double height)
{
    return ScreenInfo{{0, 0, width, height}, 0, std::nullopt, std::nullopt};
}

void expectRect(const Rect& actual, double x, double y, double width, double height)
{
    EXPECT_DOUBLE_EQ(actual.x, x);
    EXPECT_DOUBLE_EQ(actual.y, y);
    EXPECT_DOUBLE_EQ(actual.width, width);
    EXPECT_DOUBLE_EQ(actual.height, height);
}

} // namespace

TEST(NotchGeometry, FullHdScreenWithoutNotchMatchesWorkedExample)
{
    const auto& configuration = NotchTemplateConfiguration::defaults();
    FakeTextWidth measure;
    const auto metrics = NotchOverlayMetrics::make(plainScreen(1920, 1080), configuration, measure.function());

    // The literal label is measured in the semibold system font of the control size.
    ASSERT_EQ(measure.calls->size(), 1u);
    EXPECT_EQ(measure.calls->front().first, "AI Sort");
    EXPECT_EQ(measure.calls->front().second, Font::system(11, Font::Weight::Semibold));

    EXPECT_EQ(metrics.headerWidthRequirements, (NotchHeaderWidthRequirements{124, 153}));
    expectRect(metrics.notchFrame, 864, 1048, 192, 32);
    EXPECT_EQ(metrics.collapsedSize, (Size{192, 32}));
    EXPECT_EQ(metrics.expandedSize, (Size{554, 388}));
    EXPECT_DOUBLE_EQ(metrics.expandedContentSafeTopInset, 42);
    EXPECT_EQ(metrics.panelSize, (Size{646, 456}));

    const auto& band = metrics.notchBandLayout;
    expectRect(band.frame, 0, 0, 554, 32);
    expectRect(band.notchFrame, 181, 0, 192, 32);
    expectRect(band.leftSlotFrame, 18, 0, 153, 32);
    expectRect(band.rightSlotFrame, 383, 0, 153, 32);
    EXPECT_DOUBLE_EQ(band.normalizedSlotWidth, 153);
    EXPECT_EQ(band.leftContentAlignment & Qt::AlignHorizontal_Mask, Qt::AlignLeading);
    EXPECT_EQ(band.rightContentAlignment & Qt::AlignHorizontal_Mask, Qt::AlignTrailing);

    expectRect(metrics.triggerRect, 856, 1048, 208, 32);
    expectRect(metrics.retentionRect, 683 - 12, 1080 - 388 - 8, 554 + 24, 388 + 16);

    // Half-open: the top edge of the screen and the right edge are outside the trigger.
    EXPECT_TRUE(metrics.triggerRect.contains({856, 1048}));
    EXPECT_TRUE(metrics.triggerRect.contains({1063.9, 1079.9}));
    EXPECT_FALSE(metrics.triggerRect.contains({1064, 1060}));
    EXPECT_FALSE(metrics.triggerRect.contains({900, 1080}));
    EXPECT_FALSE(metrics.triggerRect.contains({900, 1047.9}));

    // Placement: the window reaches the glow padding above the screen's top edge.
    const Rect panel = metrics.panelFrame(metrics.screen->frame, configuration);
    expectRect(panel, 637, 658, 646, 456);
    EXPECT_EQ(QtScreenInfoProvider::toWindowGeometry(panel, 1080), QRect(637, -34, 646, 456));

    // Pure: the same inputs give the same metrics.
    EXPECT_EQ(NotchOverlayMetrics::make(plainScreen(1920, 1080), configuration, measure.function()), metrics);
}

TEST(NotchGeometry, PhysicalNotchFromAuxiliaryAreas)
{
    const auto& configuration = NotchTemplateConfiguration::defaults();
    FakeTextWidth measure;

    // Areas deliberately off-centre: the notch is still centred on the screen frame.
    ScreenInfo screen{{0, 0, 1512, 982}, 28, Rect{0, 952, 640, 30}, Rect{840, 950, 672, 32}};
    auto metrics = NotchOverlayMetrics::make(screen, configuration, measure.function());
    EXPECT_EQ(metrics.collapsedSize, (Size{188, 32}));
    expectRect(metrics.notchFrame, 756 - 100, 950, 200, 32);
    EXPECT_DOUBLE_EQ(metrics.expandedContentSafeTopInset, 42);
    ASSERT_TRUE(metrics.screen.has_value());
    EXPECT_EQ(*metrics.screen, screen);

    // A top inset deeper than the areas sets the notch height; the inset Y trims the collapsed height.
    auto deep = screen;
    deep.topSafeAreaInset = 38;
    auto insetConfiguration = configuration;
    insetConfiguration.layout.physicalNotchInsetY = 4;
    metrics = NotchOverlayMetrics::make(deep, insetConfiguration, measure.function());
    EXPECT_DOUBLE_EQ(metrics.notchFrame.height, 38);
    EXPECT_EQ(metrics.collapsedSize, (Size{188, 34}));

    // Overlapping, empty or missing areas fall back to the virtual notch.
    for (auto variant : {ScreenInfo{{0, 0, 1512, 982}, 0, Rect{0, 950, 800, 32}, Rect{700, 950, 812, 32}},
                         ScreenInfo{{0, 0, 1512, 982}, 0, Rect{0, 950, 640, 0}, Rect{840, 950, 672, 32}},
                         ScreenInfo{{0, 0, 1512, 982}, 0, Rect{0, 950, 640, 32}, std::nullopt},
                         ScreenInfo{{0, 0, 1512, 982}, 0, Rect{0, 950, 640, 32}, Rect{640, 950, 872, 32}}}) {
        metrics = NotchOverlayMetrics::make(variant, configuration, measure.function());
        EXPECT_EQ(metrics.collapsedSize, (Size{192, 32}));
        expectRect(metrics.notchFrame, 660, 950, 192, 32);
    }

    // Without a notch a deeper top inset raises the notch height (and the collapsed height with it).
    metrics = NotchOverlayMetrics::make(ScreenInfo{{0, 0, 1512, 982}, 37, std::nullopt, std::nullopt}, configuration,
                                        measure.function());
    EXPECT_EQ(metrics.collapsedSize, (Size{192, 37}));
    EXPECT_DOUBLE_EQ(metrics.expandedContentSafeTopInset, 47);
}

TEST(NotchGeometry, NoScreenUsesVirtualNotchWithoutCap)
{
    auto configuration = NotchTemplateConfiguration::defaults();
    FakeTextWidth measure;
    measure.width = 39.2; // rounded up to 40
    auto metrics = NotchOverlayMetrics::make(std::nullopt, configuration, measure.function());
    EXPECT_FALSE(metrics.screen.has_value());
    EXPECT_EQ(metrics.headerWidthRequirements.leftGroupWidth, 124);
    EXPECT_EQ(metrics.collapsedSize, (Size{192, 32}));
    expectRect(metrics.notchFrame, -96, -32, 192, 32);
    EXPECT_EQ(metrics.panelSize, (Size{646, 456}));

    // A huge label widens the panel without limit when there is no screen to cap it.
    measure.width = 5000;
    metrics = NotchOverlayMetrics::make(std::nullopt, configuration, measure.function());
    EXPECT_DOUBLE_EQ(metrics.expandedSize.width, 248 + 2 * 5084);
    // ...but a screen caps it at 0.82 of its width.
    metrics = NotchOverlayMetrics::make(plainScreen(1920, 1080), configuration, measure.function());
    EXPECT_DOUBLE_EQ(metrics.expandedSize.width, 0.82 * 1920);

    // A missing or nonsensical measurement counts as no label rather than poisoning the sizes.
    metrics = NotchOverlayMetrics::make(std::nullopt, configuration, TextWidthFunction());
    EXPECT_EQ(metrics.headerWidthRequirements.leftGroupWidth, 84);
    metrics = NotchOverlayMetrics::make(std::nullopt, configuration,
                                        [](const QString&, const Font&) { return std::nan(""); });
    EXPECT_EQ(metrics.headerWidthRequirements.leftGroupWidth, 84);

    // Without a symbol the icon control is padding only and the sort symbol vanishes.
    configuration.layout.notchControlSymbolSize = 0;
    const auto requirements = NotchHeaderWidthRequirements::make(configuration, FakeTextWidth{}.function());
    EXPECT_DOUBLE_EQ(requirements.leftGroupWidth, 20 + 8 + 8 + 20 + 40);
    EXPECT_DOUBLE_EQ(requirements.rightGroupWidth, 8 + 3 * 31 + 24 + 28);
}

TEST(NotchGeometry, NarrowScreensAndSlotCompression)
{
    auto configuration = NotchTemplateConfiguration::defaults();
    FakeTextWidth measure;

    // 0.82 x 200 and 200 - 40 are both below the collapsed width: the cap stops there.
    auto metrics = NotchOverlayMetrics::make(plainScreen(200, 600), configuration, measure.function());
    EXPECT_DOUBLE_EQ(metrics.expandedSize.width, 192);
    EXPECT_DOUBLE_EQ(metrics.notchBandLayout.normalizedSlotWidth, 0);
    EXPECT_DOUBLE_EQ(metrics.panelSize.width, 192 + 92);

    // The cap also wins over the minimum slots.
    metrics = NotchOverlayMetrics::make(plainScreen(400, 600), configuration, measure.function());
    EXPECT_DOUBLE_EQ(metrics.expandedSize.width, 328);
    EXPECT_DOUBLE_EQ(metrics.notchBandLayout.normalizedSlotWidth, 40);
    expectRect(metrics.notchBandLayout.leftSlotFrame, 18, 0, 40, 32);
    expectRect(metrics.notchBandLayout.rightSlotFrame, 270, 0, 40, 32);

    // Slots shrink to the room beside the notch, down to nothing.
    configuration.layout.notchBandOverflowBehavior = NotchTemplateConfiguration::NotchBandOverflowBehavior::allowSlotCompression;
    metrics = NotchOverlayMetrics::make(plainScreen(350, 600), configuration, measure.function());
    EXPECT_DOUBLE_EQ(metrics.expandedSize.width, 287);
    EXPECT_DOUBLE_EQ(metrics.notchBandLayout.normalizedSlotWidth, 19.5);
    metrics = NotchOverlayMetrics::make(plainScreen(300, 600), configuration, measure.function());
    EXPECT_DOUBLE_EQ(metrics.notchBandLayout.normalizedSlotWidth, 0);
    EXPECT_GE(metrics.notchBandLayout.rightSlotFrame.x, metrics.notchBandLayout.notchFrame.maxX());

    // With small header controls, compression drops the slot minimum from the lower bound.
    auto small = NotchTemplateConfiguration::defaults();
    auto& layout = small.layout;
    layout.notchControlHorizontalPadding = layout.notchControlSymbolSize = layout.notchControlFontSize = 0;
    layout.notchControlGroupSpacing = layout.notchControlEdgePadding = 0;
    layout.notchTaskCounterSpacing = layout.notchTaskCounterMinimumWidth = 0;
    small.layout.expandedWidthMultiplier = 1;
    const auto zeroWidth = [](const QString&, const Font&) { return 0.0; };
    EXPECT_DOUBLE_EQ(NotchOverlayMetrics::make(std::nullopt, small, zeroWidth).expandedSize.width, 424);
    small.layout.notchBandOverflowBehavior = NotchTemplateConfiguration::NotchBandOverflowBehavior::allowSlotCompression;
    EXPECT_DOUBLE_EQ(NotchOverlayMetrics::make(std::nullopt, small, zeroWidth).expandedSize.width, 420);
}

TEST(NotchGeometry, ExpandedHeightCountsRowsAndIgnoresNegativeCounts)
{
    auto configuration = NotchTemplateConfiguration::defaults();
    configuration.layout.minimumExpandedHeight = 0;
    configuration.layout.expandedHeightMultiplier = 0;
    const auto height = [&](int rows) {
        configuration.layout.preferredVisibleTaskRows = rows;
        return NotchOverlayMetrics::make(plainScreen(1920, 1080), configuration, FakeTextWidth{}.function())
            .expandedSize.height;
    };
    EXPECT_DOUBLE_EQ(height(-3), 120);
    EXPECT_DOUBLE_EQ(height(0), 120);
    EXPECT_DOUBLE_EQ(height(1), 178);
    EXPECT_DOUBLE_EQ(height(2), 248);

    // The lower bounds apply after the rows.
    configuration = NotchTemplateConfiguration::defaults();
    configuration.layout.preferredVisibleTaskRows = -1;
    auto metrics = NotchOverlayMetrics::make(plainScreen(1920, 1080), configuration, FakeTextWidth{}.function());
    EXPECT_DOUBLE_EQ(metrics.expandedSize.height, 318);
    configuration.layout.minimumExpandedHeight = 0;
    metrics = NotchOverlayMetrics::make(plainScreen(1920, 1080), configuration, FakeTextWidth{}.function());
    EXPECT_DOUBLE_EQ(metrics.expandedSize.height, 8.2 * 32);
    EXPECT_DOUBLE_EQ(metrics.panelSize.height, 8.2 * 32 + 68);
}

TEST(NotchGeometry, RectSemanticsAndQtScreens)
{
    const Rect rect{10, 20, 30, 40};
    EXPECT_TRUE(rect.contains({10, 20}));
    EXPECT_FALSE(rect.contains({40, 30}));
    EXPECT_FALSE(rect.contains({20, 60}));
    EXPECT_TRUE((Rect{0, 0, 0, 5}).isEmpty());
    EXPECT_TRUE((Rect{0, 0, 5, -1}).isEmpty());
    EXPECT_FALSE((Rect{0, 0, 0, 5}).contains({0, 0}));
    EXPECT_EQ(rect.insetBy(-2, 3), (Rect{8, 23, 34, 34}));
    EXPECT_EQ(rect.verticallyFlipped(100), (Rect{10, 40, 30, 40}));
    EXPECT_EQ(rect.verticallyFlipped(100).verticallyFlipped(100), rect);

    // Edges are rounded, so fractional frames keep their far edges.
    EXPECT_EQ(QtScreenInfoProvider::toWindowGeometry({0.4, 10.6, 10.2, 20.5}, 100), QRect(0, 69, 11, 20));
    // A second screen above the primary one lies at negative Qt y.
    const ScreenInfo upper = QtScreenInfoProvider::screenInfo(QRect(0, -900, 1600, 900), 1080);
    EXPECT_EQ(upper.frame, (Rect{0, 1080, 1600, 900}));
    EXPECT_EQ(QtScreenInfoProvider::toWindowGeometry(upper.frame, 1080), QRect(0, -900, 1600, 900));

    // The live provider reports the test platform's screen, without a notch.
    QtScreenInfoProvider provider;
    const auto screen = provider.mainScreen();
    ASSERT_TRUE(screen.has_value());
    const QRect geometry = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(screen->frame, (Rect{0, 0, double(geometry.width()), double(geometry.height())}));
    EXPECT_EQ(screen->topSafeAreaInset, 0);
    EXPECT_FALSE(screen->auxiliaryTopLeftArea || screen->auxiliaryTopRightArea);
    EXPECT_EQ(provider.windowGeometry(screen->frame), geometry);
}
