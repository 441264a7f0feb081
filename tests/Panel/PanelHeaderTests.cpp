// The panel's header views: the workspace tab strip and its section composer,
// the workspace dropdown and the delete confirmation.
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
#include <QScreen>
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

namespace {
void typeIntoFocus(const QString& text)
{
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClicks(focused, text);
}

TaskWorkspaceTab tabNamed(const QString& id, const QString& title)
{
    TaskWorkspaceTab tab;
    tab.id = id;
    tab.title = title;
    return tab;
}
// A bar of `count` tabs, 518 wide as in the panel.
struct TabStrip {
    QString selected = QStringLiteral("tab.0");
    QStringList selections;
    int keyboardHandedBack = 0;
    bool adding = false;
    QString title;
    QList<TaskWorkspaceTab> tabs;
    SectionWorkspaceBarView bar;

    explicit TabStrip(int count)
    {
        for (int i = 0; i < count; ++i)
            tabs.append(tabNamed(QStringLiteral("tab.%1").arg(i), QStringLiteral("Section number %1").arg(i)));
        SectionWorkspaceBarView::Callbacks callbacks;
        callbacks.onSelectWorkspace = [this](const QString& id) { selections.append(id); };
        callbacks.onHandBackKeyboard = [this] { ++keyboardHandedBack; };
        bar.setCallbacks(std::move(callbacks));
        bar.resize(518, 34);
        update();
        bar.show();
    }
    void select(int index)
    {
        selected = tabs[index].id;
        update();
    }
    void update()
    {
        bar.setInputs({NotchTemplateConfiguration::defaults(), tabs, selected,
                       {[this] { return title; }, [this](QString text) { title = text; }},
                       {[this] { return adding; }, [this](bool value) { adding = value; }}});
    }
    QScrollBar* scroll() const { return bar.strip()->horizontalScrollBar(); }
    // Where a widget on the strip shows now, in the strip's coordinates.
    QRect shown(QWidget* widget) const { return widget->geometry().translated(-scroll()->value(), 0); }
    bool inClearView(QWidget* widget) const { return bar.clearStripArea().contains(shown(widget)); }
    // The pointer at `x` in the strip's own coordinates (the strip stays put while its content scrolls).
    void send(QWidget* target, QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        const QPointF global = bar.strip()->mapToGlobal(QPointF(x, 10));
        QMouseEvent event(type, target->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
};
} // namespace

TEST(SectionComposer, TakesTheKeyboardWhenItOpensAndHandsItBackWhenItCloses)
{
    ActivePanel f;
    // Return submits: the section is added, nothing reached the task composer.
    click(QStringLiteral("Add custom section"));
    EXPECT_EQ(QApplication::focusWidget(), f.panel().workspaceBar()->composerField());
    typeIntoFocus(QStringLiteral("Groceries"));
    pressKey(Qt::Key_Return);
    f.view.syncNow();
    EXPECT_TRUE(f.sectionTitles().contains(QStringLiteral("Groceries")));
    EXPECT_EQ(f.viewModel.draftTask(), QString());
    EXPECT_TRUE(f.viewModel.allTasks().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), f.taskComposer());
    typeIntoFocus(QStringLiteral("Milk"));
    EXPECT_EQ(f.viewModel.draftTask(), QStringLiteral("Milk"));
    f.viewModel.setDraftTask(QString());
    f.view.syncNow();

    // Escape and the close button cancel and give the keyboard back; "Add" submits and does too.
    const struct {
        const char* how;
        std::function<void()> close;
        bool adds;
    } closings[] = {
        {"Escape", [] { pressKey(Qt::Key_Escape); }, false},
        {"close button", [] { click(QStringLiteral("Cancel custom section")); }, false},
        {"Add", [] { click(QStringLiteral("Add section")); }, true},
    };
    for (const auto& closing : closings) {
        click(QStringLiteral("Add custom section"));
        ASSERT_EQ(QApplication::focusWidget(), f.panel().workspaceBar()->composerField()) << closing.how;
        typeIntoFocus(QStringLiteral("Errands"));
        closing.close();
        f.view.syncNow();
        EXPECT_FALSE(f.panel().state().isAddingCustomSection) << closing.how;
        EXPECT_EQ(f.panel().state().customSectionTitle, QString()) << closing.how;
        EXPECT_EQ(f.sectionTitles().contains(QStringLiteral("Errands")), closing.adds) << closing.how;
        EXPECT_EQ(QApplication::focusWidget(), f.taskComposer()) << closing.how;
        EXPECT_EQ(f.viewModel.draftTask(), QString()) << closing.how;
    }
}

TEST(SectionComposer, LeavesShrinkingTowardsItsTopEdgeAndFading)
{
    double now = 100;
    bool adding = false;
    QString title;
    SectionWorkspaceBarView bar(nullptr, [&] { return now; });
    const auto inputs = [&](bool animate) {
        return SectionWorkspaceBarView::Inputs{NotchTemplateConfiguration::defaults(),
                                               {tabNamed(QStringLiteral("workspace.all"), QStringLiteral("All"))},
                                               QStringLiteral("workspace.all"),
                                               {[&] { return title; }, [&](QString text) { title = text; }},
                                               {[&] { return adding; }, [&](bool value) { adding = value; }},
                                               animate};
    };
    bar.resize(518, 90);
    bar.show();
    adding = true;
    bar.setInputs(inputs(false));
    const QRectF full(0, 34 + 10, 518, 36);
    EXPECT_EQ(bar.composerFrame(), full);
    EXPECT_EQ(bar.composerOpacity(), 1);

    adding = false;
    bar.setInputs(inputs(true));
    now += 0.06;
    const QRectF leaving = bar.composerFrame();
    EXPECT_DOUBLE_EQ(leaving.top(), full.top()) << "anchored at the top";
    EXPECT_DOUBLE_EQ(leaving.center().x(), full.center().x());
    EXPECT_LT(leaving.width(), full.width());
    EXPECT_GT(leaving.width(), full.width() * 0.98);
    EXPECT_GT(bar.composerOpacity(), 0);
    EXPECT_LT(bar.composerOpacity(), 1);
    now += 3;
    EXPECT_TRUE(waitUntil([&] { return !bar.isAnimating() && bar.composerFrame().isEmpty(); }, 2000));
    EXPECT_EQ(bar.composerOpacity(), 0);
    EXPECT_FALSE(bar.composerField()->isVisible());
}

TEST(SectionComposer, HandsTheKeyboardBackOnlyWhenItHadIt)
{
    TabStrip strip(3);
    QApplication::setActiveWindow(&strip.bar);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&strip.bar));
    strip.bar.accessoryButton()->click();
    strip.update();
    ASSERT_TRUE(strip.adding);
    EXPECT_EQ(QApplication::focusWidget(), strip.bar.composerField());
    QTest::keyClicks(strip.bar.composerField(), QStringLiteral("Errands"));
    QTest::keyClick(strip.bar.composerField(), Qt::Key_Escape);
    strip.update();
    EXPECT_FALSE(strip.adding);
    EXPECT_EQ(strip.title, QString());
    EXPECT_EQ(strip.keyboardHandedBack, 1);

    // Closed after the keyboard went elsewhere, it leaves the keyboard where it is.
    strip.bar.accessoryButton()->click();
    strip.update();
    strip.bar.composerField()->clearFocus();
    strip.bar.accessoryButton()->click();
    strip.update();
    EXPECT_FALSE(strip.adding);
    EXPECT_EQ(strip.keyboardHandedBack, 1);
}

TEST(SectionWorkspaceBar, EverySelectionAndEveryShowingBringsTheSelectedTabFullyIntoView)
{
    TabStrip strip(15);
    ASSERT_GT(strip.scroll()->maximum(), 0);
    // The strip spans the bar; the first tab starts at the bar's inset.
    EXPECT_EQ(strip.bar.strip()->geometry(), QRect(0, 0, 518, 26));
    EXPECT_EQ(strip.shown(strip.bar.tabButton(0)).x(), 10);
    EXPECT_EQ(strip.bar.clearStripArea(), QRect(0, 0, 498, 26)) << "one fade, 20 wide, where the tabs go on";

    for (const int index : {14, 0, 7, 13, 1, 14}) {
        strip.select(index);
        EXPECT_TRUE(strip.inClearView(strip.bar.tabButton(index)))
            << index << " shows at " << strip.shown(strip.bar.tabButton(index)).x();
    }
    // The last tab brings the plus button into view with it, and the strip then ends at it.
    EXPECT_TRUE(strip.inClearView(strip.bar.accessoryButton()));
    EXPECT_EQ(strip.scroll()->value(), strip.scroll()->maximum());
    EXPECT_TRUE(strip.bar.fadesLeadingEdge());
    EXPECT_FALSE(strip.bar.fadesTrailingEdge());
    // A nearby tab already in full view does not move the strip.
    const int before = strip.scroll()->value();
    strip.select(13);
    EXPECT_EQ(strip.scroll()->value(), before);

    // Scrolled away while the panel was closed: opening it shows the selection again.
    strip.bar.hide();
    strip.scroll()->setValue(0);
    strip.bar.show();
    EXPECT_TRUE(strip.inClearView(strip.bar.tabButton(13)));

    strip.select(0);
    EXPECT_EQ(strip.scroll()->value(), 0);
    EXPECT_FALSE(strip.bar.fadesLeadingEdge());
    EXPECT_TRUE(strip.bar.fadesTrailingEdge());

    // Few tabs fit as they are: nothing scrolls and nothing fades.
    TabStrip few(3);
    few.select(2);
    EXPECT_EQ(few.scroll()->maximum(), 0);
    EXPECT_FALSE(few.bar.fadesLeadingEdge());
    EXPECT_FALSE(few.bar.fadesTrailingEdge());
    EXPECT_TRUE(few.inClearView(few.bar.accessoryButton()));
}

// The brightest grey of a tab as the strip's window shows it on screen, over black as in the panel.
static int brightestOfTab(TabStrip& strip, int index)
{
    QPalette black = strip.bar.palette();
    black.setColor(QPalette::Window, Qt::black);
    strip.bar.setPalette(black);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&strip.bar));
    strip.bar.repaint();
    QCoreApplication::processEvents();
    const QImage image = strip.bar.screen()->grabWindow(strip.bar.winId()).toImage();
    const QRect tab = strip.shown(strip.bar.tabButton(index)).translated(strip.bar.strip()->pos())
                          .intersected(image.rect());
    int brightest = 0;
    for (int y = tab.top(); y <= tab.bottom(); ++y)
        for (int x = tab.left(); x <= tab.right(); ++x)
            brightest = std::max(brightest, qGray(image.pixel(x, y)));
    return brightest;
}

TEST(SectionWorkspaceBar, FadingItsEdgesLeavesTheTabsBetweenThemAtFullStrength)
{
    TabStrip few(3);
    few.select(1);
    TabStrip many(15);
    many.select(7);
    ASSERT_TRUE(many.bar.fadesLeadingEdge() && many.bar.fadesTrailingEdge());
    ASSERT_TRUE(many.inClearView(many.bar.tabButton(7)));
    const int unfaded = brightestOfTab(few, 1);
    ASSERT_GT(unfaded, 200) << "the selected tab is drawn in the primary text colour";
    EXPECT_GE(brightestOfTab(many, 7), unfaded - 8) << "only the edges fade; the selected tab keeps its colour";
}

TEST(SectionWorkspaceBar, DraggingScrollsTheTabsWithoutSelectingAndAClickStillSelects)
{
    TabStrip strip(15);
    QAbstractButton* tab = strip.bar.tabButton(2);
    ASSERT_EQ(strip.scroll()->value(), 0);
    const int x = strip.shown(tab).center().x();

    strip.send(tab, QEvent::MouseButtonPress, x, Qt::LeftButton, Qt::LeftButton);
    strip.send(tab, QEvent::MouseMove, x - 4, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(strip.scroll()->value(), 0) << "a small wobble is still a click";
    strip.send(tab, QEvent::MouseMove, x - 120, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(strip.scroll()->value(), 120);
    EXPECT_FALSE(tab->isDown());
    strip.send(tab, QEvent::MouseMove, x - 300, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(strip.scroll()->value(), 300);
    strip.send(tab, QEvent::MouseButtonRelease, x - 300, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(strip.selections.isEmpty());

    // Dragged to the far end, the plus button is in full view and opens the composer.
    QWidget* content = strip.bar.strip()->widget();
    strip.send(content, QEvent::MouseButtonPress, 400, Qt::LeftButton, Qt::LeftButton);
    strip.send(content, QEvent::MouseMove, -5000, Qt::NoButton, Qt::LeftButton);
    strip.send(content, QEvent::MouseButtonRelease, -5000, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(strip.scroll()->value(), strip.scroll()->maximum());
    EXPECT_TRUE(strip.inClearView(strip.bar.accessoryButton()));
    strip.bar.accessoryButton()->click();
    EXPECT_TRUE(strip.adding);

    QTest::mouseClick(strip.bar.tabButton(14), Qt::LeftButton);
    EXPECT_EQ(strip.selections, QStringList{QStringLiteral("tab.14")});
}

TEST(PanelHeader, EveryControlAndPaintedTextCanBeReadOut)
{
    ActivePanel f;
    f.viewModel.selectWorkspace(QStringLiteral("section.home"));
    f.view.syncNow();
    click(QStringLiteral("Add custom section"));
    click(QStringLiteral("Home options"));

    QList<QWidget*> views{f.panel().workspaceBar(), f.panel().menuControl()->dropdown()};
    for (QWidget* view : views)
        for (QAbstractButton* button : view->findChildren<QAbstractButton*>()) {
            if (!button->isVisibleTo(view))
                continue;
            EXPECT_FALSE(button->accessibleName().isEmpty()) << button->metaObject()->className();
            // Painted buttons draw their own label; none relies on button text a screen reader would miss.
            EXPECT_TRUE(button->text().isEmpty() || button->text() == button->accessibleName());
        }
    // The selected tab says so; the composer's button says what it adds.
    SectionWorkspaceBarView* bar = f.panel().workspaceBar();
    for (int i = 0; i < bar->tabCount(); ++i)
        EXPECT_EQ(bar->tabButton(i)->isChecked(), bar->tabButton(i)->accessibleName() == QStringLiteral("Home")) << i;
    EXPECT_NE(named<QAbstractButton>(QStringLiteral("Add section")), nullptr);
    EXPECT_FALSE(named(QStringLiteral("New section"))->accessibleDescription().isEmpty());
    // The selected colour reads as checked.
    click(QStringLiteral("Green section color"));
    f.view.syncNow();
    click(QStringLiteral("Home options"));
    EXPECT_TRUE(named<QAbstractButton>(QStringLiteral("Green section color"))->isChecked());
    EXPECT_FALSE(named<QAbstractButton>(QStringLiteral("Red section color"))->isChecked());

    // The confirmation reads out its question and message, and what each answer does.
    click(QStringLiteral("Home options")); // closes the menu again
    WorkspaceDeleteConfirmation* confirmation = f.askToDelete(QStringLiteral("Home"));
    ASSERT_NE(confirmation, nullptr);
    EXPECT_EQ(confirmation->accessibleName(), QStringLiteral("Delete Home?"));
    EXPECT_EQ(confirmation->accessibleDescription(), WorkspaceDeleteConfirmation::messageText());
    EXPECT_FALSE(confirmation->deleteButton()->accessibleDescription().isEmpty());
    EXPECT_FALSE(confirmation->cancelButton()->accessibleDescription().isEmpty());
}
