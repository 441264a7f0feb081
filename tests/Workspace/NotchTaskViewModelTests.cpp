#include "Support/FakeTaskSortingService.h"
#include "Support/ManualClock.h"
#include "Support/InMemoryTaskStore.h"
#include "TaskBuilders.h"
#include "Workspace/NotchTaskViewModel.h"
#include "Workspace/TaskWorkspaceLogic.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

namespace {
const QString kAll = QStringLiteral("workspace.all");
const QString kWork = QStringLiteral("section.work");
const QString kPersonal = QStringLiteral("section.personal");
const QString kHome = QStringLiteral("section.home");
const QString kHealth = QStringLiteral("section.health");

// Collects error-level log lines so tests can check what was reported.
class LogCapture {
public:
    LogCapture() { s_lines.clear(); m_previous = qInstallMessageHandler(&LogCapture::handle); }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    const QStringList& lines() const { return s_lines; }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (type == QtCriticalMsg)
            s_lines.append(QString::fromUtf8(context.category) + ": " + message);
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous;
};

class NotchTaskViewModelTest : public ::testing::Test {
protected:
    NotchTaskViewModel& make(std::optional<TaskWorkspaceState> stored = std::nullopt)
    {
        store.stored = std::move(stored);
        vm = std::make_unique<NotchTaskViewModel>(store, sorter, clock);
        return *vm;
    }

    void add(const QString& title)
    {
        vm->setDraftTask(title);
        vm->submitDraftTask();
    }

    InMemoryTaskStore store;
    FakeTaskSortingService sorter;
    ManualClock clock;
    std::unique_ptr<NotchTaskViewModel> vm;
};

TaskWorkspaceState stateWith(TaskList tasks, QString selected = QStringLiteral("workspace.all"))
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.tasks = std::move(tasks);
    state.selectedWorkspaceID = std::move(selected);
    return state;
}
} // namespace

TEST_F(NotchTaskViewModelTest, LoadsDefaultsStoredSelectionsAndDuplicateSections)
{
    NotchTaskViewModel& fresh = make();
    EXPECT_EQ(fresh.sections(), TaskSection::builtInDefaults());
    EXPECT_TRUE(fresh.allTasks().isEmpty());
    EXPECT_EQ(fresh.selectedWorkspaceID(), kAll);
    EXPECT_EQ(fresh.lastSelectedSectionID(), kPersonal);
    EXPECT_EQ(fresh.workspaceTitles(), (QStringList{"All", "Work", "Personal", "Home", "Health"}));
    const QList<TaskWorkspaceTab> tabs = fresh.workspaceTabs();
    EXPECT_EQ(tabs.at(0).iconName, QStringLiteral("square.grid.2x2"));
    EXPECT_FALSE(tabs.at(0).canDelete);
    EXPECT_EQ(tabs.at(3).iconName, QStringLiteral("house"));
    EXPECT_TRUE(tabs.at(3).canDelete);
    EXPECT_EQ(store.saveCount, 0) << "loading never saves";

    // A stored selection naming no section falls back to the aggregate workspace.
    make(stateWith({}, QStringLiteral("section.gone")));
    EXPECT_EQ(vm->selectedWorkspaceID(), kAll);
    EXPECT_EQ(vm->lastSelectedSectionID(), kPersonal);

    TaskWorkspaceState homeState = stateWith({makeTask("h", kHome, 0)}, kHome);
    homeState.workspacePromptsByID.insert(kHome, QStringLiteral("home prompt"));
    make(homeState);
    EXPECT_EQ(vm->lastSelectedSectionID(), kHome);
    EXPECT_EQ(vm->currentWorkspacePrompt(), QStringLiteral("home prompt"));
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"h"}));

    // A hand-edited file repeating a section id: the first one wins, no task is lost or doubled.
    TaskWorkspaceState duplicated = stateWith({makeTask("w", kWork, 0), makeTask("p", kPersonal, 0)});
    duplicated.sections.append(TaskSection{kWork, "Work again", TaskSection::Kind::custom, 9, TaskSectionAccent::red});
    make(duplicated);
    EXPECT_EQ(vm->sections().size(), 4);
    EXPECT_EQ(vm->workspaceTitles(), (QStringList{"All", "Work", "Personal", "Home", "Health"}));
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"w", "p"}));
    EXPECT_EQ(vm->makeSortContext().sectionTitlesByID.value(kWork), QStringLiteral("Work"));

    // An unreadable store: logged, defaults used.
    LogCapture log;
    store.failLoad = true;
    make(homeState);
    EXPECT_EQ(vm->selectedWorkspaceID(), kAll);
    EXPECT_TRUE(vm->allTasks().isEmpty());
    EXPECT_EQ(log.lines(), (QStringList{"QuaverLoom.NotchTaskViewModel: Failed to load persisted workspace: load refused"}));
}

TEST_F(NotchTaskViewModelTest, ComposerTrimsTargetsAndRequestsFocus)
{
    make();
    vm->setDraftTask(QStringLiteral(" \n\t "));
    vm->submitDraftTask();
    EXPECT_TRUE(vm->allTasks().isEmpty());
    EXPECT_EQ(vm->draftTask(), QStringLiteral(" \n\t ")) << "blank text stays in the composer";
    EXPECT_EQ(store.saveCount, 0);

    const QUuid submission = vm->taskSubmissionID();
    const QUuid focus = vm->focusRequestID();
    add(QStringLiteral("  Buy milk \n"));
    ASSERT_EQ(vm->allTasks().size(), 1);
    EXPECT_EQ(vm->allTasks().at(0).title, QStringLiteral("Buy milk"));
    EXPECT_EQ(vm->allTasks().at(0).sectionID, kPersonal) << "All workspace adds to the last selected section";
    EXPECT_EQ(vm->draftTask(), QString());
    EXPECT_NE(vm->taskSubmissionID(), submission);
    EXPECT_NE(vm->focusRequestID(), focus);
    EXPECT_EQ(vm->requestedFocus(), NotchTaskViewModel::FocusTarget::composer);
    EXPECT_EQ(store.saveCount, 1);

    vm->selectWorkspace(kHome);
    vm->selectWorkspace(kAll);
    EXPECT_EQ(vm->composerTargetSection()->id, kHome);
    EXPECT_EQ(vm->selectedSectionAccent(), std::nullopt);
    vm->selectWorkspace(kHome);
    vm->deleteSelectedSection();
    EXPECT_EQ(vm->composerTargetSection()->id, kWork) << "first remaining section";
    add(QStringLiteral("report"));
    EXPECT_EQ(taskTitled(vm->allTasks(), "report").sectionID, kWork);

    // Expanding twice makes one focus request; collapsing clears the request only.
    QSignalSpy focusRequests(vm.get(), &NotchTaskViewModel::focusRequestIDChanged);
    vm->setExpanded(true);
    vm->setExpanded(true);
    EXPECT_EQ(focusRequests.count(), 1);
    vm->setExpanded(false);
    EXPECT_EQ(vm->requestedFocus(), std::nullopt);
    EXPECT_EQ(focusRequests.count(), 1);
}

TEST_F(NotchTaskViewModelTest, ExpansionHoldsNeedEveryReasonReleased)
{
    make();
    QSignalSpy spy(vm.get(), &NotchTaskViewModel::hasExpansionHoldChanged);
    vm->setExpansionHold(true, QStringLiteral("task-actions-A"));
    vm->setExpansionHold(true, QStringLiteral("task-reminder-B"));
    vm->setExpansionHold(false, QStringLiteral("never-held"));
    vm->setExpansionHold(false, QStringLiteral("task-actions-A"));
    EXPECT_TRUE(vm->hasExpansionHold());
    vm->setExpansionHold(false, QStringLiteral("task-reminder-B"));
    EXPECT_FALSE(vm->hasExpansionHold());
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(store.saveCount, 0);
}

TEST_F(NotchTaskViewModelTest, SectionsAddRenameDeleteAndRecolour)
{
    TaskList tasks{ranked(ranked(makeTask("h", kHome, 0), kHome, TaskPriority::high), kAll, TaskPriority::high),
                   makeTask("hDone", kHome, 1, true), ranked(makeTask("w", kWork, 0), kAll, TaskPriority::medium)};
    TaskWorkspaceState state = stateWith(tasks);
    state.workspacePromptsByID.insert(kHome, QStringLiteral("home"));
    make(state);

    vm->addSection(QStringLiteral("   "));
    EXPECT_EQ(store.saveCount, 0);
    vm->addSection(QStringLiteral("  Garden "));
    const QString gardenID = vm->selectedWorkspaceID();
    EXPECT_TRUE(gardenID.startsWith(QStringLiteral("section.custom.")));
    EXPECT_EQ(gardenID.size(), 15 + 36);
    EXPECT_EQ(gardenID, gardenID.toLower());
    EXPECT_EQ(vm->selectedWorkspaceTab().title, QStringLiteral("Garden"));
    EXPECT_EQ(vm->selectedWorkspaceTab().iconName, QStringLiteral("folder"));
    EXPECT_EQ(vm->lastSelectedSectionID(), gardenID);
    EXPECT_EQ(store.stored->sections.size(), 5);

    vm->selectWorkspace(kHome);
    const int saves = store.saveCount;
    vm->renameSelectedSection(QStringLiteral("  Home "));
    EXPECT_EQ(store.saveCount, saves) << "same title: nothing to do";
    EXPECT_EQ(taskTitled(vm->allTasks(), "h").aiStatesByWorkspace.size(), 2);
    vm->renameSelectedSection(QStringLiteral("House"));
    EXPECT_EQ(vm->selectedWorkspaceTab().title, QStringLiteral("House"));
    EXPECT_EQ(vm->selectedWorkspaceTab().iconName, QStringLiteral("house"));
    EXPECT_EQ(vm->selectedWorkspaceTab().purpose, NotchTaskViewModel::sectionPurpose(kHome));
    EXPECT_TRUE(taskTitled(vm->allTasks(), "h").aiStatesByWorkspace.isEmpty());
    EXPECT_TRUE(taskTitled(vm->allTasks(), "w").aiStatesByWorkspace.contains(kAll));

    vm->setSelectedSectionAccent(TaskSectionAccent::green);
    EXPECT_EQ(vm->selectedSectionAccent(), TaskSectionAccent::green);
    const int afterAccent = store.saveCount;
    vm->setSelectedSectionAccent(TaskSectionAccent::green);
    vm->setSectionAccent(TaskSectionAccent::red, kAll);
    vm->setSectionAccent(TaskSectionAccent::red, QStringLiteral("section.gone"));
    EXPECT_EQ(store.saveCount, afterAccent);

    vm->deleteSelectedSection();
    EXPECT_EQ(vm->selectedWorkspaceID(), kAll);
    EXPECT_FALSE(vm->hasSection(kHome));
    EXPECT_FALSE(vm->workspacePromptsByID().contains(kHome));
    EXPECT_EQ(titles(vm->allTasks()), (QStringList{"w"})) << "completed tasks go with their section";

    // Down to the last section, deleting is refused with a message and no save.
    for (const QString& id : {gardenID, kWork, kPersonal}) {
        vm->selectWorkspace(id);
        vm->deleteSelectedSection();
    }
    ASSERT_EQ(vm->sections().size(), 1);
    vm->selectWorkspace(kHealth);
    const int beforeRefusal = store.saveCount;
    vm->deleteSelectedSection();
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("At least one section must remain."));
    EXPECT_EQ(vm->sections().size(), 1);
    EXPECT_EQ(store.saveCount, beforeRefusal);
    vm->selectWorkspace(kHealth);
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("At least one section must remain.")) << "reselecting keeps the text";
    vm->selectWorkspace(QStringLiteral("section.gone"));
    EXPECT_EQ(vm->selectedWorkspaceID(), kAll);
}

TEST_F(NotchTaskViewModelTest, PromptsSetAndResetClearTheWorkspaceResults)
{
    TaskList tasks{ranked(ranked(makeTask("w", kWork, 0), kWork, TaskPriority::high), kAll, TaskPriority::high),
                   ranked(ranked(makeTask("h", kHome, 0), kHome, TaskPriority::high), kAll, TaskPriority::medium)};
    make(stateWith(tasks));

    vm->setWorkspacePrompt(QStringLiteral("  focus on deadlines \n"), kWork);
    EXPECT_EQ(vm->workspacePromptsByID().value(kWork), QStringLiteral("focus on deadlines"));
    EXPECT_FALSE(taskTitled(vm->allTasks(), "w").aiStatesByWorkspace.contains(kWork));
    EXPECT_FALSE(taskTitled(vm->allTasks(), "w").aiStatesByWorkspace.contains(kAll));
    EXPECT_TRUE(taskTitled(vm->allTasks(), "h").aiStatesByWorkspace.contains(kHome));
    EXPECT_TRUE(taskTitled(vm->allTasks(), "h").aiStatesByWorkspace.contains(kAll)) << "other sections keep their All results";

    vm->setWorkspacePrompt(QStringLiteral("across everything"), kAll);
    EXPECT_EQ(vm->currentWorkspacePrompt(), QStringLiteral("across everything"));
    EXPECT_FALSE(taskTitled(vm->allTasks(), "h").aiStatesByWorkspace.contains(kAll));
    EXPECT_TRUE(taskTitled(vm->allTasks(), "h").aiStatesByWorkspace.contains(kHome));
    EXPECT_FALSE(vm->makeSortContext().sectionCustomPromptsByID.contains(kAll));
    EXPECT_EQ(vm->makeSortContext().sectionCustomPromptsByID.value(kWork), QStringLiteral("focus on deadlines"));
    EXPECT_EQ(vm->makeSortContext().workspaceCustomPrompt, QStringLiteral("across everything"));
    EXPECT_EQ(vm->makeSortContext().defaultCustomPrompt, QString()) << "always present, possibly empty";

    vm->selectWorkspace(kHome);
    const int saves = store.saveCount;
    vm->setWorkspacePrompt(QStringLiteral("   "), kHome);
    EXPECT_FALSE(vm->workspacePromptsByID().contains(kHome));
    EXPECT_FALSE(taskTitled(vm->allTasks(), "h").aiStatesByWorkspace.contains(kHome)) << "a blank prompt still resets";
    EXPECT_EQ(store.saveCount, saves + 1);
}

TEST_F(NotchTaskViewModelTest, RowEditsMovesRemindersAndHistory)
{
    make(stateWith({makeTask("a", kPersonal, 0), makeTask("b", kPersonal, 1), makeTask("c", kPersonal, 2),
                    makeTask("old", kPersonal, 3, true), makeTask("orphan", QStringLiteral("section.gone"), 0, true)}));
    vm->selectWorkspace(kPersonal);

    vm->moveTasks({0}, 3);
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"b", "c", "a"}));
    EXPECT_EQ(sortOrders(TaskWorkspaceLogic::orderedTasks(kPersonal, vm->allTasks())), (QList<qint64>{0, 1, 2, 3}));
    vm->moveTasks({7}, -3); // out of range: ignored, nothing breaks
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"b", "c", "a"}));

    // Completion: list change, refresh, status cleared, save, in that order.
    make(stateWith({makeTask("a", kPersonal, 0), makeTask("b", kPersonal, 1), makeTask("c", kPersonal, 2),
                    makeTask("old", kPersonal, 3, true), makeTask("orphan", QStringLiteral("section.gone"), 0, true)}));
    QStringList events;
    QObject::connect(vm.get(), &NotchTaskViewModel::tasksChanged, [&] { events << "tasks"; });
    QObject::connect(vm.get(), &NotchTaskViewModel::sortStatusMessageChanged, [&] { events << "status"; });
    QObject::connect(vm.get(), &NotchTaskViewModel::reminderStateVersionChanged, [&] { events << "saved"; });
    clock.advance(10);
    vm->completeTask(idFor("b"));
    EXPECT_EQ(events, (QStringList{"tasks", "status", "saved"}));
    EXPECT_EQ(titles(TaskWorkspaceLogic::orderedTasks(kPersonal, vm->allTasks())), (QStringList{"a", "c", "old", "b"}));
    EXPECT_EQ(taskTitled(vm->allTasks(), "b").completedAt, clock.now());
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"a", "c"}));

    // Reminders only land on open tasks.
    const int saves = store.saveCount;
    vm->saveReminder(idFor("b"), Date{800000000});
    vm->saveReminder(QUuid::createUuid(), Date{800000000});
    EXPECT_EQ(store.saveCount, saves);
    vm->saveReminder(idFor("a"), Date{800000000});
    EXPECT_EQ(taskTitled(vm->allTasks(), "a").reminder, (TaskReminder{Date{800000000}, false}));
    vm->markReminderDelivering(idFor("a"));
    EXPECT_TRUE(taskTitled(vm->allTasks(), "a").reminder->isDelivering);
    vm->clearReminder(idFor("a"));
    EXPECT_FALSE(taskTitled(vm->allTasks(), "a").reminder.has_value());
    const int afterClear = store.saveCount;
    vm->clearReminder(idFor("a"));
    vm->markReminderDelivering(idFor("a"));
    EXPECT_EQ(store.saveCount, afterClear);

    vm->deleteTask(idFor("c"));
    EXPECT_EQ(sortOrders(TaskWorkspaceLogic::orderedTasks(kPersonal, vm->allTasks())), (QList<qint64>{0, 1, 2}));

    // History: completed tasks of existing sections go, orphans survive; nothing to clear saves nothing.
    vm->clearCompletedHistory();
    EXPECT_EQ(titles(vm->allTasks()), (QStringList{"orphan", "a"}));
    const int afterHistory = store.saveCount;
    vm->clearCompletedHistory();
    EXPECT_EQ(store.saveCount, afterHistory);

    // Moving in the aggregate workspace changes nothing.
    vm->selectWorkspace(kAll);
    const TaskList before = vm->allTasks();
    vm->moveTasks({0}, 1);
    EXPECT_EQ(vm->allTasks(), before);
}

TEST_F(NotchTaskViewModelTest, NewTasksGoLastEvenAfterHistoryLeftGaps)
{
    make();
    vm->selectWorkspace(kWork);
    add("A");
    add("E");
    vm->completeTask(vm->tasks().at(0).id);
    vm->completeTask(vm->tasks().at(0).id);
    add("B");
    add("C");
    vm->clearCompletedHistory(); // B and C keep 2 and 3
    add("D");
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"B", "C", "D"}));
}

TEST_F(NotchTaskViewModelTest, SavesPublishVersionsFailuresAreLoggedAndReloadMatches)
{
    make();
    const QUuid version = vm->reminderStateVersion();
    add("one");
    EXPECT_NE(vm->reminderStateVersion(), version);

    LogCapture log;
    store.failSave = true;
    const QUuid saved = vm->reminderStateVersion();
    add("two");
    EXPECT_EQ(vm->reminderStateVersion(), saved);
    EXPECT_EQ(vm->allTasks().size(), 2) << "the change stands in memory";
    EXPECT_EQ(log.lines(), (QStringList{"QuaverLoom.NotchTaskViewModel: Failed to persist workspace: disk full"}));

    store.failSave = false;
    vm->selectWorkspace(kPersonal);
    vm->setWorkspacePrompt(QStringLiteral("p"), kPersonal);
    vm->setSelectedSectionAccent(TaskSectionAccent::blue);
    vm->addSection(QStringLiteral("Side project"));
    add("three");

    NotchTaskViewModel reloaded(store, sorter, clock);
    EXPECT_EQ(reloaded.sections(), vm->sections());
    EXPECT_EQ(reloaded.allTasks(), vm->allTasks());
    EXPECT_EQ(reloaded.selectedWorkspaceID(), vm->selectedWorkspaceID());
    EXPECT_EQ(reloaded.tasks(), vm->tasks());
    EXPECT_EQ(reloaded.workspacePromptsByID(), vm->workspacePromptsByID());
    EXPECT_EQ(reloaded.lastSelectedSectionID(), vm->lastSelectedSectionID());
}

TEST_F(NotchTaskViewModelTest, AISortShowsProgressAppliesAndSaves)
{
    make();
    vm->sortTasksWithAI();
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("There are no tasks to sort."));
    EXPECT_FALSE(vm->isSorting());

    vm->selectWorkspace(kPersonal);
    add("T1");
    add("T2");
    add("T3");
    const int saves = store.saveCount;
    QSignalSpy sorting(vm.get(), &NotchTaskViewModel::isSortingChanged);
    vm->sortTasksWithAI();
    EXPECT_TRUE(vm->isSorting());
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("Sorting Personal\u2026"));
    ASSERT_EQ(sorter.requests.size(), 1);
    EXPECT_EQ(titles(sorter.requests.at(0).tasks), (QStringList{"T1", "T2", "T3"}));
    EXPECT_EQ(sorter.requests.at(0).context.workspaceID, kPersonal);
    EXPECT_FALSE(sorter.requests.at(0).context.isAllWorkspace);

    vm->sortTasksWithAI();
    EXPECT_EQ(sorter.requests.size(), 1) << "a second press while sorting is ignored";

    sorter.respond(sorter.decisionsForLastRequest({TaskPriority::low, TaskPriority::high, TaskPriority::medium}));
    EXPECT_FALSE(vm->isSorting());
    EXPECT_EQ(sorting.count(), 2);
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("Personal sorted."));
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"T2", "T3", "T1"}));
    EXPECT_EQ(vm->tasks().at(0).reasonText, QStringLiteral("why T2"));
    EXPECT_EQ(store.saveCount, saves + 1);

    // Everything ranked: re-ordered and reported without a model call.
    vm->sortTasksWithAI();
    EXPECT_EQ(sorter.requests.size(), 1);
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("Personal sorted."));
    EXPECT_FALSE(vm->isSorting());
    EXPECT_EQ(store.saveCount, saves + 2);

    // The aggregate workspace: titled "All", results stored under it only.
    vm->selectWorkspace(kAll);
    sorter.scriptedAnswer = TaskSortDecisionList{{1, TaskPriority::low, "a"}, {2, TaskPriority::low, "b"}, {3, TaskPriority::high, "c"}};
    vm->sortTasksWithAI();
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("Sorting All\u2026"));
    EXPECT_TRUE(sorter.requests.last().context.isAllWorkspace);
    FakeTaskSortingService::processQueuedAnswers();
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("All sorted."));
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"T1", "T2", "T3"}));
    EXPECT_EQ(vm->tasks().at(0).reasonText, QStringLiteral("c"));
}

TEST_F(NotchTaskViewModelTest, AISortRefusesAnswersForAChangedListAndReportsFailures)
{
    make();
    vm->selectWorkspace(kWork);
    add("W1");
    add("W2");
    vm->selectWorkspace(kHome);
    add("H1");
    add("H2");

    // Switching workspace while the model works: the positions would name other tasks.
    LogCapture log;
    vm->sortTasksWithAI();
    vm->selectWorkspace(kWork);
    const int saves = store.saveCount;
    const TaskList before = vm->allTasks();
    sorter.respond(sorter.decisionsForLastRequest({TaskPriority::high, TaskPriority::low}));
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("AI Sort couldn't classify the full list. Try again."));
    EXPECT_FALSE(vm->isSorting());
    EXPECT_EQ(vm->allTasks(), before);
    EXPECT_EQ(store.saveCount, saves);
    EXPECT_EQ(log.lines().last(),
              QStringLiteral("QuaverLoom.NotchTaskViewModel: Failed to sort tasks: AI Sort couldn't classify the full list. Try again."));

    // Completing one task and adding another keeps the count but not the tasks.
    vm->sortTasksWithAI();
    vm->completeTask(vm->tasks().at(0).id);
    add("W3");
    const TaskList changed = vm->allTasks();
    sorter.respond(sorter.decisionsForLastRequest({TaskPriority::high, TaskPriority::high}));
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("AI Sort couldn't classify the full list. Try again."));
    EXPECT_EQ(vm->allTasks(), changed);

    // A service failure shows its own text.
    vm->sortTasksWithAI();
    sorter.respond(TaskSortingError::appleIntelligenceNotEnabled());
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("Turn on the on-device model to use AI Sort."));
    EXPECT_FALSE(vm->isSorting());
    EXPECT_EQ(vm->allTasks(), changed);

    // A short answer for an unchanged list is refused too.
    vm->sortTasksWithAI();
    sorter.respond(TaskSortDecisionList{{1, TaskPriority::high, "only one"}});
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("AI Sort couldn't classify the full list. Try again."));

    // A view model gone before the answer is never called back.
    vm->sortTasksWithAI();
    ASSERT_TRUE(sorter.isHolding());
    vm.reset();
    sorter.respond(TaskSortDecisionList{});
}
