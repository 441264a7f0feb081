#pragma once

#include <QList>
#include <QString>
#include <limits>

// Every look-and-feel constant of the program. Lengths are points (one point is
// one logical pixel), durations seconds, opacities fractions of 1. Holders keep
// their own copy; nothing here refers to Qt GUI types, so the core can carry it.
struct NotchTemplateConfiguration {
    // Largest finite length: a maximum that never limits anything.
    static constexpr double noLimit = std::numeric_limits<double>::max();

    struct Color {
        // Label colours follow the desktop's palette and are resolved when drawn.
        enum class Role { Fixed, Label, SecondaryLabel };

        Role role = Role::Fixed;
        double red = 0;
        double green = 0;
        double blue = 0;
        double alpha = 1;

        static constexpr Color rgb(double r, double g, double b) { return {Role::Fixed, r, g, b, 1}; }
        static constexpr Color gray(double level) { return {Role::Fixed, level, level, level, 1}; }
        static constexpr Color white(double opacity) { return {Role::Fixed, 1, 1, 1, opacity}; }
        static constexpr Color black(double opacity) { return {Role::Fixed, 0, 0, 0, opacity}; }
        static constexpr Color clear() { return {Role::Fixed, 0, 0, 0, 0}; }
        static constexpr Color label() { return {Role::Label, 0, 0, 0, 1}; }
        static constexpr Color secondaryLabel() { return {Role::SecondaryLabel, 0, 0, 0, 1}; }

        friend bool operator==(const Color&, const Color&) = default;
    };

    struct Font {
        enum class Weight { Regular, Medium, Semibold, Bold };
        enum class Design { Standard, Rounded };

        QString family; // empty: the desktop's system font
        double pointSize = 13;
        Weight weight = Weight::Regular;
        Design design = Design::Standard;

        static Font system(double size, Weight weight, Design design = Design::Standard)
        {
            return {QString(), size, weight, design};
        }
        static Font named(const QString& family, double size) { return {family, size, Weight::Regular, Design::Standard}; }

        friend bool operator==(const Font&, const Font&) = default;
    };

    enum class NotchBandOverflowBehavior { preserveMinimumSlots, allowSlotCompression };

    struct Appearance {
        Color panelColor = Color::gray(0.01);
        Color borderColor = Color::white(0.09);
        double borderLineWidth = 1;
        Color innerGlowColor = Color::white(0.035);
        Color aiGlowBlueColor = Color::rgb(0.16, 0.78, 1.0);
        Color aiGlowVioletColor = Color::rgb(0.47, 0.38, 1.0);
        Color aiGlowMagentaColor = Color::rgb(0.93, 0.39, 0.92);
        Color aiGlowOrangeColor = Color::rgb(1.0, 0.56, 0.36);
        Color shadowColor = Color::black(0.45);
        double shadowRadius = 28;
        double shadowYOffset = 18;
        Color inputFillColor = Color::black(1);
        Color inputBorderColor = Color::clear();
        Color rowFillColor = Color::white(0.03);
        Color rowBorderColor = Color::white(0.05);
        Color primaryTextColor = Color::white(0.96);
        Color secondaryTextColor = Color::white(0.5);
        Color chromeColor = Color::white(0.32);
        Color sectionChipFillColor = Color::white(0.04);
        Color sectionChipSelectedFillColor = Color::white(0.08);
        Color sectionChipBorderColor = Color::white(0.08);
        Color sectionChipSelectedBorderColor = Color::white(0.14);
        Color buttonFillColor = Color::white(0.055);
        Color buttonBorderColor = Color::white(0.08);
        Color buttonHoverFillColor = Color::white(0.085);
        Color highPriorityColor = Color::rgb(0.81, 0.31, 0.29);
        Color mediumPriorityColor = Color::rgb(0.8, 0.67, 0.28);
        Color lowPriorityColor = Color::rgb(0.45, 0.62, 0.48);
        Color taskCheckboxFillColor = Color::white(0.05);
        Color taskCheckboxCheckmarkColor = Color::white(0.98);
        double taskCheckboxBorderOpacity = 0.72;
        Color sectionAccentRed = Color::rgb(1.0, 0.35, 0.35);
        Color sectionAccentOrange = Color::rgb(1.0, 0.63, 0.29);
        Color sectionAccentYellow = Color::rgb(0.98, 0.84, 0.24);
        Color sectionAccentGreen = Color::rgb(0.29, 0.84, 0.43);
        Color sectionAccentBlue = Color::rgb(0.18, 0.6, 0.98);
        Color sectionAccentPurple = Color::rgb(0.79, 0.27, 0.91);
        Color sectionAccentGray = Color::rgb(0.71, 0.71, 0.74);
        double collapsedCornerRadius = 18;
        double expandedCornerRadius = 26;
        double inputCornerRadius = 16;
        double rowCornerRadius = 16;
        double buttonCornerRadius = 12;
        double taskCheckboxCornerRadius = 6;
        double taskCheckboxBorderLineWidth = 1.2;
        double aiGlowBorderOpacity = 0.95;
        double aiGlowEdgeOpacity = 0.42;
        double aiGlowHaloOpacity = 0.22;
        Color onboardingVideoOverlayFillColor = Color::rgb(21.0 / 255.0, 21.0 / 255.0, 21.0 / 255.0);
        Color onboardingVideoOverlayStrokeColor = Color::clear();
        Color onboardingVideoOverlayTitleColor = Color::label();
        Color onboardingVideoOverlayBodyColor = Color::secondaryLabel();
        Color onboardingIntroButtonFillColor = Color::black(0.72);
        Color onboardingIntroButtonStrokeColor = Color::white(0.22);
        Color onboardingIntroButtonTextColor = Color::white(1);

        friend bool operator==(const Appearance&, const Appearance&) = default;
    };

    struct Layout {
        double contentTopPadding = 18;
        double contentHorizontalPadding = 18;
        double contentBottomPadding = 18;
        double sidebarContentHorizontalInset = 10;
        double physicalNotchInsetX = 6;
        double physicalNotchInsetY = 0;
        double expandedContentTopSpacingBelowNotch = 10;
        double notchSlotHorizontalInset = 18;
        double notchSlotMinimumWidth = 88;
        double notchSlotSpacingFromNotch = 10;
        double virtualNotchWidth = 192;
        double virtualNotchHeight = 32;
        NotchBandOverflowBehavior notchBandOverflowBehavior = NotchBandOverflowBehavior::preserveMinimumSlots;
        double minimumCollapsedWidth = 140;
        double minimumCollapsedHeight = 28;
        double expandedWidthMultiplier = 2.25;
        double minimumExpandedWidth = 420;
        double expandedHeightMultiplier = 8.2;
        double minimumExpandedHeight = 318;
        double inputHeight = 42;
        double taskRowHeight = 58;
        int taskTitleLineLimit = 2;
        double taskCheckboxWidth = 18;
        double taskCheckboxHeight = 18;
        double taskListSpacing = 12;
        double addTaskRowTopSpacing = 6;
        double sectionChipHeight = 30;
        double sectionChipContainerHeight = 34;
        double sectionChipSpacing = 10;
        double sectionTabRowHeight = 34;
        double sectionTabLabelLaneHeight = 26;
        double sectionTabIndicatorLaneHeight = 8;
        double sectionTabSpacing = 24;
        double sectionTabTrailingSpacing = 14;
        double sectionTabAccessorySize = 26;
        double sectionTabIndicatorWidth = 28;
        double sectionTabIndicatorHeight = 3;
        double sectionTabDividerTopSpacing = 5;
        double sectionComposerHeight = 36;
        double sectionComposerSpacing = 10;
        int preferredVisibleTaskRows = 4;
        double panelHorizontalPadding = 40;
        double panelGlowHorizontalPadding = 92;
        double panelGlowTopPadding = 34;
        double panelBottomPadding = 34;
        double notchControlFontSize = 11;
        double notchControlHorizontalPadding = 10;
        double notchControlVerticalPadding = 6;
        double notchControlSymbolSize = 11;
        double notchMenuChevronSize = 10;
        double notchControlGroupSpacing = 8;
        double notchControlEdgePadding = 8;
        double notchMenuLabelSpacing = 8;
        double notchMenuMinimumTitleWidth = 44;
        double notchMenuMaximumTitleWidth = 120;
        double notchTaskCounterMinimumWidth = 28;
        double notchTaskCounterSpacing = 8;
        double notchHeaderScreenWidthFraction = 0.82;
        double workspaceDropdownWidth = 220;
        double workspaceDropdownCornerRadius = 12;
        double workspaceDropdownPadding = 8;
        double workspaceDropdownSectionSpacing = 8;
        double workspaceDropdownGroupPadding = 8;
        double workspaceDropdownGroupCornerRadius = 8;
        double workspaceDropdownRowHeight = 28;
        double workspaceDropdownRowSpacing = 2;
        double workspaceDropdownHeaderSpacing = 10;
        double workspaceDropdownActionIconSize = 13;
        double workspaceDropdownSwatchSize = 18;
        double workspaceDropdownSwatchSpacing = 9;
        double workspaceDropdownSwatchRingLineWidth = 1.5;
        double aiGlowBorderLineWidth = 2.2;
        double aiGlowEdgeLineWidth = 3.6;
        double aiGlowEdgeBlurRadius = 7;
        double aiGlowHaloLineWidth = 12;
        double aiGlowHaloBlurRadius = 18;
        double aiGlowScaleDrift = 0.022;
        double onboardingVideoOverlayCornerRadius = 0;
        double onboardingVideoOverlayHorizontalInset = 0;
        double onboardingVideoOverlayBottomInset = 0;
        double onboardingVideoOverlayHorizontalPadding = 34;
        double onboardingVideoOverlayVerticalPadding = 28;
        double onboardingVideoOverlayTitleSpacing = 12;
        double onboardingVideoOverlayMaxWidth = noLimit;
        double onboardingVideoOverlayMinHeight = 148;
        double onboardingVideoOverlayContentMaxWidth = 1140;
        double onboardingVideoOverlayButtonWidth = 44;
        double onboardingVideoOverlayButtonHeight = 120;
        double onboardingVideoOverlaySidePadding = 28;
        double onboardingVideoOverlayContentGap = 24;
        double onboardingIntroButtonHeight = 44;
        double onboardingIntroButtonHorizontalPadding = 22;
        double onboardingIntroButtonBottomPadding = 34;
        double onboardingIntroButtonStrokeLineWidth = 1;
        double reminderFlightAirplaneWidth = 112;
        double reminderFlightAirplaneHeight = 62;
        double reminderFlightFlagMinWidth = 196;
        double reminderFlightFlagMaxWidth = noLimit;
        double reminderFlightFlagHeight = 80;
        double reminderFlightFlagPoleHeight = 88;
        double reminderFlightFlagHorizontalPadding = 30;
        double reminderFlightFlagVerticalPadding = 20;
        double reminderFlightFlagTextSize = 21;
        double reminderFlightLeadSpacing = 18;
        double reminderFlightOffscreenInset = 140;

        friend bool operator==(const Layout&, const Layout&) = default;
    };

    struct Interaction {
        double animationResponse = 0.36;
        double animationDamping = 0.82;
        double triggerInsetX = 8;
        double retentionInsetX = 12;
        double retentionInsetY = 8;
        double taskListAnimationResponse = 0.34;
        double taskListAnimationDamping = 0.82;
        double taskCompletionPressDuration = 0.1;
        double taskCompletionRemovalDelay = 0.16;
        double taskCompletionScale = 0.965;
        double taskCompletionOffset = 18;
        double reducedMotionDuration = 0.12;
        double aiGlowRotationDuration = 8.5;
        double aiGlowBreathingDuration = 5.5;
        double reminderFlightDuration = 11.8;
        double reminderFlightReducedMotionDuration = 6.8;
        double reminderFlightMotionFramesPerSecond = 120;
        double reminderFlightSpriteFramesPerSecond = 24;
        double reminderFlightFlagFramesPerSecond = 60;
        double reminderFlightGroupBobAmplitude = 1.2;
        double reminderFlightGroupBobPeriod = 2.6;
        double reminderFlightGroupJiggleAngle = 0.35;
        double reminderFlightGroupJigglePeriod = 1.8;
        double reminderFlightFlagWaveAmplitude = 4.2;
        double reminderFlightFlagWaveFrequency = 1.2;
        double reminderFlightFlagWaveSpeed = 2.0;
        double reminderFlightFlagTrailingWaveBoost = 1.35;

        friend bool operator==(const Interaction&, const Interaction&) = default;
    };

    struct Content {
        struct OnboardingSlide {
            QString videoAssetName;
            QString title;
            QString body;

            friend bool operator==(const OnboardingSlide&, const OnboardingSlide&) = default;
        };

        QString appName = QStringLiteral("QuaverLoom");
        QString inputPlaceholder = QStringLiteral("Add a task");
        QString emptyStateTitle = QStringLiteral("Type a task and press Return.");
        QString emptyStateMessage = QStringLiteral("Use the native reorder handles to rearrange tasks, or AI Sort to rank the full list.");
        QString aiSortTitle = QStringLiteral("AI Sort");
        QString sortingStatusTitle = QStringLiteral("Sorting\u2026");
        QString onboardingTitle = QStringLiteral("Onboarding");
        QString onboardingSubtitle = QStringLiteral("Open the latest onboarding guide in a full-screen preview.");
        QString onboardingButtonTitle = QStringLiteral("Open");
        QString onboardingIntroImageName = QStringLiteral("onboard1");
        QString onboardingIntroButtonTitle = QStringLiteral("Learn How to Use");
        QList<OnboardingSlide> onboardingSlides = {
            {QStringLiteral("slide 1 ready v1"), QStringLiteral("Open your composer"), QStringLiteral("Move your cursor beneath the notch to reveal the panel. The composer is ready the moment it opens")},
            {QStringLiteral("slide 2 ready v1"), QStringLiteral("Create your first task"), QStringLiteral("Reveal the panel, type your task, press enter and you are good to go.")},
            {QStringLiteral("slide 3 ready v1"), QStringLiteral("Create different sections for different work"), QStringLiteral("Keep tasks separated by context, so work, personal items, and ideas each have their own space.")},
            {QStringLiteral("slide 4 ready v1"), QStringLiteral("Smarter sections, smarter sorting"), QStringLiteral("Each section can have its own prompt, so AI Sort knows exactly how to organize and prioritize your tasks.")},
            {QStringLiteral("slide 5 ready v1"), QStringLiteral("Airplane Reminders"), QStringLiteral("Turn any task into a timed reminder. When it is ready, your little airplane brings it back to the top of your day.")},
        };
        QString onboardingCloseAccessibilityLabel = QStringLiteral("Close onboarding");
        QString onboardingGetStartedButtonTitle = QStringLiteral("Get Started");
        QString reminderSetTitle = QStringLiteral("Set Timer");
        QString reminderChangeTitle = QStringLiteral("Change Timer");
        QString reminderClearTitle = QStringLiteral("Clear Timer");
        QString reminderDateLabel = QStringLiteral("Timer time");
        QString reminderSaveTitle = QStringLiteral("Save");
        QString reminderCancelTitle = QStringLiteral("Cancel");
        QString reminderUnsetStatus = QStringLiteral("No timer scheduled");

        friend bool operator==(const Content&, const Content&) = default;
    };

    struct Typography {
        Font inputFont = Font::system(14, Font::Weight::Medium, Font::Design::Rounded);
        Font titleFont = Font::system(13, Font::Weight::Medium, Font::Design::Rounded);
        Font taskFont = Font::system(13, Font::Weight::Medium, Font::Design::Rounded);
        Font reasonFont = Font::system(11, Font::Weight::Regular, Font::Design::Rounded);
        Font sectionChipFont = Font::system(12, Font::Weight::Semibold, Font::Design::Rounded);
        Font sectionBadgeFont = Font::system(9, Font::Weight::Bold, Font::Design::Rounded);
        Font onboardingVideoOverlayNumberFont = Font::named(QStringLiteral("Times New Roman"), 16);
        Font onboardingVideoOverlayTitleFont = Font::named(QStringLiteral("Times New Roman"), 26);
        Font onboardingVideoOverlayBodyFont = Font::named(QStringLiteral("SF Pro Display"), 18);
        Font onboardingIntroButtonFont = Font::system(15, Font::Weight::Semibold, Font::Design::Rounded);

        friend bool operator==(const Typography&, const Typography&) = default;
    };

    Appearance appearance;
    Layout layout;
    Interaction interaction;
    Content content;
    Typography typography;

    friend bool operator==(const NotchTemplateConfiguration&, const NotchTemplateConfiguration&) = default;

    // The built-in template, built once on first use and never changed.
    static const NotchTemplateConfiguration& defaults();
};
