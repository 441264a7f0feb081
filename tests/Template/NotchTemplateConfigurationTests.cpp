#include "Support/QtTestPrinters.h"
#include "UI/TemplateStyle.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QFontInfo>
#include <QWidget>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <utility>

// Readable failures for the template's value types.
static void PrintTo(const NotchTemplateConfiguration::Color& color, std::ostream* out)
{
    *out << "Color{role " << int(color.role) << ", " << color.red << ", " << color.green << ", " << color.blue
         << ", alpha " << color.alpha << "}";
}
static void PrintTo(const NotchTemplateConfiguration::Font& font, std::ostream* out)
{
    *out << "Font{\"" << font.family.toStdString() << "\", " << font.pointSize << " pt, weight " << int(font.weight)
         << ", design " << int(font.design) << "}";
}
static void PrintTo(const NotchTemplateConfiguration::Content::OnboardingSlide& slide, std::ostream* out)
{
    *out << "{\"" << slide.videoAssetName.toStdString() << "\", \"" << slide.title.toStdString() << "\", \""
         << slide.body.toStdString() << "\"}";
}

namespace {
using Config = NotchTemplateConfiguration;
using Color = Config::Color;
using Font = Config::Font;
using Weight = Font::Weight;
using Slide = Config::Content::OnboardingSlide;

// The number of members of an aggregate: the most initializers it takes.
struct AnyMember {
    template <class T>
    operator T() const;
};
template <class T, std::size_t... I>
constexpr bool takesInitializers(std::index_sequence<I...>)
{
    return requires { T{(void(I), AnyMember{})...}; };
}
template <class T, std::size_t N = 1>
constexpr std::size_t memberCount()
{
    if constexpr (takesInitializers<T>(std::make_index_sequence<N>{}))
        return memberCount<T, N + 1>();
    else
        return N - 1;
}

Font rounded(double size, Weight weight)
{
    return Font::system(size, weight, Font::Design::Rounded);
}

// Every default the template defines, written down group by group and in
// its order. Each list names every member once: the designated initializer
// rejects a misspelt, repeated or out-of-order name, and the count below
// rejects a missing one, so a default changed, added or dropped anywhere fails.
#define APPEARANCE(X) \
    X(panelColor, Color::gray(0.01)) X(borderColor, Color::white(0.09)) X(borderLineWidth, 1) \
    X(innerGlowColor, Color::white(0.035)) X(aiGlowBlueColor, Color::rgb(0.16, 0.78, 1.0)) \
    X(aiGlowVioletColor, Color::rgb(0.47, 0.38, 1.0)) X(aiGlowMagentaColor, Color::rgb(0.93, 0.39, 0.92)) \
    X(aiGlowOrangeColor, Color::rgb(1.0, 0.56, 0.36)) X(shadowColor, Color::black(0.45)) X(shadowRadius, 28) \
    X(shadowYOffset, 18) X(inputFillColor, Color::black(1)) X(inputBorderColor, Color::clear()) \
    X(rowFillColor, Color::white(0.03)) X(rowBorderColor, Color::white(0.05)) \
    X(primaryTextColor, Color::white(0.96)) X(secondaryTextColor, Color::white(0.5)) \
    X(chromeColor, Color::white(0.32)) X(sectionChipFillColor, Color::white(0.04)) \
    X(sectionChipSelectedFillColor, Color::white(0.08)) X(sectionChipBorderColor, Color::white(0.08)) \
    X(sectionChipSelectedBorderColor, Color::white(0.14)) X(buttonFillColor, Color::white(0.055)) \
    X(buttonBorderColor, Color::white(0.08)) X(buttonHoverFillColor, Color::white(0.085)) \
    X(highPriorityColor, Color::rgb(0.81, 0.31, 0.29)) X(mediumPriorityColor, Color::rgb(0.8, 0.67, 0.28)) \
    X(lowPriorityColor, Color::rgb(0.45, 0.62, 0.48)) X(taskCheckboxFillColor, Color::white(0.05)) \
    X(taskCheckboxCheckmarkColor, Color::white(0.98)) X(taskCheckboxBorderOpacity, 0.72) \
    X(sectionAccentRed, Color::rgb(1.0, 0.35, 0.35)) X(sectionAccentOrange, Color::rgb(1.0, 0.63, 0.29)) \
    X(sectionAccentYellow, Color::rgb(0.98, 0.84, 0.24)) X(sectionAccentGreen, Color::rgb(0.29, 0.84, 0.43)) \
    X(sectionAccentBlue, Color::rgb(0.18, 0.6, 0.98)) X(sectionAccentPurple, Color::rgb(0.79, 0.27, 0.91)) \
    X(sectionAccentGray, Color::rgb(0.71, 0.71, 0.74)) X(collapsedCornerRadius, 18) X(expandedCornerRadius, 26) \
    X(inputCornerRadius, 16) X(rowCornerRadius, 16) X(buttonCornerRadius, 12) X(taskCheckboxCornerRadius, 6) \
    X(taskCheckboxBorderLineWidth, 1.2) X(aiGlowBorderOpacity, 0.95) X(aiGlowEdgeOpacity, 0.42) \
    X(aiGlowHaloOpacity, 0.22) \
    X(onboardingVideoOverlayFillColor, Color::gray(0.08235294117647059)) \
    X(onboardingVideoOverlayStrokeColor, Color::clear()) X(onboardingVideoOverlayTitleColor, Color::label()) \
    X(onboardingVideoOverlayBodyColor, Color::secondaryLabel()) \
    X(onboardingIntroButtonFillColor, Color::black(0.72)) X(onboardingIntroButtonStrokeColor, Color::white(0.22)) \
    X(onboardingIntroButtonTextColor, Color::white(1))

#define LAYOUT(X) \
    X(contentTopPadding, 18) X(contentHorizontalPadding, 18) X(contentBottomPadding, 18) \
    X(sidebarContentHorizontalInset, 10) X(physicalNotchInsetX, 6) X(physicalNotchInsetY, 0) \
    X(expandedContentTopSpacingBelowNotch, 10) X(notchSlotHorizontalInset, 18) X(notchSlotMinimumWidth, 88) \
    X(notchSlotSpacingFromNotch, 10) X(virtualNotchWidth, 192) X(virtualNotchHeight, 32) \
    X(notchBandOverflowBehavior, Config::NotchBandOverflowBehavior::preserveMinimumSlots) \
    X(minimumCollapsedWidth, 140) X(minimumCollapsedHeight, 28) X(expandedWidthMultiplier, 2.25) \
    X(minimumExpandedWidth, 420) X(expandedHeightMultiplier, 8.2) X(minimumExpandedHeight, 318) \
    X(inputHeight, 42) X(taskRowHeight, 58) X(taskTitleLineLimit, 2) X(taskCheckboxWidth, 18) \
    X(taskCheckboxHeight, 18) X(taskListSpacing, 12) X(addTaskRowTopSpacing, 6) X(sectionChipHeight, 30) \
    X(sectionChipContainerHeight, 34) X(sectionChipSpacing, 10) X(sectionTabRowHeight, 34) \
    X(sectionTabLabelLaneHeight, 26) X(sectionTabIndicatorLaneHeight, 8) X(sectionTabSpacing, 24) \
    X(sectionTabTrailingSpacing, 14) X(sectionTabAccessorySize, 26) X(sectionTabIndicatorWidth, 28) \
    X(sectionTabIndicatorHeight, 3) X(sectionTabDividerTopSpacing, 5) X(sectionComposerHeight, 36) \
    X(sectionComposerSpacing, 10) X(preferredVisibleTaskRows, 4) X(panelHorizontalPadding, 40) \
    X(panelGlowHorizontalPadding, 92) X(panelGlowTopPadding, 34) X(panelBottomPadding, 34) \
    X(notchControlFontSize, 11) X(notchControlHorizontalPadding, 10) X(notchControlVerticalPadding, 6) \
    X(notchControlSymbolSize, 11) X(notchMenuChevronSize, 10) X(notchControlGroupSpacing, 8) \
    X(notchControlEdgePadding, 8) X(notchMenuLabelSpacing, 8) X(notchMenuMinimumTitleWidth, 44) \
    X(notchMenuMaximumTitleWidth, 120) X(notchTaskCounterMinimumWidth, 28) X(notchTaskCounterSpacing, 8) \
    X(notchHeaderScreenWidthFraction, 0.82) X(workspaceDropdownWidth, 220) X(workspaceDropdownCornerRadius, 12) \
    X(workspaceDropdownPadding, 8) X(workspaceDropdownSectionSpacing, 8) X(workspaceDropdownGroupPadding, 8) \
    X(workspaceDropdownGroupCornerRadius, 8) X(workspaceDropdownRowHeight, 28) X(workspaceDropdownRowSpacing, 2) \
    X(workspaceDropdownHeaderSpacing, 10) X(workspaceDropdownActionIconSize, 13) X(workspaceDropdownSwatchSize, 18) \
    X(workspaceDropdownSwatchSpacing, 9) X(workspaceDropdownSwatchRingLineWidth, 1.5) X(aiGlowBorderLineWidth, 2.2) \
    X(aiGlowEdgeLineWidth, 3.6) X(aiGlowEdgeBlurRadius, 7) X(aiGlowHaloLineWidth, 12) X(aiGlowHaloBlurRadius, 18) \
    X(aiGlowScaleDrift, 0.022) X(onboardingVideoOverlayCornerRadius, 0) \
    X(onboardingVideoOverlayHorizontalInset, 0) X(onboardingVideoOverlayBottomInset, 0) \
    X(onboardingVideoOverlayHorizontalPadding, 34) X(onboardingVideoOverlayVerticalPadding, 28) \
    X(onboardingVideoOverlayTitleSpacing, 12) X(onboardingVideoOverlayMaxWidth, std::numeric_limits<double>::max()) \
    X(onboardingVideoOverlayMinHeight, 148) X(onboardingVideoOverlayContentMaxWidth, 1140) \
    X(onboardingVideoOverlayButtonWidth, 44) X(onboardingVideoOverlayButtonHeight, 120) \
    X(onboardingVideoOverlaySidePadding, 28) X(onboardingVideoOverlayContentGap, 24) \
    X(onboardingIntroButtonHeight, 44) X(onboardingIntroButtonHorizontalPadding, 22) \
    X(onboardingIntroButtonBottomPadding, 34) X(onboardingIntroButtonStrokeLineWidth, 1) \
    X(reminderFlightAirplaneWidth, 112) X(reminderFlightAirplaneHeight, 62) X(reminderFlightFlagMinWidth, 196) \
    X(reminderFlightFlagMaxWidth, std::numeric_limits<double>::max()) X(reminderFlightFlagHeight, 80) \
    X(reminderFlightFlagPoleHeight, 88) X(reminderFlightFlagHorizontalPadding, 30) \
    X(reminderFlightFlagVerticalPadding, 20) X(reminderFlightFlagTextSize, 21) X(reminderFlightLeadSpacing, 18) \
    X(reminderFlightOffscreenInset, 140)

#define INTERACTION(X) \
    X(animationResponse, 0.36) X(animationDamping, 0.82) X(triggerInsetX, 8) X(retentionInsetX, 12) \
    X(retentionInsetY, 8) X(taskListAnimationResponse, 0.34) X(taskListAnimationDamping, 0.82) \
    X(taskCompletionPressDuration, 0.1) X(taskCompletionRemovalDelay, 0.16) X(taskCompletionScale, 0.965) \
    X(taskCompletionOffset, 18) X(reducedMotionDuration, 0.12) X(aiGlowRotationDuration, 8.5) \
    X(aiGlowBreathingDuration, 5.5) X(reminderFlightDuration, 11.8) X(reminderFlightReducedMotionDuration, 6.8) \
    X(reminderFlightMotionFramesPerSecond, 120) X(reminderFlightSpriteFramesPerSecond, 24) \
    X(reminderFlightFlagFramesPerSecond, 60) X(reminderFlightGroupBobAmplitude, 1.2) \
    X(reminderFlightGroupBobPeriod, 2.6) X(reminderFlightGroupJiggleAngle, 0.35) \
    X(reminderFlightGroupJigglePeriod, 1.8) X(reminderFlightFlagWaveAmplitude, 4.2) \
    X(reminderFlightFlagWaveFrequency, 1.2) X(reminderFlightFlagWaveSpeed, 2.0) \
    X(reminderFlightFlagTrailingWaveBoost, 1.35)

#define CONTENT(X) \
    X(appName, "QuaverLoom") X(inputPlaceholder, "Add a task") X(emptyStateTitle, "Type a task and press Return.") \
    X(emptyStateMessage, "Use the native reorder handles to rearrange tasks, or AI Sort to rank the full list.") \
    X(aiSortTitle, "AI Sort") X(sortingStatusTitle, "Sorting\u2026") X(onboardingTitle, "Onboarding") \
    X(onboardingSubtitle, "Open the latest onboarding guide in a full-screen preview.") \
    X(onboardingButtonTitle, "Open") X(onboardingIntroImageName, "onboard1") \
    X(onboardingIntroButtonTitle, "Learn How to Use") X(onboardingSlides, defaultSlides()) \
    X(onboardingCloseAccessibilityLabel, "Close onboarding") X(onboardingGetStartedButtonTitle, "Get Started") \
    X(reminderSetTitle, "Set Timer") X(reminderChangeTitle, "Change Timer") X(reminderClearTitle, "Clear Timer") \
    X(reminderDateLabel, "Timer time") X(reminderSaveTitle, "Save") X(reminderCancelTitle, "Cancel") \
    X(reminderUnsetStatus, "No timer scheduled")

#define TYPOGRAPHY(X) \
    X(inputFont, rounded(14, Weight::Medium)) X(titleFont, rounded(13, Weight::Medium)) \
    X(taskFont, rounded(13, Weight::Medium)) X(reasonFont, rounded(11, Weight::Regular)) \
    X(sectionChipFont, rounded(12, Weight::Semibold)) X(sectionBadgeFont, rounded(9, Weight::Bold)) \
    X(onboardingVideoOverlayNumberFont, Font::named("Times New Roman", 16)) \
    X(onboardingVideoOverlayTitleFont, Font::named("Times New Roman", 26)) \
    X(onboardingVideoOverlayBodyFont, Font::named("SF Pro Display", 18)) \
    X(onboardingIntroButtonFont, rounded(15, Weight::Semibold))

QList<Slide> defaultSlides()
{
    return {
        {"slide 1 ready v1", "Open your composer",
         "Move your cursor beneath the notch to reveal the panel. The composer is ready the moment it opens"},
        {"slide 2 ready v1", "Create your first task",
         "Reveal the panel, type your task, press enter and you are good to go."},
        {"slide 3 ready v1", "Create different sections for different work",
         "Keep tasks separated by context, so work, personal items, and ideas each have their own space."},
        {"slide 4 ready v1", "Smarter sections, smarter sorting",
         "Each section can have its own prompt, so AI Sort knows exactly how to organize and prioritize your tasks."},
        {"slide 5 ready v1", "Airplane Reminders",
         "Turn any task into a timed reminder. When it is ready, your little airplane brings it back to the top of "
         "your day."},
    };
}

#define DESIGNATE(name, value) .name = value,
#define COUNT(name, value) +1
#define COMPARE(name, value) EXPECT_EQ(actual.name, expected.name) << #name;
#define EXPECT_GROUP(member, Type, LIST) \
    { \
        const Config::Type expected{LIST(DESIGNATE)}; \
        const Config::Type& actual = defaults.member; \
        LIST(COMPARE) \
    }
} // namespace

TEST(NotchTemplateConfiguration, EveryDefaultIsTheTemplatesOwn)
{
    // The template has 55 appearance, 105 layout and 27 interaction fields.
    static_assert(memberCount<Config::Appearance>() == 55 && (0 APPEARANCE(COUNT)) == 55);
    static_assert(memberCount<Config::Layout>() == 105 && (0 LAYOUT(COUNT)) == 105);
    static_assert(memberCount<Config::Interaction>() == 27 && (0 INTERACTION(COUNT)) == 27);
    static_assert(memberCount<Config::Content>() == (0 CONTENT(COUNT)));
    static_assert(memberCount<Config::Typography>() == (0 TYPOGRAPHY(COUNT)) && (0 TYPOGRAPHY(COUNT)) == 10);

    const Config& defaults = Config::defaults();
    EXPECT_GROUP(appearance, Appearance, APPEARANCE)
    EXPECT_GROUP(layout, Layout, LAYOUT)
    EXPECT_GROUP(interaction, Interaction, INTERACTION)
    EXPECT_GROUP(content, Content, CONTENT)
    EXPECT_GROUP(typography, Typography, TYPOGRAPHY)
    // One built record, read by everyone.
    EXPECT_EQ(&Config::defaults(), &defaults);
    EXPECT_EQ(defaults.content.sortingStatusTitle.toUtf8().size(), 10);
}

TEST(TemplateStyle, ColoursFontsAndWidgetExtents)
{
    using Color = NotchTemplateConfiguration::Color;
    const QColor border = TemplateStyle::color(Color::white(0.09));
    EXPECT_EQ(border.rgb() & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_NEAR(border.alphaF(), 0.09, 0.005);
    EXPECT_EQ(TemplateStyle::color(Color::clear()).alpha(), 0);
    EXPECT_EQ(TemplateStyle::color(Color::rgb(1.0, 0.35, 0.35)), QColor::fromRgbF(1.0f, 0.35f, 0.35f));

    // Label colours follow the palette handed in.
    QPalette dark;
    dark.setColor(QPalette::WindowText, Qt::white);
    EXPECT_EQ(TemplateStyle::color(Color::label(), dark), QColor(Qt::white));
    const QColor secondary = TemplateStyle::color(Color::secondaryLabel(), dark);
    EXPECT_EQ(secondary.rgb() & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_LT(secondary.alpha(), 255);

    const auto& typography = NotchTemplateConfiguration::defaults().typography;
    const QFont input = TemplateStyle::font(typography.inputFont);
    EXPECT_EQ(input.pixelSize(), 14);
    EXPECT_EQ(input.weight(), QFont::Medium);
    const QFont title = TemplateStyle::font(typography.onboardingVideoOverlayTitleFont);
    EXPECT_EQ(title.family(), "Times New Roman");
    EXPECT_EQ(title.pixelSize(), 26);
    EXPECT_EQ(TemplateStyle::font(typography.sectionBadgeFont).weight(), QFont::Bold);

    const double width = TemplateStyle::textWidth("AI Sort", typography.sectionChipFont);
    EXPECT_GT(width, 0);
    EXPECT_EQ(width, std::ceil(width));
    EXPECT_EQ(TemplateStyle::textWidthFunction()("AI Sort", typography.sectionChipFont), width);

    // "No limit" must never reach a widget as an overflowing int.
    EXPECT_EQ(TemplateStyle::widgetExtent(NotchTemplateConfiguration::noLimit), QWIDGETSIZE_MAX);
    EXPECT_EQ(TemplateStyle::widgetExtent(std::numeric_limits<double>::infinity()), QWIDGETSIZE_MAX);
    EXPECT_EQ(TemplateStyle::widgetExtent(std::nan("")), 0);
    EXPECT_EQ(TemplateStyle::widgetExtent(-4), 0);
    EXPECT_EQ(TemplateStyle::widgetExtent(148), 148);
    QWidget widget;
    widget.setMaximumWidth(TemplateStyle::widgetExtent(NotchTemplateConfiguration::defaults().layout.reminderFlightFlagMaxWidth));
    EXPECT_EQ(widget.maximumWidth(), QWIDGETSIZE_MAX);
}
