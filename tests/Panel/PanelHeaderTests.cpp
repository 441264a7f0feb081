// The panel's header views: the workspace dropdown and the delete confirmation.
#include "Panel/SectionWorkspaceBarView.h"
#include "Panel/TaskListView.h"
#include "Panel/TransparentTaskTextField.h"
#include "Panel/WorkspaceDeleteConfirmation.h"
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

namespace {
// Keys go where the keyboard is, as a person's would.
void pressKey(Qt::Key key)
{
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, key);
}

// The panel's window active, as it is once the panel has taken the keyboard.
struct ActivePanel : PanelFixture {
    ActivePanel()
    {
        QApplication::setActiveWindow(&view);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
        // Expanding gave the keyboard to the task composer.
        EXPECT_TRUE(waitUntil([this] { return QApplication::focusWidget() == taskComposer(); }));
    }
    QWidget* taskComposer() { return panel().taskList()->composerField(); }
    // Chooses "Delete Section" in the menu of the selected section, titled `title`.
    WorkspaceDeleteConfirmation* askToDelete(const QString& title)
    {
        click(title + QStringLiteral(" options"));
        click(QStringLiteral("Delete Section"));
        WorkspaceDeleteConfirmation* confirmation = panel().menuControl()->deleteConfirmation();
        EXPECT_TRUE(confirmation && confirmation->isVisible());
        return confirmation;
    }
    QStringList sectionTitles()
    {
        QStringList titles;
        for (const TaskSection& section : viewModel.sections())
            titles.append(section.title);
        return titles;
    }
};
} // namespace

TEST(DeleteConfirmation, IsACardInsideThePanelThatHoldsItAndTakesTheKeyboard)
{
    ActivePanel f;
    f.viewModel.selectWorkspace(QStringLiteral("section.home"));
    f.add(QStringLiteral("Fix the sink"));
    WorkspaceDeleteConfirmation* confirmation = f.askToDelete(QStringLiteral("Home"));
    ASSERT_NE(confirmation, nullptr);
    // Drawn in the panel itself, over all of it, its card within the panel's outline.
    EXPECT_EQ(confirmation->window(), f.view.window());
    EXPECT_EQ(confirmation->parentWidget(), f.panel().contentColumn());
    EXPECT_EQ(confirmation->geometry(), f.panel().contentColumn()->rect());
    const QRect card(confirmation->mapTo(&f.panel(), confirmation->card()->pos()), confirmation->card()->size());
    EXPECT_TRUE(f.panel().visibleShape().contains(QRectF(card)));
    EXPECT_EQ(confirmation->titleLabel()->text(), QStringLiteral("Delete Home?"));
    EXPECT_EQ(confirmation->titleLabel()->textFormat(), Qt::PlainText);
    EXPECT_NE(named<QLabel>(QStringLiteral("This removes the section and deletes every task inside it.")), nullptr);
    EXPECT_TRUE(f.viewModel.hasExpansionHold());
    EXPECT_EQ(QApplication::focusWidget(), confirmation->cancelButton());

    // Nothing else in the panel takes the keyboard while it asks.
    f.taskComposer()->setFocus();
    EXPECT_EQ(QApplication::focusWidget(), confirmation->cancelButton());
    // Escape cancels and the keyboard goes back to the composer.
    pressKey(Qt::Key_Escape);
    f.view.syncNow();
    EXPECT_FALSE(confirmation->isVisible());
    EXPECT_FALSE(f.viewModel.hasExpansionHold());
    EXPECT_FALSE(f.panel().state().isConfirmingWorkspaceDeletion);
    EXPECT_EQ(f.viewModel.sections().size(), 4);
    EXPECT_EQ(QApplication::focusWidget(), f.taskComposer());

    // Return answers with the focused choice: Cancel at first.
    f.askToDelete(QStringLiteral("Home"));
    pressKey(Qt::Key_Return);
    f.view.syncNow();
    EXPECT_FALSE(confirmation->isVisible());
    EXPECT_EQ(f.viewModel.sections().size(), 4);

    // Tab moves to "Delete Section" and back, never out of the card; Return there deletes, once.
    f.askToDelete(QStringLiteral("Home"));
    pressKey(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), confirmation->deleteButton());
    pressKey(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), confirmation->cancelButton());
    pressKey(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), confirmation->deleteButton());
    QSignalSpy sections(&f.viewModel, &NotchTaskViewModel::sectionsChanged);
    pressKey(Qt::Key_Return);
    f.view.syncNow();
    EXPECT_EQ(sections.count(), 1);
    EXPECT_EQ(f.viewModel.sections().size(), 3);
    EXPECT_TRUE(f.viewModel.allTasks().isEmpty());
    EXPECT_FALSE(f.viewModel.hasExpansionHold());
    EXPECT_FALSE(confirmation->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), f.taskComposer());
}

TEST(DeleteConfirmation, ThePointerAnswersOnlyOnTheCardAndCollapsingWithdrawsIt)
{
    ActivePanel f;
    f.viewModel.selectWorkspace(QStringLiteral("section.work"));
    f.view.syncNow();
    WorkspaceDeleteConfirmation* confirmation = f.askToDelete(QStringLiteral("Work"));
    ASSERT_NE(confirmation, nullptr);
    // A press beside the card reaches nothing underneath.
    QTest::mouseClick(confirmation, Qt::LeftButton, {}, QPoint(4, confirmation->height() - 30));
    EXPECT_TRUE(confirmation->isVisible());
    QTest::mouseClick(confirmation->cancelButton(), Qt::LeftButton);
    f.view.syncNow();
    EXPECT_FALSE(confirmation->isVisible());
    EXPECT_EQ(f.viewModel.sections().size(), 4);

    // Collapsing (the panel does so only once the hold is gone) withdraws the question unanswered.
    ASSERT_EQ(f.askToDelete(QStringLiteral("Work")), confirmation);
    f.viewModel.setExpanded(false);
    f.view.syncNow();
    EXPECT_FALSE(confirmation->isVisible());
    EXPECT_FALSE(f.viewModel.hasExpansionHold());
    EXPECT_EQ(f.viewModel.sections().size(), 4);
}
