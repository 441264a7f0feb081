#include "UI/TemplateStyle.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QFontInfo>
#include <QWidget>
#include <gtest/gtest.h>
#include <limits>

TEST(NotchTemplateConfiguration, DefaultsAreBuiltOnceAndSpotCheck)
{
    const auto& first = NotchTemplateConfiguration::defaults();
    const auto& second = NotchTemplateConfiguration::defaults();
    EXPECT_EQ(&first, &second);

    // A copy is independent of the default.
    auto copy = first;
    EXPECT_EQ(copy.layout, first.layout);
    copy.layout.taskRowHeight = 99;
    EXPECT_NE(copy.layout, first.layout);
    EXPECT_EQ(NotchTemplateConfiguration::defaults().layout.taskRowHeight, 58);

    EXPECT_EQ(first.layout.notchBandOverflowBehavior,
              NotchTemplateConfiguration::NotchBandOverflowBehavior::preserveMinimumSlots);
    EXPECT_EQ(first.layout.onboardingVideoOverlayMaxWidth, std::numeric_limits<double>::max());
    EXPECT_EQ(first.layout.reminderFlightFlagMaxWidth, std::numeric_limits<double>::max());
    EXPECT_EQ(first.layout.onboardingVideoOverlayButtonWidth, 44);
    EXPECT_EQ(first.layout.onboardingVideoOverlayButtonHeight, 120);
    EXPECT_EQ(first.interaction.animationResponse, 0.36);
    EXPECT_EQ(first.appearance.onboardingVideoOverlayFillColor.red, 0.08235294117647059);
    EXPECT_EQ(first.appearance.panelColor, (NotchTemplateConfiguration::Color{NotchTemplateConfiguration::Color::Role::Fixed, 0.01, 0.01, 0.01, 1}));

    const auto& slides = first.content.onboardingSlides;
    ASSERT_EQ(slides.size(), 5);
    for (int i = 0; i < slides.size(); ++i)
        EXPECT_EQ(slides[i].videoAssetName, QStringLiteral("slide %1 ready v1").arg(i + 1));
    EXPECT_EQ(slides[4].title, "Airplane Reminders");
    EXPECT_EQ(first.content.sortingStatusTitle.toUtf8(), QByteArray("Sorting\xE2\x80\xA6"));
    EXPECT_EQ(first.content.sortingStatusTitle.toUtf8().size(), 10);

    EXPECT_EQ(first.typography.onboardingVideoOverlayBodyFont.family, "SF Pro Display");
    EXPECT_EQ(first.typography.sectionChipFont.weight, NotchTemplateConfiguration::Font::Weight::Semibold);
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
