#include "Overlay/NotchOverlayMetrics.h"
#include "Panel/AISortButton.h"
#include "Panel/ContentView.h"
#include "Panel/LeadingNotchSlot.h"
#include "Panel/NotchTaskPanel.h"
#include "Panel/SectionWorkspaceBarView.h"
#include "Panel/SortingEffects.h"
#include "Panel/TaskListView.h"
#include "UI/TemplateStyle.h"
#include "Panel/WorkspaceMenuControl.h"
#include "Panel/WorkspaceTaskCounter.h"
#include "Support/EventLoopWait.h"
#include "Support/PanelFixture.h"
#include "Support/QtTestPrinters.h"
#include "Support/ViewModelsFixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(ContentView, SurfaceSpringsOrEasesBetweenTheTwoSizesFromTheWallClock)
{
    ContentFixture f;
    QSignalSpy shapes(&f.view, &ContentView::visibleShapeChanged);
    QSignalSpy focusWanted(&f.view, &ContentView::keyboardFocusRequested);
    QSignalSpy focusReleased(&f.view, &ContentView::keyboardFocusReleased);
    EXPECT_EQ(f.view.surfaceRect(), QRectF(227, 34, 192, 32));

    f.viewModel.setExpanded(true);
    EXPECT_EQ(f.view.surfaceRect().width(), 192); // applied on the next turn, all at once
    f.view.syncNow();
    EXPECT_EQ(focusWanted.count(), 1); // expanding asks for the composer
    f.now += 0.05;
    EXPECT_EQ(f.view.surfaceRect().width(), 192) << "reading the state never advances it";
    f.nextFrame();
    const QRectF early = f.view.surfaceRect();
    EXPECT_GT(early.width(), 192);
    EXPECT_LT(early.width(), 554);
    EXPECT_EQ(shapes.last().at(0).value<QPainterPath>().boundingRect(), early) << "drawn and published alike";
    f.now += 0.265; // near the first peak of the damped spring: a small overshoot
    f.nextFrame();
    EXPECT_GT(f.view.surfaceRect().width(), 555);
    EXPECT_LT(f.view.surfaceRect().width(), 562);
    f.now += 3;
    f.nextFrame();
    EXPECT_EQ(f.view.surfaceRect(), QRectF(46, 34, 554, 388));
    EXPECT_DOUBLE_EQ(f.view.surfaceCornerRadius(), 26);
    EXPECT_FALSE(f.view.isAnimating());
    // The last frame published the final shape for the window's mask.
    EXPECT_EQ(shapes.last().at(0).value<QPainterPath>().boundingRect(), QRectF(46, 34, 554, 388));

    f.viewModel.setExpanded(false);
    f.view.syncNow();
    EXPECT_EQ(focusReleased.count(), 1);
    f.now += 3;
    f.nextFrame();
    EXPECT_EQ(f.view.surfaceRect(), QRectF(227, 34, 192, 32));
    // Changes that cancel out before the view syncs animate nothing.
    f.viewModel.setExpanded(true);
    f.viewModel.setExpanded(false);
    f.view.syncNow();
    EXPECT_FALSE(f.view.isAnimating());

    // Reduced motion eases out over the short duration: past half way at half time, never beyond.
    ContentFixture reduced(true);
    reduced.viewModel.setExpanded(true);
    reduced.view.syncNow();
    reduced.now += 0.06;
    reduced.nextFrame();
    EXPECT_GT(reduced.view.surfaceRect().width(), 192 + (554 - 192) * 0.5);
    EXPECT_LT(reduced.view.surfaceRect().width(), 554);
    reduced.now += 0.061;
    reduced.nextFrame();
    EXPECT_EQ(reduced.view.surfaceRect().width(), 554);
    // A hidden view jumps.
    reduced.view.hide();
    reduced.viewModel.setExpanded(false);
    reduced.view.syncNow();
    EXPECT_EQ(reduced.view.surfaceRect().width(), 192);
}


TEST(ContentView, AClosedNotchHandsNoTasksOnUntilItOpens)
{
    TaskWorkspaceState stored = TaskWorkspaceState::defaultState();
    for (const QString& title : {QStringLiteral("Water the plants"), QStringLiteral("Call the bank")}) {
        TaskItem task;
        task.id = QUuid::createUuid();
        task.title = title;
        task.sectionID = BuiltInSections::personalID;
        task.sortOrder = stored.tasks.size();
        stored.tasks.append(task);
    }
    ContentFixture f(false, stored);
    NotchTaskPanel& panel = *f.view.panel();
    EXPECT_TRUE(panel.inputs().tasks.isEmpty());
    EXPECT_EQ(panel.inputs().currentVisibleTaskCount, 0);
    EXPECT_EQ(f.viewModel.tasks().size(), 2) << "built when first read";

    f.viewModel.setExpanded(true);
    f.view.syncNow();
    EXPECT_EQ(panel.inputs().currentVisibleTaskCount, 2);
    EXPECT_EQ(panel.taskList()->inputs().tasks, f.viewModel.tasks());
    f.now += 3;
    f.nextFrame();

    // Closed again: a change waits, and is there when the notch opens.
    f.viewModel.setExpanded(false);
    f.view.syncNow();
    f.now += 3;
    f.nextFrame();
    ASSERT_TRUE(panel.contentColumn()->isHidden());
    f.viewModel.deleteTask(f.viewModel.tasks().first().id);
    f.view.syncNow();
    EXPECT_EQ(panel.inputs().currentVisibleTaskCount, 2);
    f.viewModel.setExpanded(true);
    f.view.syncNow();
    EXPECT_EQ(panel.inputs().currentVisibleTaskCount, 1);
    ASSERT_EQ(panel.taskList()->inputs().tasks.size(), 1);
    EXPECT_EQ(panel.taskList()->inputs().tasks.first().title, QStringLiteral("Call the bank"));
}

TEST(NotchTaskPanel, SurfaceHeaderSlotsAndColumnSitInTheDefaultGeometry)
{
    PanelFixture f;
    NotchTaskPanel& panel = f.panel();
    EXPECT_EQ(panel.surfaceRect(), QRectF(46, 34, 554, 388));
    EXPECT_EQ(panel.expandedRect(), QRectF(46, 34, 554, 388));
    EXPECT_EQ(panel.contentColumn()->geometry(), QRect(46, 34, 554, 388));
    EXPECT_EQ(panel.leadingSlot()->geometry(), QRect(18, 0, 153, 32));
    EXPECT_EQ(panel.menuControl()->geometry(), QRect(383, 0, 153, 32));
    // The tab strip starts below the notch's safe inset and the top padding.
    EXPECT_EQ(panel.workspaceBar()->geometry(), QRect(18, 60, 518, 34));
    // Header buttons: 23 high, the icon ones 31 wide; the group hugs the slot's far edge.
    auto* gear = named<QAbstractButton>(QStringLiteral("Settings"));
    ASSERT_NE(gear, nullptr);
    EXPECT_EQ(gear->size(), QSize(31, 23));
    EXPECT_EQ(gear->mapTo(panel.menuControl(), QPoint(gear->width(), 0)).x(), 153 - 8);
    EXPECT_EQ(named(QStringLiteral("Edit AI Prompt"))->height(), 23);

    // Collapsed: the notch's own size, nothing of the content drawn, no highlight.
    f.viewModel.setExpanded(false);
    f.view.syncNow();
    f.now += 3;
    f.nextFrame();
    EXPECT_EQ(panel.surfaceRect(), QRectF(227, 34, 192, 32));
    EXPECT_DOUBLE_EQ(panel.cornerRadius(), 18);
    EXPECT_FALSE(panel.contentColumn()->isVisible());
    // A new geometry moves the same views.
    QWidget* bar = panel.workspaceBar();
    auto inputs = f.view.inputs();
    inputs.metrics.notchBandLayout.leftSlotFrame.x = 30;
    f.view.setInputs(inputs);
    EXPECT_EQ(panel.workspaceBar(), bar);
    EXPECT_EQ(panel.leadingSlot()->x(), 30);
}

TEST(NotchTaskPanel, AClosedPanelLeavesItsListAloneAndTheListTakesItsInputsOnceWhenItOpens)
{
    const auto& configuration = NotchTemplateConfiguration::defaults();
    const auto label = [](const QString&, const NotchTemplateConfiguration::Font&) { return 40.0; };
    const NotchOverlayMetrics metrics =
        NotchOverlayMetrics::make(ScreenInfo{{0, 0, 1920, 1080}, 0, std::nullopt, std::nullopt}, configuration, label);
    double now = 1000;
    NotchTaskPanel panel(nullptr, [&now] { return now; });
    panel.resize(646, 456);
    // Only the list's composer reads the draft: each read is one update of the list.
    int listUpdates = 0;
    NotchTaskPanel::Inputs inputs;
    inputs.panelSize = metrics.panelSize;
    inputs.collapsedSize = metrics.collapsedSize;
    inputs.expandedSize = metrics.expandedSize;
    inputs.expandedContentSafeTopInset = metrics.expandedContentSafeTopInset;
    inputs.notchBandLayout = metrics.notchBandLayout;
    inputs.draftTask = {[&listUpdates] {
                            ++listUpdates;
                            return QString();
                        },
                        [](QString) {}};
    TaskItem task;
    task.id = QUuid::createUuid();
    task.title = QStringLiteral("Water the plants");
    task.sectionID = BuiltInSections::personalID;
    inputs.tasks = {task};
    inputs.hasCompletedOnboarding = true;

    panel.setInputs(inputs);
    panel.show();
    inputs.tasks.append(task);
    inputs.tasks.last().id = QUuid::createUuid();
    panel.setInputs(inputs);
    EXPECT_EQ(listUpdates, 0) << "nothing of a closed panel's list is built, even when it is shown";
    EXPECT_TRUE(panel.taskList()->inputs().tasks.isEmpty());

    inputs.isExpanded = true;
    panel.setInputs(inputs);
    EXPECT_EQ(listUpdates, 1);
    EXPECT_EQ(panel.taskList()->inputs().tasks, inputs.tasks) << "the latest tasks, not the first";
    panel.hide();
    panel.show();
    EXPECT_EQ(listUpdates, 1) << "showing the window again changes nothing the list shows";
    inputs.tasks.removeLast();
    panel.setInputs(inputs);
    EXPECT_EQ(listUpdates, 2);
    EXPECT_EQ(panel.taskList()->inputs().tasks.size(), 1);
}

TEST(NotchTaskPanel, CustomSectionComposerKeepsBlankTitlesAndHandsOnPaddedOnes)
{
    PanelFixture f;
    click(QStringLiteral("Add custom section"));
    auto* field = named<QLineEdit>(QStringLiteral("New section"));
    ASSERT_NE(field, nullptr);
    auto* add = named<QAbstractButton>(QStringLiteral("Add section"));
    QTest::keyClicks(field, QStringLiteral("   "));
    EXPECT_FALSE(add->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(f.panel().state().isAddingCustomSection);
    EXPECT_EQ(f.viewModel.sections().size(), 4);

    // Closing throws the text away; reopening starts empty.
    click(QStringLiteral("Cancel custom section"));
    EXPECT_EQ(f.panel().state().customSectionTitle, QString());
    click(QStringLiteral("Add custom section"));
    field = named<QLineEdit>(QStringLiteral("New section"));
    EXPECT_EQ(field->text(), QString());

    QTest::keyClicks(field, QStringLiteral("  Garden & Yard "));
    QTest::keyClick(field, Qt::Key_Return);
    f.view.syncNow();
    ASSERT_EQ(f.viewModel.sections().size(), 5);
    EXPECT_EQ(f.viewModel.selectedWorkspaceTab().title, QStringLiteral("Garden & Yard"));
    EXPECT_FALSE(f.panel().state().isAddingCustomSection);
    EXPECT_EQ(f.panel().state().customSectionTitle, QString());
    // The new tab shows the title as typed, ampersand included, and is selected.
    EXPECT_EQ(f.panel().workspaceBar()->tabCount(), 6);
    EXPECT_EQ(f.panel().workspaceBar()->tabButton(5)->accessibleName(), QStringLiteral("Garden & Yard"));
    f.panel().workspaceBar()->tabButton(0)->click();
    f.view.syncNow();
    EXPECT_EQ(f.viewModel.selectedWorkspaceID(), QStringLiteral("workspace.all"));
}

TEST(NotchTaskPanel, PromptEditorCopiesClearsSavesAndFollowsTheWorkspace)
{
    PanelFixture f;
    f.viewModel.selectWorkspace(QStringLiteral("section.work"));
    f.viewModel.setWorkspacePrompt(QStringLiteral("Deadlines first"), QStringLiteral("section.work"));
    f.view.syncNow();

    click(QStringLiteral("Edit AI Prompt"));
    auto* editor = named<QPlainTextEdit>(QStringLiteral("AI prompt"));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("Deadlines first"));
    // Clear empties the text and keeps the editor open; Cancel restores the stored prompt.
    click(QStringLiteral("Clear Custom Prompt"));
    EXPECT_EQ(editor->toPlainText(), QString());
    EXPECT_TRUE(f.panel().state().isShowingPromptEditor);
    click(QStringLiteral("Cancel"));
    EXPECT_FALSE(f.panel().state().isShowingPromptEditor);
    EXPECT_EQ(f.panel().state().promptDraft, QStringLiteral("Deadlines first"));

    // Clear then Save stores the empty prompt, which removes it.
    click(QStringLiteral("Edit AI Prompt"));
    click(QStringLiteral("Clear Custom Prompt"));
    click(QStringLiteral("Save"));
    f.view.syncNow();
    EXPECT_FALSE(f.viewModel.workspacePromptsByID().contains(QStringLiteral("section.work")));

    // Typed text goes out as typed; a prompt arriving meanwhile does not overwrite it.
    click(QStringLiteral("Edit AI Prompt"));
    editor = named<QPlainTextEdit>(QStringLiteral("AI prompt"));
    QTest::keyClicks(editor, QStringLiteral(" calls "));
    f.viewModel.setWorkspacePrompt(QStringLiteral("elsewhere"), QStringLiteral("section.work"));
    f.view.syncNow();
    EXPECT_EQ(editor->toPlainText(), QStringLiteral(" calls "));
    // A workspace switch closes the editor and reloads the draft.
    f.viewModel.setWorkspacePrompt(QStringLiteral("Chores"), QStringLiteral("section.home"));
    f.viewModel.selectWorkspace(QStringLiteral("section.home"));
    f.view.syncNow();
    EXPECT_FALSE(f.panel().state().isShowingPromptEditor);
    EXPECT_EQ(named<QPlainTextEdit>(QStringLiteral("AI prompt")), nullptr);
    EXPECT_EQ(f.panel().state().promptDraft, QStringLiteral("Chores"));
}

TEST(NotchTaskPanel, DropdownOffersWhatTheWorkspaceAllowsAndSwatchesToggle)
{
    PanelFixture f;
    const auto open = [&](const QString& title) {
        click(title + QStringLiteral(" options"));
        EXPECT_TRUE(f.panel().state().isShowingWorkspaceDropdown);
    };
    const auto shown = [](const QString& name) { return named(name) != nullptr; };

    open(QStringLiteral("All"));
    EXPECT_TRUE(shown(QStringLiteral("No actions available")));
    EXPECT_FALSE(shown(QStringLiteral("Rename")));
    EXPECT_FALSE(shown(QStringLiteral("Blue section color")));
    click(QStringLiteral("All options"));
    EXPECT_FALSE(f.panel().state().isShowingWorkspaceDropdown);

    f.viewModel.selectWorkspace(QStringLiteral("section.work"));
    f.view.syncNow();
    open(QStringLiteral("Work"));
    for (const char* name : {"Rename", "Delete Section", "Red section color", "Orange section color",
                             "Yellow section color", "Green section color", "Blue section color",
                             "Purple section color", "Gray section color"})
        EXPECT_TRUE(shown(QString::fromLatin1(name))) << name;
    // A swatch sets the colour and closes; the selected one clicked again clears it.
    click(QStringLiteral("Blue section color"));
    f.view.syncNow();
    EXPECT_FALSE(f.panel().state().isShowingWorkspaceDropdown);
    EXPECT_EQ(f.viewModel.selectedSectionAccent(), TaskSectionAccent::blue);
    EXPECT_EQ(f.panel().menuControl()->counter()->inputs().color,
              TemplateStyle::accentColor(f.view.inputs().configuration.appearance, TaskSectionAccent::blue));
    open(QStringLiteral("Work"));
    click(QStringLiteral("Blue section color"));
    f.view.syncNow();
    EXPECT_EQ(f.viewModel.selectedSectionAccent(), std::nullopt);

    // Rename: the draft starts at the title; Save hands on the text as typed.
    open(QStringLiteral("Work"));
    click(QStringLiteral("Rename"));
    EXPECT_TRUE(f.panel().state().isShowingWorkspaceRename);
    auto* field = named<QLineEdit>(QStringLiteral("Section name"));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), QStringLiteral("Work"));
    field->clear();
    QTest::keyClicks(field, QStringLiteral(" Job "));
    QTest::keyClick(field, Qt::Key_Return);
    f.view.syncNow();
    EXPECT_FALSE(f.panel().state().isShowingWorkspaceRename);
    EXPECT_EQ(f.viewModel.selectedWorkspaceTab().title, QStringLiteral("Job"));

    // With one section left there is nothing to delete.
    for (const char* id : {"section.personal", "section.home", "section.health"}) {
        f.viewModel.selectWorkspace(QString::fromLatin1(id));
        f.viewModel.deleteSelectedSection();
    }
    f.viewModel.selectWorkspace(QStringLiteral("section.work"));
    f.view.syncNow();
    open(QStringLiteral("Job"));
    EXPECT_TRUE(shown(QStringLiteral("Rename")));
    EXPECT_FALSE(shown(QStringLiteral("Delete Section")));
    EXPECT_TRUE(shown(QStringLiteral("Gray section color")));
}

TEST(NotchTaskPanel, StatusLineShowsSortOutcomesAndTheListGivesUpTheHeight)
{
    PanelFixture f;
    QWidget* list = f.panel().taskList();
    const int fullHeight = list->height();
    EXPECT_FALSE(f.panel().statusLine()->isVisible());

    f.viewModel.selectWorkspace(QStringLiteral("section.work"));
    f.add(QStringLiteral("Ship & tell"));
    f.add(QStringLiteral("Review"));
    click(QStringLiteral("AI Sort"));
    f.view.syncNow();
    EXPECT_TRUE(f.panel().statusLine()->isVisible());
    EXPECT_EQ(f.panel().statusLine()->text(), QStringLiteral("Sorting Work\u2026"));
    EXPECT_FALSE(named<QAbstractButton>(QStringLiteral("AI Sort"))->isEnabled());
    EXPECT_FALSE(named<QAbstractButton>(QStringLiteral("Edit AI Prompt"))->isEnabled());
    EXPECT_TRUE(f.view.glow()->isVisible());
    EXPECT_LT(list->height(), fullHeight);
    EXPECT_EQ(f.panel().height(), 456);

    f.sorting.respond(TaskSortingError::deviceNotEligible());
    f.view.syncNow();
    EXPECT_EQ(f.panel().statusLine()->text(), QStringLiteral("AI Sort requires a language model running on this computer."));
    EXPECT_TRUE(named<QAbstractButton>(QStringLiteral("AI Sort"))->isEnabled());
    // The glow fades out and then nothing ticks any more.
    f.now += 1;
    EXPECT_TRUE(waitUntil([&] { return !f.view.glow()->isVisible(); }, 2000));
    EXPECT_FALSE(f.view.glow()->isTicking());
    EXPECT_FALSE(f.view.isAnimating());

    click(QStringLiteral("AI Sort"));
    f.sorting.respond(f.sorting.decisionsForLastRequest({TaskPriority::low, TaskPriority::high}));
    f.view.syncNow();
    EXPECT_EQ(f.panel().statusLine()->text(), QStringLiteral("Work sorted."));
    EXPECT_EQ(f.viewModel.tasks().first().title, QStringLiteral("Review"));

    // The next edit clears the outcome and the list takes its height back.
    f.viewModel.setWorkspacePrompt(QStringLiteral("calls"), QStringLiteral("section.work"));
    f.view.syncNow();
    EXPECT_FALSE(f.panel().statusLine()->isVisible());
    EXPECT_EQ(list->height(), fullHeight);
}

TEST(NotchTaskPanel, StatusLineSaysWhyTasksAreNotSavedUntilASaveSucceeds)
{
    PanelFixture f;
    f.taskStore.failSave = true;
    f.add(QStringLiteral("Typed while the disk is full"));
    EXPECT_TRUE(f.panel().statusLine()->isVisible());
    EXPECT_EQ(f.panel().statusLine()->text(), QStringLiteral("Couldn't save your tasks: disk full."));
    f.viewModel.selectWorkspace(QStringLiteral("section.health"));
    f.viewModel.sortTasksWithAI(); // a message of its own, which the save error outranks
    f.view.syncNow();
    EXPECT_EQ(f.viewModel.sortStatusMessage(), QStringLiteral("There are no tasks to sort."));
    EXPECT_EQ(f.panel().statusLine()->text(), QStringLiteral("Couldn't save your tasks: disk full."));

    f.taskStore.failSave = false;
    f.add(QStringLiteral("Saved"));
    EXPECT_FALSE(f.panel().statusLine()->isVisible());
}

TEST(NotchTaskPanel, GearAsksForTheControlPanelAndTheWheelScrollsTheTabsSideways)
{
    PanelFixture f;
    click(QStringLiteral("Settings"));
    EXPECT_TRUE(f.session.isControlPanelPresented());

    for (int i = 0; i < 8; ++i)
        f.viewModel.addSection(QStringLiteral("Section with a long name %1").arg(i));
    f.view.syncNow();
    QScrollArea* strip = f.panel().workspaceBar()->strip();
    QScrollBar* bar = strip->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(0);
    // A plain vertical wheel turn moves the strip sideways; the plus button scrolls with the tabs.
    QWheelEvent wheel(QPointF(10, 10), strip->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(strip->viewport(), &wheel);
    EXPECT_GT(bar->value(), 0);
    EXPECT_EQ(f.panel().workspaceBar()->accessoryButton()->parentWidget(), strip->widget());
}

TEST(NotchTaskPanel, CounterCellsAndAISortStatesFollowTheirInputs)
{
    // Every digit sits in a cell of the widest digit, so 111 and 888 are equally wide.
    WorkspaceTaskCounter counter;
    const auto widthFor = [&](int count) {
        counter.setInputs({NotchTemplateConfiguration::defaults(), count, Qt::white, false});
        return counter.sizeHint().width();
    };
    EXPECT_EQ(widthFor(111), widthFor(888));
    EXPECT_EQ(widthFor(7), 28); // the minimum width
    EXPECT_EQ(counter.sizeHint().height(), 23);

    struct Case {
        bool isSorting;
        bool onboarded;
        bool enabled;
        const char* title;
    };
    for (const Case& c : {Case{false, true, true, "AI Sort"}, Case{true, true, false, "Sorting\u2026"},
                          Case{false, false, false, "AI Sort"}}) {
        AISortButton button;
        button.show();
        button.setInputs({NotchTemplateConfiguration::defaults(), c.isSorting, c.onboarded, std::nullopt});
        EXPECT_EQ(button.isEnabled(), c.enabled) << c.title;
        EXPECT_EQ(button.title(), QString::fromUtf8(c.title));
        EXPECT_EQ(button.accessibleName(), QStringLiteral("AI Sort")); // in both states
        EXPECT_EQ(button.isSpinning(), c.isSorting);
        button.setInputs({NotchTemplateConfiguration::defaults(), false, true, std::nullopt});
        EXPECT_FALSE(button.isSpinning()) << "the spinner stops with the sort";
    }
}

namespace {
// The whole composer row lies inside the task list's visible part.
bool composerIsWhole(const TaskListView& list)
{
    const auto* row = list.findChild<QWidget*>(QStringLiteral("add-task-row"));
    const QRect frame(row->mapTo(list.viewport(), QPoint()), row->size());
    return list.viewport()->rect().contains(frame);
}

// What a screen reader reads for the widget.
QString spoken(QWidget* widget, QAccessible::Text text = QAccessible::Name)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(text) : QString();
}
} // namespace

TEST(NotchTaskPanel, StatusLineTakesItsHeightWithoutCuttingTheComposer)
{
    PanelFixture f;
    f.viewModel.selectWorkspace(QStringLiteral("section.work"));
    for (int i = 0; i < 4; ++i)
        f.add(QStringLiteral("Task %1").arg(i));
    TaskListView& list = *f.panel().taskList();
    ASSERT_TRUE(waitUntil([&] { return !list.isAnimating(); })); // the slides and the scroll to the composer end
    ASSERT_TRUE(composerIsWhole(list));
    ASSERT_GT(list.verticalScrollBar()->maximum(), 0);
    const int height = list.height();

    click(QStringLiteral("AI Sort"));
    f.view.syncNow();
    ASSERT_TRUE(f.panel().statusLine()->isVisible());
    ASSERT_LT(list.height(), height);
    EXPECT_TRUE(composerIsWhole(list));
}

TEST(NotchTaskPanel, ScreenReadersHearWhatThePanelShowsAndWhatItsPartsDo)
{
    PanelFixture f;
    f.viewModel.selectWorkspace(QStringLiteral("section.work"));
    f.view.syncNow();
    // The composer row is identified by its object name and named by what it does.
    auto* row = f.view.findChild<QWidget*>(QStringLiteral("add-task-row"));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(spoken(row), QStringLiteral("Add a task to Work"));
    auto* field = named<QLineEdit>(QStringLiteral("New task"));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(spoken(field, QAccessible::Description), QStringLiteral("Type a task name and press Return to save it."));
    EXPECT_EQ(named(QStringLiteral("Tasks")), f.panel().taskList());

    // The status line is heard whole, even where it is drawn cut short.
    const QString section = QStringLiteral("R&D <b>lab</b>, a section whose name is far too long for one line of the "
                                           "panel's status line, which ends it with an ellipsis");
    f.viewModel.addSection(section);
    f.viewModel.selectWorkspace(f.viewModel.sections().last().id);
    f.add(QStringLiteral("Prototype"));
    click(QStringLiteral("AI Sort"));
    f.view.syncNow();
    const QString status = QStringLiteral("Sorting ") + section + QChar(0x2026);
    QLabel* line = f.panel().statusLine();
    ASSERT_NE(line->text(), status) << "the test needs a line drawn cut short";
    EXPECT_EQ(named<QLabel>(status), line);
    EXPECT_EQ(spoken(line), status);
}
