#include "Model/TaskWorkspaceState.h"
#include "Support/EventLoopWait.h"
#include "Support/FakeTaskSortingService.h"
#include "Support/InMemoryTaskStore.h"
#include "Support/LogCapture.h"
#include "Support/ManualClock.h"
#include "TaskBuilders.h"
#include "Workspace/NotchTaskViewModel.h"
#include "Workspace/TaskWorkspaceLogic.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

namespace {
const QString kAll = QStringLiteral("workspace.all");
const QString kWork = QStringLiteral("section.work");
const QString kPersonal = QStringLiteral("section.personal");
const QString kHome = QStringLiteral("section.home");
const QString kIncomplete = QStringLiteral("AI Sort couldn't classify the full list. Try again.");

TaskWorkspaceState stateWith(TaskList tasks, const QString& selected = kAll)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.tasks = std::move(tasks);
    state.selectedWorkspaceID = selected;
    return state;
}

class NotchTaskViewModelTest : public ::testing::Test {
protected:
    void make(std::optional<TaskWorkspaceState> stored = std::nullopt)
    {
        store.stored = std::move(stored);
        vm = std::make_unique<NotchTaskViewModel>(store, sorter, clock);
    }
    void add(const QString& title)
    {
        vm->setDraftTask(title);
        vm->submitDraftTask();
    }
    bool hasResult(const QString& title, const QString& workspaceID) const
    {
        return taskTitled(vm->allTasks(), title).aiStatesByWorkspace.contains(workspaceID);
    }

    InMemoryTaskStore store;
    FakeTaskSortingService sorter;
    ManualClock clock;
    std::unique_ptr<NotchTaskViewModel> vm;
};
} // namespace

TEST_F(NotchTaskViewModelTest, LoadsStoredStateAndSurvivesBadRecords)
{
    TaskWorkspaceState home = stateWith({makeTask("h", kHome, 0)}, kHome);
    home.workspacePromptsByID.insert(kHome, QStringLiteral("home prompt"));
    make(home);
    EXPECT_EQ(vm->lastSelectedSectionID(), kHome);
    EXPECT_EQ(vm->currentWorkspacePrompt(), QStringLiteral("home prompt"));
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"h"}));
    EXPECT_EQ(store.saveCount, 0) << "loading never saves";
    make(stateWith({}, QStringLiteral("section.gone")));
    EXPECT_EQ(vm->selectedWorkspaceID(), kAll);

    // A hand-edited file repeating a section id: the first one wins, no task is lost or doubled.
    TaskWorkspaceState duplicated = stateWith({makeTask("w", kWork, 0), makeTask("p", kPersonal, 0)});
    duplicated.sections.append(TaskSection{kWork, "Work again", TaskSection::Kind::custom, 9, TaskSectionAccent::red});
    make(duplicated);
    EXPECT_EQ(vm->workspaceTitles(), (QStringList{"All", "Work", "Personal", "Home", "Health"}));
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"w", "p"}));

    LogCapture log;
    store.failLoad = true;
    make(home);
    EXPECT_EQ(vm->selectedWorkspaceID(), kAll);
    EXPECT_TRUE(vm->allTasks().isEmpty());
    EXPECT_EQ(log.lines(), (QStringList{"QuaverLoom.NotchTaskViewModel: Failed to load persisted workspace: load refused"}));
}

TEST_F(NotchTaskViewModelTest, ComposerTargetsFocusAndHolds)
{
    make();
    vm->setDraftTask(QStringLiteral(" \n\t "));
    vm->submitDraftTask();
    EXPECT_TRUE(vm->allTasks().isEmpty());
    EXPECT_EQ(vm->draftTask(), QStringLiteral(" \n\t ")) << "blank text stays in the composer";

    const QUuid submission = vm->taskSubmissionID();
    add(QStringLiteral("  Buy milk \n"));
    ASSERT_EQ(vm->allTasks().size(), 1);
    EXPECT_EQ(vm->allTasks().at(0).title, QStringLiteral("Buy milk"));
    EXPECT_EQ(vm->allTasks().at(0).sectionID, kPersonal) << "All workspace adds to the last selected section";
    EXPECT_EQ(vm->draftTask(), QString());
    EXPECT_NE(vm->taskSubmissionID(), submission);
    EXPECT_EQ(store.saveCount, 1);
    vm->selectWorkspace(kHome);
    vm->selectWorkspace(kAll);
    EXPECT_EQ(vm->composerTargetSection()->id, kHome);
    vm->selectWorkspace(kHome);
    vm->deleteSelectedSection();
    EXPECT_EQ(vm->composerTargetSection()->id, kWork) << "first remaining section";

    // Expanding twice makes one focus request; collapsing clears the request only.
    QSignalSpy focusRequests(vm.get(), &NotchTaskViewModel::focusRequestIDChanged);
    vm->setExpanded(true);
    vm->setExpanded(true);
    EXPECT_EQ(vm->requestedFocus(), NotchTaskViewModel::FocusTarget::composer);
    vm->setExpanded(false);
    EXPECT_EQ(focusRequests.count(), 1);
    EXPECT_EQ(vm->requestedFocus(), std::nullopt);

    // The panel stays held while any reason holds it.
    QSignalSpy holds(vm.get(), &NotchTaskViewModel::hasExpansionHoldChanged);
    for (const auto& [held, reason] : {std::pair{true, "actions"}, {true, "reminder"}, {false, "never"}, {false, "actions"}})
        vm->setExpansionHold(held, reason);
    EXPECT_TRUE(vm->hasExpansionHold());
    vm->setExpansionHold(false, QStringLiteral("reminder"));
    EXPECT_FALSE(vm->hasExpansionHold());
    EXPECT_EQ(holds.count(), 2);
}

TEST_F(NotchTaskViewModelTest, SectionAndPromptEditsClearTheResultsTheyAffect)
{
    TaskItem h = ranked(ranked(makeTask("h", kHome, 0), kHome, TaskPriority::high), kAll, TaskPriority::high);
    h.reasonText = QStringLiteral("own");
    make(stateWith({h, makeTask("hDone", kHome, 1, true),
                    ranked(ranked(makeTask("w", kWork, 0), kWork, TaskPriority::high), kAll, TaskPriority::low)}));

    // A workspace prompt is stored trimmed and drops that workspace's results (a section's
    // also its All results); every task's own result is reset.
    vm->setWorkspacePrompt(QStringLiteral("  focus on deadlines \n"), kWork);
    EXPECT_FALSE(hasResult("w", kWork) || hasResult("w", kAll));
    EXPECT_TRUE(hasResult("h", kHome) && hasResult("h", kAll));
    EXPECT_EQ(taskTitled(vm->allTasks(), "h").reasonText, QString());
    vm->setWorkspacePrompt(QStringLiteral("across everything"), kAll);
    EXPECT_FALSE(hasResult("h", kAll));
    const TaskSortContext context = vm->makeSortContext();
    EXPECT_EQ(context.sectionCustomPromptsByID, (QMap<QString, QString>{{kWork, "focus on deadlines"}}));
    EXPECT_EQ(context.workspaceCustomPrompt, QStringLiteral("across everything"));
    EXPECT_EQ(context.defaultCustomPrompt, QString()) << "always present, possibly empty";

    // Renaming to the same title (even in another Unicode form) or recolouring to the same
    // colour changes and saves nothing.
    vm->selectWorkspace(kHome);
    const int saves = store.saveCount;
    vm->renameSelectedSection(QStringLiteral("  Home "));
    vm->setSelectedSectionAccent(std::nullopt);
    vm->setSectionAccent(TaskSectionAccent::red, kAll);
    EXPECT_EQ(store.saveCount, saves);
    EXPECT_TRUE(hasResult("h", kHome));
    vm->renameSelectedSection(QStringLiteral("Caf\u00e9"));
    vm->setSelectedSectionAccent(TaskSectionAccent::green);
    vm->renameSelectedSection(QStringLiteral("Cafe\u0301")); // the same title, decomposed
    EXPECT_EQ(vm->selectedWorkspaceTab().title, QStringLiteral("Caf\u00e9"));
    EXPECT_EQ(vm->selectedSectionAccent(), TaskSectionAccent::green);
    EXPECT_FALSE(hasResult("h", kHome));
    EXPECT_EQ(store.saveCount, saves + 2);

    vm->setWorkspacePrompt(QStringLiteral("home"), kHome);
    vm->setWorkspacePrompt(QStringLiteral("   "), kHome);
    EXPECT_FALSE(vm->workspacePromptsByID().contains(kHome)) << "a blank prompt removes it";
    vm->setWorkspacePrompt(QStringLiteral("home"), kHome);
    vm->deleteSelectedSection();
    EXPECT_EQ(vm->selectedWorkspaceID(), kAll);
    EXPECT_FALSE(vm->workspacePromptsByID().contains(kHome));
    EXPECT_EQ(titles(vm->allTasks()), (QStringList{"w"})) << "completed tasks go with their section";

    vm->addSection(QStringLiteral("   "));
    vm->addSection(QStringLiteral("  Garden "));
    EXPECT_TRUE(QRegularExpression("^section\\.custom\\.[0-9a-f-]{36}$").match(vm->selectedWorkspaceID()).hasMatch());
    EXPECT_EQ(vm->selectedWorkspaceTab().title, QStringLiteral("Garden"));
    EXPECT_EQ(store.stored->sections, vm->sections());

    // Down to the last section, deleting is refused with a message and no save.
    while (vm->sections().size() > 1) {
        vm->selectWorkspace(vm->sections().first().id);
        vm->deleteSelectedSection();
    }
    vm->selectWorkspace(vm->sections().first().id);
    const int beforeRefusal = store.saveCount;
    vm->deleteSelectedSection();
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("At least one section must remain."));
    EXPECT_EQ(store.saveCount, beforeRefusal);
}

TEST_F(NotchTaskViewModelTest, RowEditsRemindersAndHistory)
{
    make(stateWith({makeTask("a", kPersonal, 0), makeTask("b", kPersonal, 1), makeTask("c", kPersonal, 2),
                    makeTask("old", kPersonal, 3, true), makeTask("orphan", QStringLiteral("section.gone"), 0, true)},
                   kPersonal));
    vm->moveTasks({0}, 3);
    vm->moveTasks({7}, -3); // out of range: ignored
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"b", "c", "a"}));

    // Completion: list change, status cleared, save, in that order.
    QStringList events;
    QObject::connect(vm.get(), &NotchTaskViewModel::tasksChanged, [&] { events << "tasks"; });
    QObject::connect(vm.get(), &NotchTaskViewModel::sortStatusMessageChanged, [&] { events << "status"; });
    QObject::connect(vm.get(), &NotchTaskViewModel::reminderStateVersionChanged, [&] { events << "saved"; });
    vm->completeTask(idFor("c"));
    EXPECT_EQ(events, (QStringList{"tasks", "status", "saved"}));
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"b", "a"}));

    // Reminders only land on open tasks.
    const int saves = store.saveCount;
    vm->saveReminder(idFor("c"), Date{800000000});
    vm->saveReminder(QUuid::createUuid(), Date{800000000});
    vm->clearReminder(idFor("a"));
    EXPECT_EQ(store.saveCount, saves);
    vm->saveReminder(idFor("a"), Date{800000000});
    vm->markReminderDelivering(idFor("a"));
    EXPECT_EQ(taskTitled(vm->allTasks(), "a").reminder, (TaskReminder{Date{800000000}, true}));
    vm->clearReminder(idFor("a"));
    EXPECT_FALSE(taskTitled(vm->allTasks(), "a").reminder.has_value());

    // History: completed tasks of existing sections go, orphans stay; new tasks still go last
    // although the cleared history left gaps in the numbering.
    vm->clearCompletedHistory();
    EXPECT_EQ(titles(vm->allTasks()), (QStringList{"orphan", "b", "a"}));
    const int afterHistory = store.saveCount;
    vm->clearCompletedHistory();
    EXPECT_EQ(store.saveCount, afterHistory);
    for (const char* title : {"b", "a"})
        vm->completeTask(idFor(title));
    add("d");
    add("e");
    vm->clearCompletedHistory();
    add("f");
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"d", "e", "f"}));

    // Moving in the aggregate workspace changes nothing.
    vm->selectWorkspace(kAll);
    const TaskList before = vm->allTasks();
    vm->moveTasks({0}, 1);
    EXPECT_EQ(vm->allTasks(), before);
}

TEST_F(NotchTaskViewModelTest, SavesPublishVersionsFailuresAreLoggedAndReloadMatches)
{
    make();
    add("one");
    const QUuid saved = vm->reminderStateVersion();
    LogCapture log;
    store.failSave = true;
    add("two");
    EXPECT_EQ(vm->reminderStateVersion(), saved) << "published only after a save";
    EXPECT_EQ(vm->allTasks().size(), 2) << "the change stands in memory";
    EXPECT_EQ(log.lines(), (QStringList{"QuaverLoom.NotchTaskViewModel: Failed to persist workspace: disk full"}));

    store.failSave = false;
    vm->setWorkspacePrompt(QStringLiteral("p"), kPersonal);
    vm->addSection(QStringLiteral("Side project"));
    vm->setSelectedSectionAccent(TaskSectionAccent::blue);
    add("three");
    EXPECT_NE(vm->reminderStateVersion(), saved);
    NotchTaskViewModel reloaded(store, sorter, clock);
    EXPECT_EQ(reloaded.sections(), vm->sections());
    EXPECT_EQ(reloaded.allTasks(), vm->allTasks());
    EXPECT_EQ(reloaded.selectedWorkspaceID(), vm->selectedWorkspaceID());
    EXPECT_EQ(reloaded.workspacePromptsByID(), vm->workspacePromptsByID());
}

TEST_F(NotchTaskViewModelTest, EachChangeSavesOnceAndPublishesOneReminderVersion)
{
    make(stateWith({makeTask("a", kPersonal, 0), makeTask("b", kPersonal, 1)}, kPersonal));
    QSignalSpy versions(vm.get(), &NotchTaskViewModel::reminderStateVersionChanged);
    const auto firstTask = [this] { return vm->tasks().first().id; };
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"add section", [&] { vm->addSection(QStringLiteral("Garden")); }},
        {"select", [&] { vm->selectWorkspace(kPersonal); }},
        {"submit", [&] { add("c"); }},
        {"prompt", [&] { vm->setWorkspacePrompt(QStringLiteral("p"), kPersonal); }},
        {"rename", [&] { vm->renameSelectedSection(QStringLiteral("Me")); }},
        {"accent", [&] { vm->setSelectedSectionAccent(TaskSectionAccent::blue); }},
        {"move", [&] { vm->moveTasks({0}, 2); }},
        {"reminder", [&] { vm->saveReminder(firstTask(), Date{100}); }},
        {"deliver", [&] { vm->markReminderDelivering(firstTask()); }},
        {"clear reminder", [&] { vm->clearReminder(firstTask()); }},
        {"complete", [&] { vm->completeTask(firstTask()); }},
        {"history", [&] { vm->clearCompletedHistory(); }},
        {"delete task", [&] { vm->deleteTask(firstTask()); }},
        {"delete section", [&] { vm->deleteSelectedSection(); }},
    };
    for (const auto& [name, change] : changes) {
        const int saves = store.saveCount;
        const qsizetype published = versions.count();
        change();
        EXPECT_EQ(store.saveCount, saves + 1) << name;
        EXPECT_EQ(versions.count(), published + 1) << name;
    }
}

TEST_F(NotchTaskViewModelTest, AISortShowsProgressAppliesAndSaves)
{
    make();
    vm->sortTasksWithAI();
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("There are no tasks to sort."));
    EXPECT_FALSE(vm->isSorting());

    vm->selectWorkspace(kPersonal);
    for (const char* title : {"T1", "T2", "T3"})
        add(title);
    const int saves = store.saveCount;
    QSignalSpy sorting(vm.get(), &NotchTaskViewModel::isSortingChanged);
    vm->sortTasksWithAI();
    vm->sortTasksWithAI(); // a second press while sorting is ignored
    EXPECT_TRUE(vm->isSorting());
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("Sorting Personal\u2026"));
    ASSERT_EQ(sorter.requests.size(), 1);
    EXPECT_EQ(titles(sorter.requests.at(0).tasks), (QStringList{"T1", "T2", "T3"}));
    EXPECT_EQ(sorter.requests.at(0).context, vm->makeSortContext());

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

    // The aggregate workspace: titled "All", results stored under it only.
    vm->selectWorkspace(kAll);
    sorter.scriptedAnswer = TaskSortDecisionList{{1, TaskPriority::low, "a"}, {2, TaskPriority::low, "b"}, {3, TaskPriority::high, "c"}};
    vm->sortTasksWithAI();
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("Sorting All\u2026"));
    EXPECT_TRUE(sorter.requests.last().context.isAllWorkspace);
    ASSERT_TRUE(waitUntil([&] { return !vm->isSorting(); }));
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("All sorted."));
    EXPECT_EQ(titles(vm->tasks()), (QStringList{"T1", "T2", "T3"}));
    EXPECT_EQ(vm->tasks().at(0).reasonText, QStringLiteral("c"));
    EXPECT_EQ(taskTitled(vm->allTasks(), "T1").reasonText, QStringLiteral("why T1")) << "own result untouched";
}

TEST_F(NotchTaskViewModelTest, AISortRefusesAnswersForAChangedListAndReportsFailures)
{
    make();
    vm->selectWorkspace(kWork);
    add("W1");
    add("W2");

    // Switching to a workspace that happens to show the same tasks: the results would land
    // under the wrong workspace.
    LogCapture log;
    vm->sortTasksWithAI();
    vm->selectWorkspace(kAll);
    const int saves = store.saveCount;
    const TaskList before = vm->allTasks();
    sorter.respond(sorter.decisionsForLastRequest({TaskPriority::high, TaskPriority::low}));
    EXPECT_EQ(vm->sortStatusMessage(), kIncomplete);
    EXPECT_FALSE(vm->isSorting());
    EXPECT_EQ(vm->allTasks(), before);
    EXPECT_EQ(store.saveCount, saves);
    EXPECT_EQ(log.lines(), (QStringList{"QuaverLoom.NotchTaskViewModel: Failed to sort tasks: " + kIncomplete}));

    // Completing one task and adding another keeps the count but not the tasks.
    vm->selectWorkspace(kWork);
    vm->sortTasksWithAI();
    vm->completeTask(vm->tasks().at(0).id);
    add("W3");
    const TaskList changed = vm->allTasks();
    sorter.respond(sorter.decisionsForLastRequest({TaskPriority::high, TaskPriority::high}));
    EXPECT_EQ(vm->sortStatusMessage(), kIncomplete);
    EXPECT_EQ(vm->allTasks(), changed);

    // A service failure shows its own text; a short answer for an unchanged list is refused.
    vm->sortTasksWithAI();
    sorter.respond(TaskSortingError::appleIntelligenceNotEnabled());
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("Start a language model server on this computer to use AI Sort."));
    EXPECT_FALSE(vm->isSorting());
    vm->sortTasksWithAI();
    sorter.respond(TaskSortDecisionList{{1, TaskPriority::high, "only one"}});
    EXPECT_EQ(vm->sortStatusMessage(), kIncomplete);
    EXPECT_EQ(vm->allTasks(), changed);

    // A view model gone before the answer is never called back: it names itself as the
    // answer's receiver, which the service watches.
    vm->sortTasksWithAI();
    ASSERT_TRUE(sorter.isHolding());
    const QPointer<QObject> receiver = sorter.requests.last().receiver;
    EXPECT_EQ(receiver, vm.get());
    vm.reset();
    EXPECT_TRUE(receiver.isNull());
    sorter.respond(TaskSortDecisionList{});
}

TEST_F(NotchTaskViewModelTest, AISortAsksNoModelWhileRankingIsOffOrTheListIsTooLong)
{
    make();
    vm->selectWorkspace(kWork);
    add("W1");
    add("W2");

    // The Settings switch off: refused with a message, nothing sent, nothing changed.
    vm->setAITaskRankingEnabled(false);
    const int saves = store.saveCount;
    vm->sortTasksWithAI();
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("AI task ranking is off in Settings."));
    EXPECT_FALSE(vm->isSorting());
    EXPECT_TRUE(sorter.requests.isEmpty());
    EXPECT_EQ(store.saveCount, saves);
    vm->setAITaskRankingEnabled(true);
    vm->sortTasksWithAI();
    ASSERT_EQ(sorter.requests.size(), 1);

    // Switched off while the model works: its answer is not applied.
    vm->setAITaskRankingEnabled(false);
    const TaskList before = vm->allTasks();
    sorter.respond(sorter.decisionsForLastRequest({TaskPriority::low, TaskPriority::high}));
    EXPECT_EQ(vm->sortStatusMessage(), QStringLiteral("AI task ranking is off in Settings."));
    EXPECT_FALSE(vm->isSorting());
    EXPECT_EQ(vm->allTasks(), before);
    vm->setAITaskRankingEnabled(true);

    // An answer holds at most 64 items: 65 visible tasks are refused before any request.
    for (int i = 3; i <= 64; ++i)
        add(QStringLiteral("W%1").arg(i));
    vm->sortTasksWithAI();
    ASSERT_EQ(sorter.requests.size(), 2);
    EXPECT_EQ(sorter.requests.last().tasks.size(), 64);
    sorter.respond(sorter.decisionsForLastRequest({TaskPriority::medium}));
    add("W65");
    vm->sortTasksWithAI();
    EXPECT_EQ(sorter.requests.size(), 2);
    EXPECT_FALSE(vm->isSorting());
    EXPECT_EQ(vm->sortStatusMessage(),
              QStringLiteral("AI Sort ranks up to 64 tasks at a time. Choose a section with fewer open tasks."));
    // Completing one brings the list back within reach.
    vm->completeTask(vm->tasks().first().id);
    vm->sortTasksWithAI();
    EXPECT_EQ(sorter.requests.size(), 3);
}
