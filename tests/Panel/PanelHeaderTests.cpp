// The panel's header views.
#include "Panel/SectionWorkspaceBarView.h"
#include "Panel/TaskListView.h"
#include "Panel/TransparentTaskTextField.h"
#include "Panel/WorkspaceDropdownPanel.h"
#include "Panel/WorkspaceMenuControl.h"
#include "Support/EventLoopWait.h"
#include "Support/PanelFixture.h"
#include "UI/PopoverFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

TEST(WorkspaceDropdown, IsTwoHundredTwentyWideWithSwatchesTwentySevenApart)
{
    double now = 10;
    WorkspaceDropdownPanel panel(nullptr, [&] { return now; });
    panel.setInputs({NotchTemplateConfiguration::defaults(), TaskSectionAccent::blue, true, true});
    panel.adjustSize();
    panel.show();
    EXPECT_EQ(panel.width(), 220);
    EXPECT_EQ(panel.sizeHint().width(), 220) << "the swatch row asks for no more than fits";
    const QList<WorkspaceAccentSwatchButton*>& swatches = panel.swatches();
    ASSERT_EQ(swatches.size(), 7);
    // Padding 8, group padding 8, row padding 4: the first swatch's centre is 29 from the left.
    const auto centre = [](QWidget* swatch) { return swatch->x() + swatch->width() / 2.0; };
    EXPECT_EQ(centre(swatches.first()), 29);
    for (int i = 1; i < swatches.size(); ++i)
        EXPECT_EQ(centre(swatches[i]) - centre(swatches[i - 1]), 27) << i;
    EXPECT_EQ(220 - centre(swatches.last()), 29);
    EXPECT_DOUBLE_EQ(swatches[4]->ringLineWidth(), 1.5);
    EXPECT_DOUBLE_EQ(swatches[4]->scale(), 1.02);
    EXPECT_DOUBLE_EQ(swatches[4]->borderOpacity(), 0);
}

TEST(WorkspaceDropdown, RowsAndSwatchesEaseTheirHoverAndSpringTheirSelection)
{
    double now = 10;
    WorkspaceDropdownPanel panel(nullptr, [&] { return now; });
    panel.setInputs({NotchTemplateConfiguration::defaults(), TaskSectionAccent::blue, true, true});
    panel.show();
    const auto hover = [](QWidget* widget, bool entering) {
        if (entering) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)));
            QApplication::sendEvent(widget, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(widget, &leave);
        }
    };

    auto* rename = panel.findChild<WorkspaceDropdownRow*>();
    ASSERT_NE(rename, nullptr);
    EXPECT_EQ(rename->highlightOpacity(), 0);
    hover(rename, true);
    now += 0.08;
    // Ease-out: past half way at half the time.
    EXPECT_GT(rename->highlightOpacity(), 0.14);
    EXPECT_LT(rename->highlightOpacity(), 0.28);
    now += 0.09;
    EXPECT_DOUBLE_EQ(rename->highlightOpacity(), 0.28);
    hover(rename, false);
    now += 0.17;
    EXPECT_EQ(rename->highlightOpacity(), 0);

    WorkspaceAccentSwatchButton* red = panel.swatches()[0];
    hover(red, true);
    now += 0.08;
    EXPECT_GT(red->scale(), 1.02);
    EXPECT_LT(red->scale(), 1.04);
    EXPECT_GT(red->borderOpacity(), 0.625);
    now += 0.09;
    EXPECT_DOUBLE_EQ(red->scale(), 1.04);
    EXPECT_DOUBLE_EQ(red->borderOpacity(), 0.8);

    // A new colour moves the ring between the same swatches, springing.
    WorkspaceAccentSwatchButton* blue = panel.swatches()[4];
    panel.setInputs({NotchTemplateConfiguration::defaults(), TaskSectionAccent::red, true, true});
    EXPECT_EQ(panel.swatches()[0], red);
    EXPECT_TRUE(red->isSelected());
    EXPECT_FALSE(blue->isSelected());
    now += 0.06;
    EXPECT_GT(red->ringLineWidth(), 0);
    EXPECT_LT(red->ringLineWidth(), 1.5);
    EXPECT_GT(blue->ringLineWidth(), 0);
    EXPECT_LT(blue->ringLineWidth(), 1.5);
    now += 2;
    EXPECT_NEAR(red->ringLineWidth(), 1.5, 1e-3);
    EXPECT_NEAR(red->scale(), 1.02, 1e-3);
    EXPECT_NEAR(blue->ringLineWidth(), 0, 1e-3);
    EXPECT_NEAR(blue->scale(), 1, 1e-3);
    EXPECT_NEAR(blue->borderOpacity(), 0.45, 1e-3);
}

TEST(WorkspaceDropdown, ItsPopoverCastsTheSpecifiedShadow)
{
    PanelFixture f;
    const std::optional<PopoverFrame::Shadow>& shadow = f.panel().menuControl()->dropdownPopover()->shadow();
    ASSERT_TRUE(shadow.has_value());
    EXPECT_EQ(shadow->color, QColor::fromRgbF(0, 0, 0, 0.18f));
    EXPECT_EQ(shadow->radius, 16);
    EXPECT_EQ(shadow->offset, QPointF(0, 10));
    EXPECT_FALSE(f.panel().menuControl()->renamePopover()->shadow().has_value());
}
