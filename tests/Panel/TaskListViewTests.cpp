#include "Workspace/AppSessionViewModel.h"
#include "App/LiveAppSupportRouter.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Overlay/NotchOverlayMetrics.h"
#include "Panel/ContentView.h"
#include "Panel/TaskListView.h"
#include "Panel/TaskRowView.h"
#include "Panel/TransparentTaskTextField.h"
#include "Support/EventLoopWait.h"
#include "Support/FakeTaskSortingService.h"
#include "Support/InMemoryTaskStore.h"
#include "Support/ManualClock.h"
#include "Support/MemoryUserDefaults.h"
#include "Support/QtTestPrinters.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {
const QString kWork = QStringLiteral("section.work");
const QString kAll = QStringLiteral("workspace.all");

TaskItem storedTask(const QString& title, const QString& sectionID, qint64 order)
{
    TaskItem task;
    task.id = QUuid::createUuid();
    task.title = title;
    task.sectionID = sectionID;
    task.createdAt = Date{700000000};
    task.sortOrder = order;
    return task;
}

// The real view models on in-memory stores, the content view expanded on them.
struct PanelFixture {
    MemoryUserDefaults defaults;
    InMemoryTaskStore taskStore;
    FakeTaskSortingService sorting;
    ManualClock clock;
    NotchTaskViewModel viewModel;
    UserDefaultsAppPreferencesStore preferencesStore{defaults, QStringLiteral("quaver-loom.preferences")};
    LiveAppSupportRouter router;
    AppSessionViewModel session{preferencesStore, router};
    double now = 1000; // the animation clock
    std::unique_ptr<ContentView> view;

    explicit PanelFixture(std::optional<TaskWorkspaceState> stored = std::nullopt, bool reduceMotion = false)
        : taskStore(std::move(stored)), viewModel(taskStore, sorting, clock)
    {
        AppPreferences preferences = session.preferences();
        preferences.hasCompletedOnboarding = true;
        session.setPreferences(preferences);
        view = std::make_unique<ContentView>(viewModel, session, nullptr, [this] { return now; });
        const auto& configuration = NotchTemplateConfiguration::defaults();
        const auto label = [](const QString&, const NotchTemplateConfiguration::Font&) { return 40.0; };
        const ScreenInfo screen{{0, 0, 1920, 1080}, 0, std::nullopt, std::nullopt};
        view->setInputs({NotchOverlayMetrics::make(screen, configuration, label), configuration, reduceMotion});
        view->resize(646, 456);
        view->show();
        viewModel.setExpanded(true);
        view->syncNow();
        now += 5; // the expansion has ended
        view->syncNow();
    }

    TaskListView& list() const { return view->taskList(); }
    QLineEdit* composer() const { return named<QLineEdit>(QStringLiteral("New task")); }

    template <class T>
    T* named(const QString& name, const QString& description = {}) const
    {
        for (T* widget : view->findChildren<T*>()) {
            if (widget->accessibleName() == name && (description.isEmpty() || widget->accessibleDescription() == description))
                return widget;
        }
        return nullptr;
    }
    QAbstractButton* checkbox(const QString& title) const { return named<QAbstractButton>("Complete task", title); }
    QAbstractButton* actions(const QString& title) const { return named<QAbstractButton>("Task actions", title); }

    void add(const QString& title)
    {
        viewModel.setDraftTask(title);
        viewModel.submitDraftTask();
        view->syncNow();
    }
    QStringList openTitles() const
    {
        QStringList titles;
        for (const TaskItem& task : viewModel.tasks())
            titles << task.title;
        return titles;
    }
};

QAbstractButton* buttonNamed(QWidget* content, const QString& name)
{
    for (QAbstractButton* button : content->findChildren<QAbstractButton*>()) {
        if (button->accessibleName() == name)
            return button;
    }
    return nullptr;
}

void sendMouse(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}
} // namespace

TEST(TaskListView, ComposerSubmitsTypedTasksAndKeepsBlankOnes)
{
    PanelFixture f;
    f.viewModel.selectWorkspace(kWork);
    f.view->syncNow();
    QLineEdit* composer = f.composer();
    ASSERT_NE(composer, nullptr);
    EXPECT_EQ(composer->placeholderText(), "Add a task to Work");

    QTest::keyClicks(composer, "  Buy milk ");
    QTest::keyClick(composer, Qt::Key_Return);
    f.view->syncNow();
    EXPECT_EQ(f.openTitles(), QStringList{"Buy milk"});
    EXPECT_EQ(composer->text(), "");
    ASSERT_NE(f.checkbox("Buy milk"), nullptr);

    QTest::keyClicks(composer, "   ");
    QTest::keyClick(composer, Qt::Key_Return);
    f.view->syncNow();
    EXPECT_EQ(f.openTitles(), QStringList{"Buy milk"});
    EXPECT_EQ(composer->text(), "   ");
    EXPECT_EQ(f.taskStore.saveCount, 2); // the workspace switch and the one task

    // Until onboarding is done the list takes no input.
    AppPreferences preferences = f.session.preferences();
    preferences.hasCompletedOnboarding = false;
    f.session.setPreferences(preferences);
    f.view->syncNow();
    EXPECT_FALSE(f.list().isEnabled());
}

TEST(TaskListView, AggregateWorkspaceNamesSectionsAndNeverMoves)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    // Damaged data: a second section with Work's id, and two tasks sharing one id.
    state.sections.append(TaskSection{kWork, "Shadow", TaskSection::Kind::custom, 9, std::nullopt});
    state.sections[0].accent = TaskSectionAccent::green;
    state.tasks = {storedTask("Report", kWork, 0), storedTask("Orphan", "section.custom.gone", 0),
                   storedTask("Twin", "section.home", 0)};
    TaskItem twin = state.tasks.last();
    twin.sortOrder = 1;
    state.tasks.append(twin);
    state.selectedWorkspaceID = kAll;
    PanelFixture f(state);

    EXPECT_EQ(f.composer()->placeholderText(), "Add a task to Personal");
    QMap<QString, std::optional<QString>> badges;
    for (TaskRowView* row : f.list().rows())
        badges.insert(row->inputs().task.title, row->inputs().sectionTitle);
    EXPECT_EQ(badges.value("Report"), std::optional<QString>("Work"));
    EXPECT_EQ(f.list().rows().size(), 3); // both twins are shown; the orphan is in no workspace

    // Handed a task of a section that is gone, the list gives it no badge; a
    // second section with a known id does not rename the first.
    TaskListView bare;
    TaskListView::Inputs inputs;
    inputs.tasks = {storedTask("Orphan", "section.custom.gone", 0), storedTask("Report", kWork, 0)};
    inputs.sections = state.sections;
    inputs.selectedWorkspaceID = kAll;
    bare.resize(500, 300);
    bare.setInputs(inputs);
    bare.show();
    ASSERT_EQ(bare.rows().size(), 2);
    EXPECT_EQ(bare.rows().at(0)->inputs().sectionTitle, std::nullopt);
    EXPECT_EQ(bare.rows().at(1)->inputs().sectionTitle, std::optional<QString>("Work"));

    // Without a workspace accent the plus takes the high-priority colour; Work's is green.
    const auto plusColour = [&f] {
        const QImage image = f.list().grab().toImage();
        const QRect composer = f.composer()->geometry();
        const QPoint centre = f.composer()->parentWidget()->mapTo(&f.list(), QPoint(10 + 9, composer.center().y()));
        return image.pixelColor(centre);
    };
    const auto& appearance = NotchTemplateConfiguration::defaults().appearance;
    const auto near = [](const QColor& a, double r, double g, double b) {
        return std::abs(a.redF() - r) < 0.06 && std::abs(a.greenF() - g) < 0.06 && std::abs(a.blueF() - b) < 0.06;
    };
    EXPECT_TRUE(near(plusColour(), appearance.highPriorityColor.red, appearance.highPriorityColor.green,
                     appearance.highPriorityColor.blue));

    // Dragging a row in the aggregate workspace moves nothing.
    TaskRowView* first = f.list().rows().first();
    const QList<QString> before = f.openTitles();
    sendMouse(first, QEvent::MouseButtonPress, {200, 30}, Qt::LeftButton);
    sendMouse(first, QEvent::MouseMove, {200, 260}, Qt::LeftButton);
    sendMouse(first, QEvent::MouseButtonRelease, {200, 260}, Qt::NoButton);
    f.view->syncNow();
    EXPECT_EQ(f.openTitles(), before);

    f.viewModel.selectWorkspace(kWork);
    f.view->syncNow();
    EXPECT_TRUE(near(plusColour(), appearance.sectionAccentGreen.red, appearance.sectionAccentGreen.green,
                     appearance.sectionAccentGreen.blue));
    for (TaskRowView* row : f.list().rows())
        EXPECT_EQ(row->inputs().sectionTitle, std::nullopt);
}

TEST(TaskListView, ReorderedRowsSlideFromWhereTheyWereDrawnAndSettleOnTheNewOrder)
{
    TaskListView list;
    TaskListView::Inputs inputs;
    inputs.tasks = {storedTask("Alpha", kWork, 0), storedTask("Bravo", kWork, 1), storedTask("Charlie", kWork, 2)};
    list.resize(500, 400);
    list.setInputs(inputs);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const auto drawn = [&list] {
        QMap<QString, int> y;
        for (TaskRowView* row : list.rows())
            y.insert(row->inputs().task.title, row->geometry().y());
        return y;
    };
    const QMap<QString, int> before = drawn();
    ASSERT_EQ(before.size(), 3);

    // Charlie moves to the top under a new title; each row starts where it was drawn.
    inputs.tasks = {inputs.tasks.at(2), inputs.tasks.at(0), inputs.tasks.at(1)};
    inputs.tasks[0].title = "Charles";
    list.setInputs(inputs);
    QMap<QString, int> start = drawn();
    EXPECT_EQ(start.value("Charles"), before.value("Charlie"));
    EXPECT_EQ(start.value("Alpha"), before.value("Alpha"));

    // Once settled, the rows stand in the new order and show the new tasks.
    ASSERT_TRUE(waitUntil([&] { return !list.isAnimating(); }));
    EXPECT_EQ(drawn(), (QMap<QString, int>{{"Charles", before.value("Alpha")},
                                            {"Alpha", before.value("Bravo")},
                                            {"Bravo", before.value("Charlie")}}));
    QStringList titles;
    for (TaskRowView* row : list.rows())
        titles << row->inputs().task.title;
    EXPECT_EQ(titles, (QStringList{"Charles", "Alpha", "Bravo"}));

    // The same order again moves nothing.
    const QMap<QString, int> settled = drawn();
    list.setInputs(inputs);
    EXPECT_EQ(drawn(), settled);
}

TEST(TaskListView, HeightCapCountsPreferredRows)
{
    NotchTemplateConfiguration::Layout layout = NotchTemplateConfiguration::defaults().layout;
    for (const auto& [rows, height] : {std::pair{0, 48.0}, {1, 106.0}, {4, 316.0}, {-2, 48.0}}) {
        layout.preferredVisibleTaskRows = rows;
        EXPECT_EQ(TaskListView::maximumHeight(layout), height) << rows;
    }
    // The list takes the cap when the panel has room for it, also while empty.
    PanelFixture f;
    EXPECT_EQ(f.list().height(), std::min(316, f.view->taskListFrame().height()));
    EXPECT_GT(f.list().height(), 200);
}

TEST(TaskListView, CompletionIsReportedOnceAfterTheAnimationOrAtOnceUnderReducedMotion)
{
    for (const bool reduceMotion : {false, true}) {
        PanelFixture f(std::nullopt, reduceMotion);
        f.viewModel.selectWorkspace(kWork);
        f.add("Water plants");
        f.add("Call mum");
        const int saves = f.taskStore.saveCount;
        QAbstractButton* box = f.checkbox("Water plants");
        ASSERT_NE(box, nullptr);
        QTest::mouseClick(box, Qt::LeftButton);
        const QUuid id = f.list().rows().first()->inputs().task.id;
        if (reduceMotion) {
            EXPECT_EQ(f.taskStore.saveCount, saves + 1);
            EXPECT_FALSE(f.list().isCompleting(id));
        } else {
            EXPECT_TRUE(f.list().isCompleting(id));
            EXPECT_EQ(f.taskStore.saveCount, saves);
            QTest::mouseClick(box, Qt::LeftButton); // a double click
        }
        ASSERT_TRUE(waitUntil([&] { return f.openTitles() == QStringList{"Call mum"}; }));
        runEventLoopFor(250);
        EXPECT_EQ(f.taskStore.saveCount, saves + 1) << reduceMotion;
        f.view->syncNow();
        EXPECT_EQ(f.list().rows().size(), 1);
    }

    // Closing the panel mid-animation still completes the task.
    PanelFixture f;
    f.viewModel.selectWorkspace(kWork);
    f.add("Pay rent");
    QTest::mouseClick(f.checkbox("Pay rent"), Qt::LeftButton);
    f.view.reset();
    EXPECT_TRUE(f.viewModel.tasks().isEmpty());
    EXPECT_TRUE(f.viewModel.allTasks().first().isCompleted);
}

TEST(TaskListView, RowActionsReachTheViewModel)
{
    PanelFixture f;
    f.viewModel.selectWorkspace(kWork);
    f.add("Dentist");
    f.add("Groceries");

    // Delete from the popover: the hold is released when the row goes.
    QTest::mouseClick(f.actions("Dentist"), Qt::LeftButton);
    EXPECT_TRUE(f.viewModel.hasExpansionHold());
    TaskRowView* row = f.list().rows().first();
    QTest::mouseClick(buttonNamed(row->actionsPopoverContent(), "Delete Task"), Qt::LeftButton);
    f.view->syncNow();
    EXPECT_EQ(f.openTitles(), QStringList{"Groceries"});
    EXPECT_FALSE(f.viewModel.hasExpansionHold());

    // An open reminder editor holds the panel until its task goes away elsewhere.
    row = f.list().rows().first();
    row->setShowingReminderEditor(true);
    EXPECT_TRUE(f.viewModel.hasExpansionHold());
    const QUuid id = row->inputs().task.id;
    f.viewModel.completeTask(id);
    f.view->syncNow();
    EXPECT_FALSE(f.viewModel.hasExpansionHold());
    EXPECT_TRUE(f.list().rows().isEmpty());

    // A reminder saved for a task completed meanwhile changes nothing.
    f.add("Taxes");
    row = f.list().rows().first();
    const QUuid taxes = row->inputs().task.id;
    f.viewModel.completeTask(taxes);
    const int saves = f.taskStore.saveCount;
    row->setShowingReminderEditor(true);
    auto* editor = row->reminderEditorContent();
    ASSERT_NE(editor, nullptr);
    QTest::mouseClick(buttonNamed(editor, "Save"), Qt::LeftButton);
    EXPECT_EQ(f.taskStore.saveCount, saves);
    EXPECT_FALSE(f.viewModel.allTasks().last().reminder);
}

TEST(TaskListView, DragReorderReportsTheMoveAndEscapeCancels)
{
    PanelFixture f;
    f.viewModel.selectWorkspace(kWork);
    for (const char* title : {"A", "B", "C"})
        f.add(title);
    const auto drag = [&f](int from, int toY, bool escape) {
        TaskRowView* row = f.list().rows().at(from);
        sendMouse(row, QEvent::MouseButtonPress, {200, 30}, Qt::LeftButton);
        sendMouse(row, QEvent::MouseMove, {200, 40}, Qt::LeftButton);
        sendMouse(row, QEvent::MouseMove, {200, double(toY - row->y())}, Qt::LeftButton);
        if (escape)
            QTest::keyClick(f.composer(), Qt::Key_Escape);
        sendMouse(row, QEvent::MouseButtonRelease, {200, double(toY - row->y())}, Qt::NoButton);
        f.view->syncNow();
    };
    drag(0, 190, true);
    EXPECT_EQ(f.openTitles(), (QStringList{"A", "B", "C"}));
    drag(0, 190, false); // below the last row's middle: offsets {0} to 3
    EXPECT_EQ(f.openTitles(), (QStringList{"B", "C", "A"}));
    drag(2, 5, false);
    EXPECT_EQ(f.openTitles(), (QStringList{"A", "B", "C"}));
    // A press on the checkbox never starts a drag.
    EXPECT_FALSE(f.list().isDragging());
}

TEST(TaskListView, UserTextIsShownAsTyped)
{
    PanelFixture f;
    f.viewModel.selectWorkspace(kWork);
    for (const QString& title : {QStringLiteral("<img src=x>"), QStringLiteral("a&b"), QStringLiteral("<b>bold</b> & co")}) {
        f.add(title);
        TaskRowView* row = f.list().rows().last();
        EXPECT_EQ(row->accessibleName(), title);
        QTextDocument tooltip;
        tooltip.setHtml(row->toolTip());
        EXPECT_EQ(tooltip.toPlainText(), title);
    }
}

TEST(TaskListView, FocusReturnsToTheComposerOnlyWhenAsked)
{
    PanelFixture f;
    auto* other = new QLineEdit(f.view.get());
    other->setAccessibleName("Other field");
    other->show();
    f.view->activateWindow();
    QApplication::setActiveWindow(f.view.get());
    f.view->syncNow();
    EXPECT_TRUE(f.composer()->hasFocus());

    other->setFocus();
    f.viewModel.setDraftTask("typing elsewhere");
    f.view->syncNow();
    EXPECT_TRUE(other->hasFocus());

    f.viewModel.submitDraftTask();
    f.view->syncNow();
    f.viewModel.setExpanded(false);
    f.view->syncNow();
    f.viewModel.setExpanded(true);
    f.view->syncNow();
    EXPECT_TRUE(f.composer()->hasFocus());
}

TEST(TaskListView, SubmissionScrollsTheComposerIntoView)
{
    for (const bool reduceMotion : {true, false}) {
        PanelFixture f(std::nullopt, reduceMotion);
        f.viewModel.selectWorkspace(kWork);
        for (int i = 0; i < 8; ++i)
            f.add(QStringLiteral("Task %1").arg(i));
        QScrollBar* bar = f.list().verticalScrollBar();
        ASSERT_GT(bar->maximum(), 0);
        runEventLoopFor(300); // the scrolls of those submissions end
        bar->setValue(0);
        f.view->syncNow(); // an update without a submission does not scroll
        QCoreApplication::processEvents();
        EXPECT_EQ(bar->value(), 0);

        f.add("One more");
        ASSERT_TRUE(waitUntil([&] { return bar->value() == bar->maximum(); }, 2000)) << reduceMotion;
    }
}

TEST(TaskListView, ClicksOnTheListOutsideItsControlsLeaveTheKeyboardInTheComposer)
{
    PanelFixture f;
    f.viewModel.selectWorkspace(kWork);
    f.add("Only task");
    f.view->activateWindow();
    QApplication::setActiveWindow(f.view.get());
    f.view->syncNow();
    ASSERT_TRUE(f.composer()->hasFocus());
    ASSERT_EQ(f.list().rows().size(), 1);

    // On the row's title, then on the empty list below the composer: nothing there takes the keyboard.
    QWidget* viewport = f.list().viewport();
    const std::pair<QWidget*, QPoint> clicks[] = {{f.list().rows().first(), QPoint(120, 20)},
                                                  {viewport, QPoint(viewport->width() / 2, viewport->height() - 4)}};
    for (const auto& [widget, point] : clicks) {
        QWidget* target = widget->childAt(point) ? widget->childAt(point) : widget;
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(widget, point));
        EXPECT_TRUE(f.composer()->hasFocus())
            << widget->metaObject()->className() << " gave the keyboard to "
            << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "nothing");
    }
}

TEST(TaskListView, RowsAndComposerSlideTogetherFromWhereTheyWere)
{
    PanelFixture f;
    f.viewModel.selectWorkspace(kWork);
    for (const char* title : {"A", "B"})
        f.add(title);
    runEventLoopFor(800); // the slides of those additions end
    QWidget* viewport = f.list().viewport();
    const auto top = [viewport](QWidget* widget) { return widget->mapTo(viewport, QPoint()).y(); };
    const int rowBefore = top(f.list().rows().last());
    const int composerBefore = top(f.composer());

    f.viewModel.deleteTask(f.viewModel.tasks().first().id);
    f.view->syncNow();
    // Before the first frame of the slide both still stand where they were drawn.
    ASSERT_EQ(f.list().rows().size(), 1);
    EXPECT_EQ(top(f.list().rows().first()), rowBefore);
    EXPECT_EQ(top(f.composer()), composerBefore);
}

namespace {
// The state of a workspace whose Work section holds `count` open tasks, Work selected.
TaskWorkspaceState workWithTasks(int count)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.selectedWorkspaceID = kWork;
    for (int i = 0; i < count; ++i)
        state.tasks.append(storedTask(QStringLiteral("Task %1").arg(i), kWork, i));
    return state;
}

// The whole composer row lies inside the list's visible part.
bool composerIsWhole(const TaskListView& list)
{
    const auto* row = list.findChild<QWidget*>(QStringLiteral("add-task-row"));
    const QRect frame(row->mapTo(list.viewport(), QPoint()), row->size());
    return list.viewport()->rect().contains(frame);
}
} // namespace

TEST(TaskListView, OpensOnItsTopTasksAndShowsTheComposerOnceTypedInto)
{
    for (const int count : {5, 500}) {
        PanelFixture f(workWithTasks(count));
        TaskListView& list = f.list();
        QScrollBar* bar = list.verticalScrollBar();
        ASSERT_GT(bar->maximum(), 0) << count;
        const auto firstTaskOnTop = [&] {
            const QList<TaskRowView*> rows = list.rows();
            return bar->value() == 0 && !rows.isEmpty() && rows.first()->inputs().task.title == "Task 0"
                   && rows.first()->mapTo(list.viewport(), QPoint()).y() == 0;
        };
        // The composer was asked for on expanding, yet the most important tasks show.
        EXPECT_TRUE(firstTaskOnTop()) << count << " tasks, on the first open";

        // The keyboard taken with the window, then on a second open: still nothing scrolls.
        f.view->activateWindow();
        QApplication::setActiveWindow(f.view.get());
        f.view->syncNow();
        ASSERT_TRUE(f.composer()->hasFocus());
        f.viewModel.setExpanded(false);
        f.view->syncNow();
        f.viewModel.setExpanded(true);
        f.view->syncNow();
        QCoreApplication::processEvents();
        EXPECT_TRUE(firstTaskOnTop()) << count << " tasks, on a second open";

        // The keyboard comes back (a popover closed) and stays where the list is.
        auto* other = new QLineEdit(f.view.get());
        other->show();
        other->setFocus();
        f.composer()->setFocus();
        ASSERT_TRUE(f.composer()->hasFocus());
        EXPECT_TRUE(firstTaskOnTop()) << count << " tasks, taking the keyboard back";

        // The first keystroke shows what it types; a key that types nothing moves nothing.
        QTest::keyClick(f.composer(), Qt::Key_Left);
        EXPECT_EQ(bar->value(), 0);
        ASSERT_FALSE(composerIsWhole(list));
        QTest::keyClicks(f.composer(), "x");
        EXPECT_TRUE(composerIsWhole(list)) << count << " tasks, typing";

        // After a submission the new row shows above the composer, both whole.
        QTest::keyClick(f.composer(), Qt::Key_Return);
        f.view->syncNow();
        ASSERT_TRUE(waitUntil([&] { return list.isAnimating(); }, 2000)); // the scroll starts on the next turn
        ASSERT_TRUE(waitUntil([&] { return !list.isAnimating(); }, 3000));
        EXPECT_TRUE(composerIsWhole(list)) << count << " tasks, after Return";
        TaskRowView* added = list.rows().last();
        ASSERT_EQ(added->inputs().task.title, "x");
        EXPECT_TRUE(list.viewport()->rect().contains(QRect(added->mapTo(list.viewport(), QPoint()), added->size())));
    }
}

TEST(TaskListView, TitlesTypedWithoutAPauseAreAddedOneByOne)
{
    PanelFixture f;
    f.viewModel.selectWorkspace(kWork);
    f.view->syncNow();
    // No update of the panel runs between the keys, as when they were queued while a task was added.
    for (const char* title : {"q01x", "q02x", "q03x"}) {
        QTest::keyClicks(f.composer(), title);
        QTest::keyClick(f.composer(), Qt::Key_Return);
        EXPECT_EQ(f.composer()->text(), "") << "after " << title;
        EXPECT_EQ(f.viewModel.draftTask(), "");
    }
    f.view->syncNow();
    EXPECT_EQ(f.openTitles(), (QStringList{"q01x", "q02x", "q03x"}));
    EXPECT_EQ(f.composer()->text(), "");
}

TEST(TaskListView, RowIsMeasuredAgainWhenWhatItShowsGainsOrLosesALine)
{
    // In the aggregate workspace a long title takes two lines under its section's badge, so
    // a reminder line makes the row taller than the minimum row height.
    PanelFixture f;
    f.viewModel.selectWorkspace(kAll);
    f.add(QString("A long title that wraps onto a second line ").repeated(3));
    f.add("Next");
    ASSERT_TRUE(waitUntil([&] { return !f.list().isAnimating(); })); // the rows' slides end
    TaskRowView* row = f.list().rows().first();
    TaskRowView* next = f.list().rows().last();
    const int before = row->height();
    const int gap = next->y() - row->geometry().bottom();

    const TaskItem task = row->inputs().task;
    f.viewModel.saveReminder(task.id, Date{800000000});
    f.view->syncNow();
    ASSERT_EQ(f.list().rowForTask(task.id), row) << "the row is kept";
    const int withReminder = TaskRowView::preferredHeight(row->inputs(), row->width());
    EXPECT_GT(withReminder, before);
    EXPECT_EQ(row->height(), withReminder);
    EXPECT_TRUE(waitUntil([&] { return next->y() - row->geometry().bottom() == gap; }, 2000))
        << "the rows below make room";

    f.viewModel.clearReminder(task.id);
    f.view->syncNow();
    EXPECT_EQ(row->height(), before);
}
