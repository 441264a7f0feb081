#include "Overlay/NotchOverlayMetrics.h"
#include "Platform/QtScreenInfoProvider.h"

#include <QGuiApplication>
#include <QScreen>
#include <array>
#include <cmath>
#include <gtest/gtest.h>

// Readable failures for the geometry types.
inline void PrintTo(const Rect& r, std::ostream* os)
{
    *os << '(' << r.x << ", " << r.y << ", " << r.width << " x " << r.height << ')';
}
inline void PrintTo(const Size& s, std::ostream* os) { *os << s.width << " x " << s.height; }

namespace {

using Font = NotchTemplateConfiguration::Font;
const NotchTemplateConfiguration& defaults()
{
    return NotchTemplateConfiguration::defaults();
}

TextWidthFunction fixedWidth(double width)
{
    return [width](const QString&, const Font&) { return width; };
}

ScreenInfo plainScreen(double width)
{
    return ScreenInfo{{0, 0, width, 1080}, 0, std::nullopt, std::nullopt};
}

} // namespace

TEST(NotchGeometry, FullHdScreenWithoutNotchMatchesWorkedExample)
{
    // Only the literal label, in the semibold system font of the control size, measures 40.
    const auto measure = [](const QString& text, const Font& font) {
        return text == "AI Sort" && font == Font::system(11, Font::Weight::Semibold) ? 40.0 : 0.0;
    };
    const auto metrics = NotchOverlayMetrics::make(plainScreen(1920), defaults(), measure);
    EXPECT_EQ(metrics.headerWidthRequirements, (NotchHeaderWidthRequirements{124, 153}));
    EXPECT_EQ(metrics.notchFrame, (Rect{864, 1048, 192, 32}));
    EXPECT_EQ(metrics.collapsedSize, (Size{192, 32}));
    EXPECT_EQ(metrics.expandedSize, (Size{554, 388}));
    EXPECT_EQ(metrics.panelSize, (Size{646, 456}));
    EXPECT_EQ(metrics.notchBandLayout.leftSlotFrame, (Rect{18, 0, 153, 32}));
    EXPECT_EQ(metrics.notchBandLayout.rightSlotFrame, (Rect{383, 0, 153, 32}));
    EXPECT_EQ(metrics.triggerRect, (Rect{856, 1048, 208, 32}));
    EXPECT_EQ(metrics.retentionRect, (Rect{683 - 12, 1080 - 388 - 8, 554 + 24, 388 + 16}));

    // The window reaches the glow padding above the screen's top edge.
    const Rect panel = metrics.panelFrame(metrics.screen->frame, defaults());
    EXPECT_EQ(panel, (Rect{637, 658, 646, 456}));
    EXPECT_EQ(QtScreenInfoProvider::toWindowGeometry(panel, 1080), QRect(637, -34, 646, 456));
}

TEST(NotchGeometry, PhysicalNotchFromAuxiliaryAreas)
{
    // Areas deliberately off-centre: the notch is still centred on the screen frame.
    ScreenInfo screen{{0, 0, 1512, 982}, 28, Rect{0, 952, 640, 30}, Rect{840, 950, 672, 32}};
    auto metrics = NotchOverlayMetrics::make(screen, defaults(), fixedWidth(40));
    EXPECT_EQ(metrics.collapsedSize, (Size{188, 32}));
    EXPECT_EQ(metrics.notchFrame, (Rect{756 - 100, 950, 200, 32}));

    // A deeper top inset sets the notch height; the inset Y trims the collapsed height.
    screen.topSafeAreaInset = 38;
    auto configuration = defaults();
    configuration.layout.physicalNotchInsetY = 4;
    metrics = NotchOverlayMetrics::make(screen, configuration, fixedWidth(40));
    EXPECT_EQ(metrics.notchFrame.height, 38);
    EXPECT_EQ(metrics.collapsedSize, (Size{188, 34}));

    // Overlapping, empty, missing or touching areas fall back to the virtual notch.
    for (auto variant : {ScreenInfo{{0, 0, 1512, 982}, 0, Rect{0, 950, 800, 32}, Rect{700, 950, 812, 32}},
                         ScreenInfo{{0, 0, 1512, 982}, 0, Rect{0, 950, 640, 0}, Rect{840, 950, 672, 32}},
                         ScreenInfo{{0, 0, 1512, 982}, 0, Rect{0, 950, 640, 32}, std::nullopt},
                         ScreenInfo{{0, 0, 1512, 982}, 0, Rect{0, 950, 640, 32}, Rect{640, 950, 872, 32}}})
        EXPECT_EQ(NotchOverlayMetrics::make(variant, defaults(), fixedWidth(40)).notchFrame,
                  (Rect{660, 950, 192, 32}));

    // Without a notch a deeper top inset raises the virtual notch and the content below it.
    metrics = NotchOverlayMetrics::make(ScreenInfo{{0, 0, 1512, 982}, 37, std::nullopt, std::nullopt}, defaults(),
                                        fixedWidth(40));
    EXPECT_EQ(metrics.collapsedSize, (Size{192, 37}));
    EXPECT_EQ(metrics.expandedContentSafeTopInset, 47);
}

TEST(NotchGeometry, NoScreenAndOddLabelMeasurements)
{
    auto metrics = NotchOverlayMetrics::make(std::nullopt, defaults(), fixedWidth(39.2)); // rounded up to 40
    EXPECT_EQ(metrics.headerWidthRequirements.leftGroupWidth, 124);
    EXPECT_EQ(metrics.notchFrame, (Rect{-96, -32, 192, 32}));
    EXPECT_EQ(metrics.panelSize, (Size{646, 456}));

    // A huge label widens the panel without limit when there is no screen; a screen caps it.
    EXPECT_EQ(NotchOverlayMetrics::make(std::nullopt, defaults(), fixedWidth(5000)).expandedSize.width,
              248 + 2 * 5084);
    EXPECT_DOUBLE_EQ(NotchOverlayMetrics::make(plainScreen(1920), defaults(), fixedWidth(5000)).expandedSize.width,
                     0.82 * 1920);

    // A missing, NaN or negative measurement counts as no label rather than poisoning the sizes.
    for (const TextWidthFunction& measure : {TextWidthFunction(), fixedWidth(std::nan("")), fixedWidth(-5)})
        EXPECT_EQ(NotchHeaderWidthRequirements::make(defaults(), measure).leftGroupWidth, 84);

}

TEST(NotchGeometry, NarrowScreensCapTheWidthAndShrinkTheSlots)
{
    // screen width, expanded width, slot width, right slot x
    const std::vector<std::array<double, 4>> cases{
        {1920, 554, 153, 383},
        {400, 328, 40, 270},    // the cap wins over the minimum slots
        {350, 287, 19.5, 249.5},
        {300, 246, 0, 229},     // no room: the right slot still starts after the notch
        {200, 192, 0, 192},     // 0.82 x 200 is below the collapsed width: the cap stops there
    };
    for (const auto& [screenWidth, width, slot, rightX] : cases) {
        const auto metrics = NotchOverlayMetrics::make(plainScreen(screenWidth), defaults(), fixedWidth(40));
        EXPECT_DOUBLE_EQ(metrics.expandedSize.width, width) << screenWidth;
        EXPECT_EQ(metrics.notchBandLayout.leftSlotFrame, (Rect{18, 0, slot, 32})) << screenWidth;
        EXPECT_EQ(metrics.notchBandLayout.rightSlotFrame, (Rect{rightX, 0, slot, 32})) << screenWidth;
    }

    // With tiny header controls the minimum slots set the width, unless compression is allowed.
    auto small = defaults();
    auto& layout = small.layout;
    layout.notchControlHorizontalPadding = layout.notchControlSymbolSize = layout.notchControlFontSize = 0;
    layout.notchControlGroupSpacing = layout.notchControlEdgePadding = 0;
    layout.notchTaskCounterSpacing = layout.notchTaskCounterMinimumWidth = 0;
    layout.expandedWidthMultiplier = 1;
    EXPECT_EQ(NotchOverlayMetrics::make(std::nullopt, small, fixedWidth(0)).expandedSize.width, 248 + 2 * 88);
    layout.notchBandOverflowBehavior = NotchTemplateConfiguration::NotchBandOverflowBehavior::allowSlotCompression;
    EXPECT_EQ(NotchOverlayMetrics::make(std::nullopt, small, fixedWidth(0)).expandedSize.width, 420);
}

TEST(NotchGeometry, ExpandedHeightCountsRowsAndIgnoresNegativeCounts)
{
    auto configuration = defaults();
    const auto height = [&](int rows, double minimum, double multiplier) {
        configuration.layout.preferredVisibleTaskRows = rows;
        configuration.layout.minimumExpandedHeight = minimum;
        configuration.layout.expandedHeightMultiplier = multiplier;
        return NotchOverlayMetrics::make(plainScreen(1920), configuration, fixedWidth(40)).expandedSize.height;
    };
    EXPECT_EQ(height(-3, 0, 0), 120);
    EXPECT_EQ(height(0, 0, 0), 120);
    EXPECT_EQ(height(1, 0, 0), 178);
    EXPECT_EQ(height(2, 0, 0), 248);
    // The lower bounds apply after the rows.
    EXPECT_EQ(height(-1, 318, 8.2), 318);
    EXPECT_DOUBLE_EQ(height(-1, 0, 8.2), 8.2 * 32);
}

TEST(NotchGeometry, RectSemanticsAndQtScreens)
{
    // Half-open: the far edges are outside, and an empty rectangle holds nothing.
    const Rect rect{10, 20, 30, 40};
    EXPECT_TRUE(rect.contains({10, 20}));
    EXPECT_FALSE(rect.contains({40, 30}));
    EXPECT_FALSE(rect.contains({20, 60}));
    EXPECT_FALSE((Rect{0, 0, 0, 5}).contains({0, 0}));

    // Edges are rounded, so fractional frames keep their far edges.
    EXPECT_EQ(QtScreenInfoProvider::toWindowGeometry({0.4, 10.6, 10.2, 20.5}, 100), QRect(0, 69, 11, 20));
    // A second screen above the primary one lies at negative Qt y.
    const ScreenInfo upper = QtScreenInfoProvider::screenInfo(QRect(0, -900, 1600, 900), 1080);
    EXPECT_EQ(upper.frame, (Rect{0, 1080, 1600, 900}));
    EXPECT_EQ(QtScreenInfoProvider::toWindowGeometry(upper.frame, 1080), QRect(0, -900, 1600, 900));
    // The live provider reports the primary screen with its bottom edge at y = 0.
    const QRect primary = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(QtScreenInfoProvider().mainScreen()->frame,
              (Rect{0, 0, double(primary.width()), double(primary.height())}));
}
